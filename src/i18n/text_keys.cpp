#include "i18n/text_keys.h"

#include <algorithm>
#include <map>
#include <utility>

namespace ps {
namespace {

struct KeyIndex {
    std::map<std::string_view, std::vector<int>, std::less<>> slotsByKey;
    std::array<int, kTextSlotCount> entryBySlot{};
};

const KeyIndex& keyIndex() {
    static const KeyIndex index = [] {
        KeyIndex built;
        built.entryBySlot.fill(-1);
        for (std::size_t i = 0; i < kTextKeyEntries.size(); ++i) {
            const auto& entry = kTextKeyEntries[i];
            built.slotsByKey[entry.key].push_back(entry.slot);
            built.entryBySlot[static_cast<std::size_t>(entry.slot)] = static_cast<int>(i);
        }
        return built;
    }();
    return index;
}

void moveAfter(std::vector<int>& order, std::string_view key, std::string_view anchor) {
    const int slot = textSlotOf(key);
    const int anchorSlot = textSlotOf(anchor);
    order.erase(std::find(order.begin(), order.end(), slot));
    order.insert(std::find(order.begin(), order.end(), anchorSlot) + 1, slot);
}

}  // namespace

int textSlotOf(std::string_view key, int occurrence) {
    const auto& index = keyIndex();
    const auto found = index.slotsByKey.find(key);
    if (found == index.slotsByKey.end() || occurrence < 1 ||
        occurrence > static_cast<int>(found->second.size())) {
        return -1;
    }
    return found->second[static_cast<std::size_t>(occurrence - 1)];
}

const TextKeyEntry* textKeyEntryOf(int slot) {
    if (slot < 0 || slot >= kTextSlotCount) {
        return nullptr;
    }
    const int entry = keyIndex().entryBySlot[static_cast<std::size_t>(slot)];
    return entry < 0 ? nullptr : &kTextKeyEntries[static_cast<std::size_t>(entry)];
}

std::string_view englishText(int slot) {
    const auto* entry = textKeyEntryOf(slot);
    return entry == nullptr ? std::string_view{} : std::string_view{entry->english};
}

const std::vector<int>& textLoadOrder() {
    static const std::vector<int> order = [] {
        std::vector<int> built;
        built.push_back(kCharacterSetSlot);
        for (const auto& entry : kTextKeyEntries) {
            if (entry.slot != kCharacterSetSlot) {
                built.push_back(entry.slot);
            }
        }
        moveAfter(built, "LangMitem", "CopyTMitem");
        moveAfter(built, "DefLangMitem", "LangMitem");
        moveAfter(built, "RedoMItem", "UndoMItem");
        moveAfter(built, "Browse2Btn", "BrowseBtn");
        moveAfter(built, "EjectGen", "ShutDownGen");
        moveAfter(built, "SoundCardGen", "PreventGen");
        moveAfter(built, "AnalogRip", "UnBuffRip");
        return built;
    }();
    return order;
}

}  // namespace ps
