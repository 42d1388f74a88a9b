#include "i18n/text_table.h"

#include <algorithm>
#include <fstream>
#include <optional>

#include "i18n/character_set.h"

namespace ps {
namespace {

// The bytes of a language file as the key search sees them: line ends turned into zero
// bytes (so a text ends with its line), "\n" turned into a CR LF line break, and a zero
// byte after the last byte read.
struct LanguageData {
    std::vector<char> bytes;
    std::size_t size = 0;

    explicit LanguageData(std::string_view file) : bytes(kLanguageFileLimit + 1, '\0') {
        size = std::min(file.size(), kLanguageFileLimit);
        std::copy_n(file.data(), size, bytes.begin());
        for (std::size_t i = 0; i < size; ++i) {
            if (bytes[i] == '\r' || bytes[i] == '\n') {
                bytes[i] = '\0';
            } else if (bytes[i] == '\\' && i + 1 < size && bytes[i + 1] == 'n') {
                bytes[i] = '\r';
                bytes[++i] = '\n';
            }
        }
    }

    // Index of the key's last character at its first match in [from, to). A byte that
    // does not match starts the comparison again with the key's first character at the
    // next byte, as language files have always been read.
    std::optional<std::size_t> scan(std::string_view key, std::size_t from, std::size_t to) const {
        std::size_t matched = 0;
        for (std::size_t i = from; i < to; ++i) {
            if (bytes[i] == key[matched]) {
                if (++matched == key.size()) {
                    return i;
                }
            } else {
                matched = 0;
            }
        }
        return std::nullopt;
    }

    // Where the key's text starts: searched first in the window after the previous
    // key's text, then from the start of the file.
    std::optional<std::size_t> find(std::string_view key, std::size_t previous) const {
        const std::size_t from = std::min(previous, size);
        auto last = scan(key, from, std::min(from + kKeySearchWindow, size));
        if (!last) {
            last = scan(key, 0, size);
        }
        if (!last) {
            return std::nullopt;
        }
        // The text begins past the "=" after the key; a key at the very end has none.
        return std::min(*last + 2, size);
    }

    std::string_view textAt(std::size_t start) const {
        std::size_t end = start;
        while (end < size && bytes[end] != '\0') {
            ++end;
        }
        return {bytes.data() + start, end - start};
    }
};

// For each position in the load order, the pool bytes the English texts of all later
// keys need; a translation is taken only when these stay free after it, so the pool can
// never run out before every slot has a text.
const std::vector<std::size_t>& englishReserveAfter() {
    static const std::vector<std::size_t> reserve = [] {
        const auto& order = textLoadOrder();
        std::vector<std::size_t> built(order.size(), 0);
        std::size_t sum = 0;
        for (std::size_t i = order.size(); i-- > 0;) {
            built[i] = sum;
            sum += englishText(order[i]).size() + 1;
        }
        return built;
    }();
    return reserve;
}

}  // namespace

std::filesystem::path languageFilePath(const std::filesystem::path& directory,
                                       std::string_view language) {
    // Joined as text: a value that starts with "/" must not replace the directory.
    std::string name = directory.string();
    if (!name.empty() && name.back() != '/') {
        name += '/';
    }
    name += language;
    name += ".lng";
    return name;
}

TextTable::TextTable() : pool_(kTextPoolSize, '\0') {
    loadFromData({});
}

bool TextTable::loadTexts(const std::filesystem::path& directory, std::string_view language) {
    return loadTexts(std::span<const std::filesystem::path>(&directory, 1), language);
}

bool TextTable::loadTexts(std::span<const std::filesystem::path> directories,
                          std::string_view language) {
    for (const auto& directory : directories) {
        std::ifstream in(languageFilePath(directory, language), std::ios::binary);
        if (!in) {
            continue;
        }
        std::string data(kLanguageFileLimit, '\0');
        in.read(data.data(), static_cast<std::streamsize>(data.size()));
        data.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
        loadFromData(data);
        return true;
    }
    loadFromData({});
    return false;
}

void TextTable::loadFromData(std::string_view fileData) {
    const LanguageData data(fileData);
    const auto& order = textLoadOrder();
    const auto& reserve = englishReserveAfter();
    slots_ = {};
    poolUsed_ = 0;
    std::size_t previous = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int slot = order[i];
        const std::string_view english = englishText(slot);
        std::string_view chosen = english;
        bool translated = false;
        if (const auto start = data.find(textKeyEntryOf(slot)->key, previous)) {
            previous = *start;
            const std::string_view text = data.textAt(*start);
            if (poolUsed_ + text.size() + 1 + reserve[i] <= kTextPoolSize) {
                chosen = text;
                translated = true;
            }
        }
        store(slot, chosen, translated);
        if (slot == kCharacterSetSlot) {
            characterSet_ = characterSetCode(chosen);
        }
    }
}

void TextTable::store(int slot, std::string_view text, bool translated) {
    // The reserve keeps room for every English text; this guard only protects the pool
    // should the English texts ever outgrow it.
    const std::size_t room = kTextPoolSize - poolUsed_;
    if (room == 0) {
        slots_[static_cast<std::size_t>(slot)] = Slot{0, 0, true, false};
        return;
    }
    text = text.substr(0, room - 1);
    std::copy(text.begin(), text.end(), pool_.begin() + static_cast<std::ptrdiff_t>(poolUsed_));
    pool_[poolUsed_ + text.size()] = '\0';
    slots_[static_cast<std::size_t>(slot)] =
        Slot{static_cast<std::uint32_t>(poolUsed_), static_cast<std::uint32_t>(text.size()), true,
             translated};
    poolUsed_ += text.size() + 1;
}

std::string_view TextTable::text(int slot) const {
    if (slot < 0 || slot >= kTextSlotCount) {
        return {};
    }
    const Slot& entry = slots_[static_cast<std::size_t>(slot)];
    if (!entry.used) {
        return {};
    }
    return {pool_.data() + entry.offset, entry.length};
}

std::string_view TextTable::text(std::string_view key, int occurrence) const {
    return text(textSlotOf(key, occurrence));
}

bool TextTable::fromLanguageFile(int slot) const {
    return slot >= 0 && slot < kTextSlotCount && slots_[static_cast<std::size_t>(slot)].translated;
}

}  // namespace ps
