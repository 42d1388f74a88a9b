#include "gui/message_box.h"

#include "gui/gui_texts.h"
#include "i18n/character_set.h"

namespace ps::gui {

QString decodedText(const TextTable& texts, const std::string& text) {
    return QString::fromStdString(textToUtf8(text, texts.characterSet()));
}

QMessageBox::StandardButton showMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text, const TextTable& texts,
                                        const char* titleKey, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) {
    const QString title =
        titleKey != nullptr ? uiText(texts, titleKey) : QString::fromUtf8(kApplicationTitle);
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton) {
        box.setDefaultButton(defaultButton);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void showTitledMessage(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
                       const std::string& title, const TextTable& texts) {
    QMessageBox box(icon, decodedText(texts, title.empty() ? kApplicationTitle : title),
                    decodedText(texts, text), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace ps::gui
