#pragma once

#include <QDialog>
#include <QLabel>
#include <QPoint>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <array>

#include "cdaccess/copying_window.h"
#include "i18n/text_table.h"

namespace ps::gui {

// Moves `window` to `offset` from the top-left corner of `owner`, or centres it on the
// screen when that place would leave less than 100 pixels to the right or 80 below.
void placeRelativeTo(QWidget& window, const QWidget* owner, QPoint offset);

// One image strip of the level meter or the synchronisation indicator: `states` states
// (0 .. states-1), drawn as a row of cells.
class StateStrip final : public QWidget {
    Q_OBJECT
  public:
    enum class Kind {
        Meter,  // state n lights the first n cells
        Synch,  // lights outward from the middle: 1..7 to the left, 8..14 to the right,
                // the last state ("lost") all cells red
    };

    StateStrip(int states, Kind kind, QWidget* parent);
    void setState(int state);
    int state() const { return state_; }
    // A meter strip is one part of a longer meter: its cells take their colours from
    // their place in the whole (`firstCell` of `allCells`).
    void setColourSpan(int firstCell, int allCells);
    int states() const { return states_; }
    QSize sizeHint() const override { return {50, 14}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int states_;
    Kind kind_;
    int state_ = 0;
    int firstCell_ = 0;
    int allCells_ = 0;
};

// The "Copying" window: shows the copying model's fields and forwards its buttons and
// its closing to the model. The model must outlive the window.
class CopyingDialog final : public QDialog {
    Q_OBJECT
  public:
    CopyingDialog(CopyingWindow& model, const TextTable& texts, QWidget* parent);
    ~CopyingDialog() override;

    // Labels and button texts from the text table (creation, language change).
    void applyTexts();
    // Follows the model after a change it reports.
    void showField(CopyingWindow::Field field);

    // The lower part: what happens to the track after the copy. Empty lines are hidden.
    void setPlanLines(const QString& normalization, const QString& encoder);

    QPushButton* skipButton() const { return skip_; }
    QPushButton* abortAllButton() const { return abortAll_; }
    const std::array<StateStrip*, 4>& meterStrips() const { return meter_; }
    StateStrip* synchStrip() const { return synch_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* percentLabel() const { return percentText_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    QString shown(const std::string& text) const;
    void showAll();

    CopyingWindow& model_;
    const TextTable& texts_;
    QLabel* writeLabel_ = nullptr;
    QLabel* writeValue_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QLabel* sizeValue_ = nullptr;
    QLabel* readingLabel_ = nullptr;
    QLabel* readingValue_ = nullptr;
    QLabel* sectorsLabel_ = nullptr;
    QLabel* sectorsValue_ = nullptr;
    QLabel* elapsedLabel_ = nullptr;
    QLabel* elapsedValue_ = nullptr;
    QLabel* lengthLabel_ = nullptr;
    QLabel* lengthValue_ = nullptr;
    QLabel* leftLabel_ = nullptr;
    QLabel* leftValue_ = nullptr;
    QLabel* peakLabel_ = nullptr;
    QLabel* peakValue_ = nullptr;
    QLabel* speedLine_ = nullptr;
    QLabel* synchLine_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QLabel* percentText_ = nullptr;
    QLabel* normalizationLine_ = nullptr;
    QLabel* encoderLine_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::array<StateStrip*, 4> meter_{};
    StateStrip* synch_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* abortAll_ = nullptr;
};

}  // namespace ps::gui
