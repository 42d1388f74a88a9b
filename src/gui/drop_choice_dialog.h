#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "i18n/text_table.h"

namespace ps::gui {

// "Select what to do" with wave files dropped on the main window: normalize them, encode
// them, or both. Its close box is disabled; Esc cancels.
class DropChoiceDialog final : public QDialog {
    Q_OBJECT
  public:
    enum class Choice { Cancel, Normalize, Encode, Both };

    // `encodingAvailable`: an encoder program is set or the internal codec is chosen.
    DropChoiceDialog(const TextTable& texts, bool severalFiles, bool encodingAvailable,
                     bool deleteWaves, QWidget* parent);

    // Asks modally. Unless the user cancels, the check box goes into `deleteWaves`.
    static Choice ask(const TextTable& texts, bool severalFiles, bool encodingAvailable,
                      bool& deleteWaves, QWidget* parent);

    Choice choice() const { return choice_; }
    bool deleteWaves() const { return deleteBox_->isChecked(); }

    QLabel* questionLabel() const { return question_; }
    QPushButton* normalizeButton() const { return normalize_; }
    QPushButton* encodeButton() const { return encode_; }
    QPushButton* bothButton() const { return both_; }
    QPushButton* cancelButton() const { return cancel_; }
    QCheckBox* deleteBox() const { return deleteBox_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void choose(Choice choice);

    QLabel* question_ = nullptr;
    QPushButton* normalize_ = nullptr;
    QPushButton* encode_ = nullptr;
    QPushButton* both_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QCheckBox* deleteBox_ = nullptr;
    Choice choice_ = Choice::Cancel;
    bool choosing_ = false;
};

}  // namespace ps::gui
