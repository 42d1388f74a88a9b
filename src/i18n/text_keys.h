#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace ps {

inline constexpr int kTextSlotCount = 1000;
inline constexpr int kCharacterSetSlot = 999;
// 751 keys; five of them own two slots each.
inline constexpr std::size_t kTextKeyEntryCount = 756;
inline constexpr std::size_t kTextKeyCount = 751;

// One slot of the text table: its number, the key a language file names it by, and the
// built-in English text.
struct TextKeyEntry {
    int slot;
    const char* key;
    const char* english;
};

// Every slot in use, in slot order.
extern const std::array<TextKeyEntry, kTextKeyEntryCount> kTextKeyEntries;

// The slot of a key: occurrence 1 is its first slot, 2 the second slot of a key that
// owns two. -1 for an unknown key or a missing occurrence.
int textSlotOf(std::string_view key, int occurrence = 1);

// The entry of a slot, or nullptr for a slot that holds nothing.
const TextKeyEntry* textKeyEntryOf(int slot);

// The English text of a slot (empty for a slot that holds nothing).
std::string_view englishText(int slot);

// The slots in the order the loader looks their keys up: CharacterSet first, then by
// slot, except that a few keys added late to the program sit right after the key they
// belong beside (LangMitem and DefLangMitem after CopyTMitem, RedoMItem after UndoMItem,
// Browse2Btn after BrowseBtn, EjectGen after ShutDownGen, SoundCardGen after PreventGen,
// AnalogRip after UnBuffRip). The order decides where each search starts.
const std::vector<int>& textLoadOrder();

}  // namespace ps
