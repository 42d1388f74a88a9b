#pragma once

#include <string>
#include <string_view>

namespace ps::cli {

// Quotes a text as a JSON string. Bytes that are not valid UTF-8 are taken as
// ISO-8859-1, the program's own character set, so the output is always valid JSON.
std::string jsonString(std::string_view text);

}  // namespace ps::cli
