#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/safe_format.h"
#include "i18n/text_keys.h"

namespace ps {

inline constexpr std::size_t kTextPoolSize = 65536;
inline constexpr std::size_t kLanguageFileLimit = 50000;
inline constexpr std::size_t kKeySearchWindow = 1000;

// The file a `Language` value names: "<directory>/<language>.lng". An empty value names
// ".lng", which normally does not exist, so the English texts stay.
std::filesystem::path languageFilePath(const std::filesystem::path& directory,
                                       std::string_view language);

// The title of message boxes that name no title of their own.
inline constexpr const char* kApplicationTitle = "Platterscoop";

// Every text the user sees, by slot. Starts out with the English texts; loadTexts fills
// it anew from the English texts and a language file.
class TextTable {
  public:
    TextTable();

    // Loads the texts with the language file of `language` in `directory`. Returns true
    // when the file was opened (a missing or unreadable file leaves the English texts).
    bool loadTexts(const std::filesystem::path& directory, std::string_view language);
    // The same, with the file taken from the first directory that has it.
    bool loadTexts(std::span<const std::filesystem::path> directories, std::string_view language);
    // Loads the texts from the contents of a language file; only its first 50,000
    // bytes count. Empty contents give the English texts.
    void loadFromData(std::string_view fileData);

    // The current text of a slot; empty for a slot that holds nothing. Views stay valid
    // until the next load.
    std::string_view text(int slot) const;
    // The current text of a key: its first slot, or its second with occurrence 2.
    std::string_view text(std::string_view key, int occurrence = 1) const;
    // True when the slot's text came from the language file.
    bool fromLanguageFile(int slot) const;

    // The character set code of the texts (from CharacterSet, slot 999). The slot's text
    // itself keeps the name as loaded.
    std::uint8_t characterSet() const { return characterSet_; }

    // Bytes of the pool in use, texts and their zero bytes together.
    std::size_t poolUsed() const { return poolUsed_; }

    // A text used as a printf-style format, with the English text as the format
    // whenever the translation does not take the same arguments.
    template <typename... Args>
    std::string format(int slot, const Args&... args) const {
        const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
        return formatLocalized(text(slot), englishText(slot), list);
    }
    template <typename... Args>
    std::string format(std::string_view key, const Args&... args) const {
        return format(textSlotOf(key), args...);
    }

  private:
    struct Slot {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        bool used = false;
        bool translated = false;
    };

    void store(int slot, std::string_view text, bool translated);

    std::vector<char> pool_;
    std::size_t poolUsed_ = 0;
    std::array<Slot, kTextSlotCount> slots_{};
    std::uint8_t characterSet_ = 1;
};

}  // namespace ps
