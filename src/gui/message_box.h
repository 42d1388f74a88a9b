#pragma once

#include <QMessageBox>
#include <QWidget>
#include <string>

#include "i18n/text_table.h"

namespace ps::gui {

// Message boxes take their texts from the table when they are shown. The title is
// "Platterscoop" unless a title key is given.
QMessageBox::StandardButton showMessage(
    QWidget* parent, QMessageBox::Icon icon, const QString& text, const TextTable& texts,
    const char* titleKey = nullptr, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// The same with the text of a key, formatted with the arguments when it has conversions.
template <typename... Args>
QMessageBox::StandardButton showTextMessage(QWidget* parent, QMessageBox::Icon icon,
                                            const TextTable& texts, const char* key,
                                            const char* titleKey, const Args&... args);

QString decodedText(const TextTable& texts, const std::string& text);

// A box whose text and title the core hands over already formatted (not as keys); an
// empty title is the application's.
void showTitledMessage(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
                       const std::string& title, const TextTable& texts);

template <typename... Args>
QMessageBox::StandardButton showTextMessage(QWidget* parent, QMessageBox::Icon icon,
                                            const TextTable& texts, const char* key,
                                            const char* titleKey, const Args&... args) {
    return showMessage(parent, icon, decodedText(texts, texts.format(key, args...)), texts,
                       titleKey);
}

}  // namespace ps::gui
