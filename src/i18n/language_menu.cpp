#include "i18n/language_menu.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace ps {
namespace {

constexpr std::string_view kExtension = ".lng";

void appendLanguages(const std::filesystem::path& directory, std::vector<std::string>& names) {
    std::error_code error;
    std::filesystem::directory_iterator it(directory, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (names.size() >= static_cast<std::size_t>(kLanguageMenuItems)) {
            return;
        }
        std::error_code statError;
        if (!it->is_regular_file(statError)) {
            continue;
        }
        const std::string file = it->path().filename().string();
        if (file.size() <= kExtension.size() || !file.ends_with(kExtension)) {
            continue;
        }
        std::string name = file.substr(0, file.size() - kExtension.size());
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(std::move(name));
        }
    }
}

}  // namespace

std::vector<std::string> listLanguages(const std::filesystem::path& directory) {
    return listLanguages(std::span<const std::filesystem::path>(&directory, 1));
}

std::vector<std::string> listLanguages(std::span<const std::filesystem::path> directories) {
    std::vector<std::string> names;
    for (const auto& directory : directories) {
        appendLanguages(directory, names);
    }
    return names;
}

std::string languageForChoice(const std::vector<std::string>& items, int choice) {
    if (choice < 0 || choice >= static_cast<int>(items.size())) {
        return {};
    }
    return items[static_cast<std::size_t>(choice)];
}

std::string defaultTrackName(const DefaultTrackNames& names, int trackNumber, bool dataTrack) {
    if (dataTrack) {
        return names.dataTrack;
    }
    char number[16];
    std::snprintf(number, sizeof number, "%2d", trackNumber);
    return names.name + " " + number;
}

int renewDefaultTrackNames(std::vector<TrackNameRow>& tracks, const DefaultTrackNames& old,
                           const DefaultTrackNames& now) {
    int changed = 0;
    for (auto& track : tracks) {
        if (track.name == defaultTrackName(old, track.trackNumber, track.dataTrack)) {
            track.name = defaultTrackName(now, track.trackNumber, track.dataTrack);
            ++changed;
        }
    }
    return changed;
}

int renewFixedLabels(std::vector<std::string>& labels, const std::vector<std::string>& oldFixed,
                     const std::vector<std::string>& newFixed) {
    int changed = 0;
    const std::size_t count = std::min(oldFixed.size(), newFixed.size());
    for (auto& label : labels) {
        for (std::size_t i = 0; i < count; ++i) {
            if (label == oldFixed[i]) {
                label = newFixed[i];
                ++changed;
                break;
            }
        }
    }
    return changed;
}

TipOfTheDay::TipOfTheDay(int tip) : tip_(tip >= 1 && tip <= kTipCount ? tip : 1) {}

int TipOfTheDay::next() {
    tip_ = tip_ == kTipCount ? 1 : tip_ + 1;
    return tip_;
}

int TipOfTheDay::previous() {
    tip_ = tip_ == 1 ? kTipCount : tip_ - 1;
    return tip_;
}

std::string TipOfTheDay::key() const {
    return "Tips" + std::to_string(tip_) + "Tip";
}

}  // namespace ps
