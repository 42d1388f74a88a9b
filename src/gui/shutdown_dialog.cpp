#include "gui/shutdown_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "gui/gui_texts.h"

namespace ps::gui {

ShutdownDialog::ShutdownDialog(const TextTable& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), texts_(texts) {
    setObjectName("ShutdownDialog");
    auto* layout = new QVBoxLayout(this);
    text1_ = new QLabel(this);
    text2_ = new QLabel(this);
    for (QLabel* label : {text1_, text2_}) {
        label->setWordWrap(true);
        label->setMinimumWidth(360);
        layout->addWidget(label);
    }
    countdown_ = new QLabel(this);
    countdown_->setObjectName("Countdown");
    countdown_->setAlignment(Qt::AlignCenter);
    QFont large = countdown_->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    countdown_->setFont(large);
    layout->addWidget(countdown_);
    auto* buttons = new QHBoxLayout();
    abort_ = new QPushButton(this);
    abort_->setObjectName("AbortButton");
    buttons->addStretch(1);
    buttons->addWidget(abort_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(abort_, &QPushButton::clicked, this, [this] { aborted_ = true; });
    applyTexts();
    setWindowTitle(uiText(texts_, "CaptionShutdown"));
}

void ShutdownDialog::applyTexts() {
    abort_->setText(uiText(texts_, "AbortBtn"));
}

void ShutdownDialog::showTexts(const QString& caption, const QString& text1, const QString& text2) {
    aborted_ = false;
    setWindowTitle(caption);
    text1_->setText(text1);
    text2_->setText(text2);
    countdown_->clear();
    show();
    raise();
    abort_->setFocus();
}

void ShutdownDialog::setCountdown(const QString& text) {
    countdown_->setText(text);
}

// The close box is disabled; a close request from the system does not end the countdown
// without the user's abort.
void ShutdownDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

// Esc aborts like the button.
void ShutdownDialog::reject() {
    aborted_ = true;
}

}  // namespace ps::gui
