#include "tracks/track_list.h"

#include <algorithm>
#include <cstdio>

#include "app/settings.h"
#include "cdaccess/disc_table.h"
#include "cdaccess/read_method.h"
#include "cddb/disc_number.h"
#include "i18n/text_table.h"
#include "tracks/track_status_text.h"

namespace ps {

namespace {

constexpr int kDiskInfoRead = 256;
constexpr int kDiskInfoReadAlso = 768;

bool fileNameCharacter(char c) {
    switch (c) {
        case '"':
        case '*':
        case '/':
        case ':':
        case '<':
        case '>':
        case '?':
        case '\\':
        case '|':
            return true;
        default:
            return false;
    }
}

// The text with the nine characters replaced by "-", and how many there were.
std::pair<std::string, int> replaceCounting(std::string_view text) {
    std::string result(text);
    int count = 0;
    for (char& c : result) {
        if (fileNameCharacter(c)) {
            c = '-';
            ++count;
        }
    }
    return {result, count};
}

}  // namespace

std::string formatPlayTime(std::int64_t frames) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02ld:%02ld", static_cast<long>(frames / 4500),
                  static_cast<long>((frames / 75) % 60));
    return buffer;
}

std::string formatWaveSize(std::int64_t frames) {
    const double megabytes = static_cast<double>(frames) * 2352.0 / 1048576.0;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, megabytes >= 10.0 ? "%.2f Mb" : "  %.2f Mb", megabytes);
    return buffer;
}

ProgramTrackListSource::ProgramTrackListSource(ReadMethod& readMethod, const DiscTable& discTable,
                                               DiscIdentifier& identifier,
                                               const CdPlayerDiscIdentity& identity,
                                               const CdplayerIni& cdplayer)
    : readMethod_(readMethod),
      discTable_(discTable),
      identifier_(identifier),
      identity_(identity),
      cdplayer_(cdplayer) {}

int ProgramTrackListSource::accessMode() const {
    return readMethod_.currentAccessMode;
}

bool ProgramTrackListSource::helperStartupFailed() const {
    return readMethod_.helperStartupFailed;
}

int ProgramTrackListSource::getDiskInfo() {
    return readMethod_.GetDiskInfo(0);
}

int ProgramTrackListSource::getLowest() {
    return readMethod_.GetLowest();
}

int ProgramTrackListSource::getHighest() {
    return readMethod_.GetHighest();
}

std::int32_t ProgramTrackListSource::getTrackInfo(int track) {
    return readMethod_.GetTrackInfo(static_cast<std::int16_t>(track));
}

std::int32_t ProgramTrackListSource::getTotalTime() {
    return readMethod_.GetTotalTime();
}

bool ProgramTrackListSource::isDataTrack(int track) {
    return track >= 1 && track <= DiscTable::kMaxTracks &&
           discTable_.tracks[static_cast<std::size_t>(track)].dataTrack;
}

std::uint32_t ProgramTrackListSource::identifyAndStore() {
    identifier_.identify(true, true);
    return identity_.discNumber;
}

bool ProgramTrackListSource::discUnchanged() {
    return identifier_.discUnchanged();
}

CdplayerRead ProgramTrackListSource::readCdplayer(std::uint32_t discNumber, bool autoQuery,
                                                  int firstTrack, int lastTrack,
                                                  const std::function<bool(int)>& isDataTrack,
                                                  const DefaultTrackNames& defaults) {
    return cdplayer_.read(discNumber, autoQuery, firstTrack, lastTrack, isDataTrack, defaults);
}

TrackListModel::TrackListModel(DiscRecord& disc, const Settings& settings, const TextTable& texts,
                               TrackListSource& source, TrackListUi& ui, const FreeSpace& freeSpace)
    : disc_(disc),
      settings_(settings),
      texts_(texts),
      source_(source),
      ui_(&ui),
      freeSpace_(freeSpace) {}

DefaultTrackNames TrackListModel::defaultNames() const {
    return {std::string(texts_.text("DefaultName")), std::string(texts_.text("DefaultDataTrack"))};
}

void TrackListModel::showMessage(const char* text) {
    disc_.rows.clear();
    disc_.firstTrack = 0;
    disc_.lastTrack = 0;
    grey_ = true;
    message_ = text;
    statusTracks_.clear();
}

bool TrackListModel::refresh(bool useCdplayer) {
    if (disc_.lastTrack == DiscRecord::kShuttingDown) {
        return false;
    }
    disc_.rows.clear();
    disc_.autoQueryDue = false;
    disc_.listReady = false;
    grey_ = true;
    message_.clear();
    lastClickedRow_.reset();
    grabEnabled_ = false;
    storeCdplayerEnabled_ = false;

    const bool built = [&] {
        const int mode = source_.accessMode();
        const bool lowMemory = source_.helperStartupFailed();
        if (mode == access_mode::kNone) {
            showMessage(lowMemory ? kLowDosMemoryRow : kNoDriveRow);
            return false;
        }
        const int answer = source_.getDiskInfo();
        if (answer != kDiskInfoRead && answer != kDiskInfoReadAlso) {
            showMessage(lowMemory && mode == access_mode::kMscdex ? kLowDosMemoryRow
                                                                  : kDriveNotReadyRow);
            disc_.cdPlayerNumber = 0;
            return false;
        }
        disc_.cdPlayerNumber = source_.identifyAndStore();
        std::int32_t total = source_.getTotalTime();
        if (mode == access_mode::kMscdex) {
            total -= source_.getTrackInfo(1);
        }
        const int first = source_.getLowest();
        const int last = source_.getHighest();
        // A table the records cannot hold is treated like no disc rather than indexing
        // beyond the hundred track records.
        if (first < 1 || last < first || last > DiscRecord::kMaxTrackNumber) {
            showMessage(kDriveNotReadyRow);
            disc_.cdPlayerNumber = 0;
            return false;
        }
        disc_.firstTrack = first;
        disc_.lastTrack = last;
        disc_.totalLength = total;

        const DefaultTrackNames defaults = defaultNames();
        for (int number = first; number <= last; ++number) {
            TrackRecord& track = disc_.tracks[static_cast<std::size_t>(number)];
            track = TrackRecord{};
            track.start = source_.getTrackInfo(number);
            track.dataTrack = source_.isDataTrack(number);
        }
        for (int number = first; number <= last; ++number) {
            TrackRecord& track = disc_.tracks[static_cast<std::size_t>(number)];
            track.end = number < last
                            ? disc_.tracks[static_cast<std::size_t>(number) + 1].start - 1
                            : disc_.tracks[static_cast<std::size_t>(first)].start + total - 1;
            track.name = defaultTrackName(defaults, number, track.dataTrack);
            disc_.rows.push_back(number);
        }

        statusTracks_ =
            " " + texts_.format("TracksStatus", last - first + 1, formatPlayTime(total));
        disc_.artist.clear();
        disc_.album.clear();
        disc_.listReady = true;

        if (useCdplayer && settings_.StoreInCdplayer_ini && disc_.cdPlayerNumber != 0) {
            const auto isData = [this](int track) {
                return track >= 1 && track <= DiscRecord::kMaxTrackNumber &&
                       disc_.tracks[static_cast<std::size_t>(track)].dataTrack;
            };
            const CdplayerRead read = source_.readCdplayer(
                disc_.cdPlayerNumber, settings_.AutoQuery, first, last, isData, defaults);
            // Only an order holding every track of the disc once replaces the plain one.
            std::vector<int> order = read.order;
            std::vector<int> sorted = order;
            std::sort(sorted.begin(), sorted.end());
            if (sorted == disc_.rows) {
                disc_.rows = std::move(order);
            }
            for (const CdplayerTitle& title : read.titles.tracks) {
                if (title.track >= first && title.track <= last) {
                    disc_.tracks[static_cast<std::size_t>(title.track)].name =
                        replaceCounting(title.listName).first;
                }
            }
            disc_.artist = read.titles.artist.value_or(std::string());
            disc_.album = read.titles.album.value_or(std::string());
            disc_.autoQueryDue = read.autoQueryDue;
        }
        for (int number : disc_.rows) {
            TrackRecord& track = disc_.tracks[static_cast<std::size_t>(number)];
            track.selected = settings_.SelectAllTrack && !track.dataTrack;
        }
        storeCdplayerEnabled_ = settings_.StoreInCdplayer_ini && disc_.cdPlayerNumber != 0;
        grey_ = false;
        return true;
    }();

    updateTimeEstimate();
    updateDiskSpaceEstimate(false);
    return built;
}

void TrackListModel::textsChanged(const DefaultTrackNames& previous) {
    if (grey_) {
        return;
    }
    const DefaultTrackNames now = defaultNames();
    for (int number : disc_.rows) {
        TrackRecord& track = disc_.tracks[static_cast<std::size_t>(number)];
        if (track.name == defaultTrackName(previous, number, track.dataTrack)) {
            track.name = defaultTrackName(now, number, track.dataTrack);
        }
    }
    statusTracks_ = " " + texts_.format("TracksStatus", disc_.lastTrack - disc_.firstTrack + 1,
                                        formatPlayTime(disc_.totalLength));
    updateTimeEstimate();
    updateDiskSpaceEstimate(false);
}

void TrackListModel::rebuildInformation() {
    if (grey_) {
        return;
    }
    for (int number : disc_.rows) {
        TrackRecord& track = disc_.tracks[static_cast<std::size_t>(number)];
        track.information = trackInformationText(texts_, settings_, track.results);
    }
}

void TrackListModel::shutDown() {
    disc_.lastTrack = DiscRecord::kShuttingDown;
    disc_.listReady = false;
}

DiscArrivalDecision TrackListModel::discArrived(const DiscArrivalState& state) {
    DiscArrivalDecision decision;
    if (disc_.lastTrack == DiscRecord::kShuttingDown || state.grabRunning || state.copyRunning ||
        state.playing || state.copyingWindowVisible || state.mp3SettingsOpen) {
        return decision;
    }
    // A list that shows no disc always takes the new one; otherwise only a changed disc.
    if (!grey_ && source_.discUnchanged()) {
        return decision;
    }
    decision.refresh = true;
    decision.abortCddbQueryFirst = state.cddbQueryOpen;
    return decision;
}

std::size_t TrackListModel::rowCount() const {
    return grey_ ? 1 : disc_.rows.size();
}

std::vector<TrackRow> TrackListModel::rows() const {
    std::vector<TrackRow> result;
    if (grey_) {
        TrackRow row;
        row.name = message_;
        result.push_back(row);
        return result;
    }
    for (int number : disc_.rows) {
        const TrackRecord& track = disc_.tracks[static_cast<std::size_t>(number)];
        TrackRow row;
        row.trackNumber = number;
        row.name = track.name;
        row.time = formatPlayTime(track.frames());
        row.size = formatWaveSize(track.frames());
        row.information = track.information;
        row.selected = track.selected;
        row.dataTrack = track.dataTrack;
        result.push_back(std::move(row));
    }
    return result;
}

int TrackListModel::trackNumberAtRow(std::size_t row) const {
    return !grey_ && row < disc_.rows.size() ? disc_.rows[row] : 0;
}

bool TrackListModel::selectable(std::size_t row) const {
    return !grey_ && row < disc_.rows.size() && !disc_.trackAtRow(row).dataTrack;
}

void TrackListModel::toggle(std::size_t row, bool shift) {
    if (grey_ || row >= disc_.rows.size()) {
        return;
    }
    const bool state = !disc_.trackAtRow(row).selected;
    std::size_t from = row;
    std::size_t to = row;
    if (shift && lastClickedRow_ && *lastClickedRow_ < disc_.rows.size()) {
        from = std::min(row, *lastClickedRow_);
        to = std::max(row, *lastClickedRow_);
    }
    for (std::size_t r = from; r <= to; ++r) {
        if (selectable(r)) {
            disc_.trackAtRow(r).selected = state;
        }
    }
    lastClickedRow_ = row;
    selectionChanged();
}

void TrackListModel::rowClicked(std::size_t row) {
    if (!grey_ && row < disc_.rows.size()) {
        lastClickedRow_ = row;
    }
}

void TrackListModel::selectAll() {
    if (grey_) {
        return;
    }
    for (std::size_t r = 0; r < disc_.rows.size(); ++r) {
        if (selectable(r)) {
            disc_.trackAtRow(r).selected = true;
        }
    }
    selectionChanged();
}

void TrackListModel::selectNone() {
    if (grey_) {
        return;
    }
    for (std::size_t r = 0; r < disc_.rows.size(); ++r) {
        disc_.trackAtRow(r).selected = false;
    }
    selectionChanged();
}

void TrackListModel::selectTrack(int trackNumber) {
    for (std::size_t r = 0; r < disc_.rows.size(); ++r) {
        if (trackNumberAtRow(r) == trackNumber && selectable(r)) {
            disc_.trackAtRow(r).selected = true;
        }
    }
    selectionChanged();
}

std::size_t TrackListModel::selectedCount() const {
    if (grey_) {
        return 0;
    }
    return static_cast<std::size_t>(std::count_if(
        disc_.rows.begin(), disc_.rows.end(),
        [this](int number) { return disc_.tracks[static_cast<std::size_t>(number)].selected; }));
}

void TrackListModel::selectionChanged() {
    updateTimeEstimate();
    updateDiskSpaceEstimate(false);
}

RenameResult TrackListModel::rename(std::size_t row, std::string_view text) {
    RenameResult result;
    if (!canEdit() || row >= disc_.rows.size()) {
        return result;
    }
    result.accepted = true;
    result.submissionTitle = text.empty() ? std::string(kEmptyTrackName) : std::string(text);
    auto [name, count] = replaceCounting(result.submissionTitle);
    result.name = name;
    disc_.trackAtRow(row).name = std::move(name);
    if (count > 0) {
        result.replaced = true;
        result.message = texts_.format("InvalidName", '"');
        result.title = std::string(texts_.text("InvalidTrNameTitle"));
        ui_->showNotice(result.message, result.title);
    }
    return result;
}

FieldResult TrackListModel::fieldChanged(std::string_view text, std::string& target) {
    FieldResult result;
    auto [replaced, count] = replaceCounting(text);
    result.text = std::move(replaced);
    result.replacedCount = count;
    result.tagText = result.text.substr(0, kTagFieldLength);
    target = result.text;
    for (int i = 0; i < count; ++i) {
        ui_->beep();
    }
    return result;
}

FieldResult TrackListModel::artistChanged(std::string_view text) {
    return fieldChanged(text, disc_.artist);
}

FieldResult TrackListModel::albumChanged(std::string_view text) {
    return fieldChanged(text, disc_.album);
}

std::optional<std::size_t> TrackListModel::moveByDrop(std::size_t fromRow,
                                                      std::optional<std::size_t> targetRow,
                                                      int offsetInRow) {
    const std::size_t count = disc_.rows.size();
    if (!canEdit() || fromRow >= count || (targetRow && *targetRow >= count)) {
        return std::nullopt;
    }
    // The insertion point among the rows as they stand before the move.
    std::size_t insertAt = count;
    if (targetRow) {
        insertAt = offsetInRow > kDropAfterOffset ? *targetRow + 1 : *targetRow;
    }
    std::size_t destination = insertAt > fromRow ? insertAt - 1 : insertAt;
    if (destination == fromRow) {
        return std::nullopt;
    }
    const int track = disc_.rows[fromRow];
    disc_.rows.erase(disc_.rows.begin() + static_cast<std::ptrdiff_t>(fromRow));
    disc_.rows.insert(disc_.rows.begin() + static_cast<std::ptrdiff_t>(destination), track);
    lastClickedRow_.reset();
    // The rows done by a job and the disk estimate follow list order.
    updateDiskSpaceEstimate(false);
    return destination;
}

void TrackListModel::updateTimeEstimate(const TimeEstimateJob& job) {
    if (disc_.lastTrack == DiscRecord::kShuttingDown) {
        return;
    }
    const std::int64_t seconds =
        grey_ ? 0 : estimateSecondsLeft(disc_, settings_, directEncodeActive_, job);
    statusTimeLeft_ = formatTimeLeft(texts_, seconds);
}

bool TrackListModel::updateDiskSpaceEstimate(bool warn) {
    if (disc_.lastTrack == DiscRecord::kShuttingDown) {
        return true;
    }
    if (grey_) {
        diskSpace_ = DiskSpaceEstimate{};
    } else {
        diskSpace_ = estimateDiskSpace(disc_, settings_, directEncodeActive_,
                                       freeSpace_.freeBytes(settings_.DestinationDirectory));
    }
    statusDisk_ = formatDiskNeeded(texts_, diskSpace_);
    // A selection always enables the commands, even where the estimate comes to 0 bytes
    // (a codec format without a bitrate in its name, tracks under a second long).
    grabEnabled_ = diskSpace_.sum != 0 || selectedCount() > 0;
    // Without a figure for the free space there is nothing to warn about.
    if (warn && diskSpace_.freeKnown && diskSpace_.neededMb > diskSpace_.freeMb) {
        return ui_->askYesNo(
            texts_.format("InsuffDiskSpace", diskSpace_.neededMb, diskSpace_.freeMb),
            std::string(texts_.text("InsuffDiskTitle")));
    }
    return true;
}

}  // namespace ps
