#pragma once

#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

inline constexpr int kLanguageMenuItems = 10;
// The choice of the submenu's "English (default)" item.
inline constexpr int kDefaultLanguageItem = -1;

// The captions of the language items: the names of the "*.lng" files in the directory,
// in the order the directory yields them, without ".lng"; at most ten. Only regular files
// whose name ends in ".lng" exactly count (such a name is what loading looks for), and a
// file named just ".lng" is left out, since it would read as the English default.
std::vector<std::string> listLanguages(const std::filesystem::path& directory);
// The same over several directories in turn; a name already listed is not repeated.
std::vector<std::string> listLanguages(std::span<const std::filesystem::path> directories);

// The new `Language` value for a choice in the submenu: the empty text for the English
// item (or a choice outside the list), else the item's caption.
std::string languageForChoice(const std::vector<std::string>& items, int choice);

// The texts a track keeps as its name until the user names it.
struct DefaultTrackNames {
    std::string name;       // DefaultName, "Track"
    std::string dataTrack;  // DefaultDataTrack, "Data Track"
};

// The default name of a track: "%s %2d" of DefaultName and the number, or DefaultDataTrack.
std::string defaultTrackName(const DefaultTrackNames& names, int trackNumber, bool dataTrack);

struct TrackNameRow {
    std::string name;
    int trackNumber = 0;
    bool dataTrack = false;
};

// After a language change: each track whose name is still the old default gets the new
// one; names the user gave stay. Returns how many names changed.
int renewDefaultTrackNames(std::vector<TrackNameRow>& tracks, const DefaultTrackNames& old,
                           const DefaultTrackNames& now);

// After a language change: each label equal to one of the old fixed labels becomes the
// new label at the same position. Returns how many changed.
int renewFixedLabels(std::vector<std::string>& labels, const std::vector<std::string>& oldFixed,
                     const std::vector<std::string>& newFixed);

// Which of the twenty tips of the day (1..20) is shown; the text of tip n is the key
// Tips<n>Tip.
class TipOfTheDay {
  public:
    static constexpr int kTipCount = 20;

    explicit TipOfTheDay(int tip = 1);
    template <typename Random>
    static TipOfTheDay randomStart(Random& random) {
        std::uniform_int_distribution<int> pick(1, kTipCount);
        return TipOfTheDay(pick(random));
    }

    int current() const { return tip_; }
    int next();
    int previous();
    std::string key() const;  // "Tips<n>Tip"

  private:
    int tip_;
};

}  // namespace ps
