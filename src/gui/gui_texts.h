#pragma once

#include <QString>

#include "i18n/text_table.h"

namespace ps::gui {

// A text of the table, decoded from its character set for the screen.
QString uiText(const TextTable& texts, const char* key);

}  // namespace ps::gui
