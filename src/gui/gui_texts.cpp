#include "gui/gui_texts.h"

#include <string>

#include "i18n/character_set.h"

namespace ps::gui {

QString uiText(const TextTable& texts, const char* key) {
    return QString::fromStdString(textToUtf8(texts.text(key), texts.characterSet()));
}

}  // namespace ps::gui
