#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QString>

#include "i18n/text_table.h"

namespace ps::gui {

// The "Shut down in progress" window: the two texts and the countdown the shut-down
// gives it, and "&Abort" (or Esc), whose state the shut-down polls. Its close box is
// disabled.
class ShutdownDialog final : public QDialog {
    Q_OBJECT
  public:
    ShutdownDialog(const TextTable& texts, QWidget* parent);

    // The button text from the text table (creation, language change).
    void applyTexts();
    // Shows the window with its texts; a new countdown starts without an abort.
    void showTexts(const QString& caption, const QString& text1, const QString& text2);
    void setCountdown(const QString& text);

    bool aborted() const { return aborted_; }
    QPushButton* abortButton() const { return abort_; }
    QLabel* countdownLabel() const { return countdown_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    const TextTable& texts_;
    QLabel* text1_ = nullptr;
    QLabel* text2_ = nullptr;
    QLabel* countdown_ = nullptr;
    QPushButton* abort_ = nullptr;
    bool aborted_ = false;
};

}  // namespace ps::gui
