#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ps {

// The font character sets a language file can name in its CharacterSet line, with the
// one-byte codes the windows set their fonts to.
struct CharacterSetName {
    const char* name;
    std::uint8_t code;
};

inline constexpr std::uint8_t kAnsiCharset = 0;
inline constexpr std::uint8_t kDefaultCharset = 1;

std::span<const CharacterSetName> characterSetNames();

// The code of a CharacterSet value: the first name the value begins with, else
// DEFAULT_CHARSET (1).
std::uint8_t characterSetCode(std::string_view value);

// The 8-bit code page in which texts of a character set are written (Windows numbering:
// 1252 Western, 1250 Central European, 1251 Cyrillic, 1253 Greek, 1254 Turkish,
// 1255 Hebrew, 1256 Arabic, 1257 Baltic, 874 Thai, 10000 Mac Roman, 437 OEM; 932, 949,
// 1361, 936 and 950 for the Asian multi-byte sets).
int codePageOf(std::uint8_t characterSet);

// The text converted from its character set to UTF-8 for the user interface, with each
// line break (CR LF, as language files give them) made a single LF. Single-byte code
// pages are converted here; the multi-byte Asian sets are passed through unchanged, for
// the interface to decode with codePageOf() if it can. Bytes a code page leaves
// undefined become U+FFFD.
std::string textToUtf8(std::string_view text, std::uint8_t characterSet);

// True when textToUtf8 decodes this character set itself.
bool decodesCharacterSet(std::uint8_t characterSet);

}  // namespace ps
