#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "audio/rip_processor.h"
#include "cli/cli_program.h"
#include "cli/command.h"
#include "cli/json.h"
#include "grab/status_report.h"
#include "i18n/character_set.h"

namespace ps::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
}

// Track numbers and ranges such as "1,3-5"; false for anything else.
bool parseTrackList(const std::string& text, std::set<int>& numbers) {
    std::size_t position = 0;
    while (position <= text.size()) {
        const std::size_t comma = text.find(',', position);
        const std::string item = text.substr(
            position, comma == std::string::npos ? std::string::npos : comma - position);
        const std::size_t dash = item.find('-');
        try {
            std::size_t used = 0;
            const int first = std::stoi(item.substr(0, dash), &used);
            if (used != (dash == std::string::npos ? item.size() : dash)) {
                return false;
            }
            int last = first;
            if (dash != std::string::npos) {
                const std::string tail = item.substr(dash + 1);
                last = std::stoi(tail, &used);
                if (used != tail.size()) {
                    return false;
                }
            }
            if (first < 1 || last < first || last > DiscRecord::kMaxTrackNumber) {
                return false;
            }
            for (int number = first; number <= last; ++number) {
                numbers.insert(number);
            }
        } catch (const std::exception&) {
            return false;
        }
        if (comma == std::string::npos) {
            break;
        }
        position = comma + 1;
    }
    return !numbers.empty();
}

std::string terminalText(const std::string& text, const TextTable& texts) {
    return textToUtf8(text, texts.characterSet());
}

// The job shown on a terminal: messages on standard error, one progress bar per track,
// and Ctrl+C as "Abort all".
class ConsoleGrabUi final : public GrabUi {
  public:
    ConsoleGrabUi(const TextTable& texts, CopyingWindow* window, bool bars)
        : texts_(texts), window_(window), bars_(bars) {
        if (window_ != nullptr && bars_) {
            window_->changed = [this](CopyingWindow::Field field) {
                if (field == CopyingWindow::Field::Percent) {
                    drawBar();
                }
            };
        }
    }
    ~ConsoleGrabUi() override {
        if (window_ != nullptr) {
            window_->changed = nullptr;
        }
    }

    void showMessage(const std::string& text, const std::string& title, MessageIcon) override {
        endBar();
        std::fprintf(stderr, "%s: %s\n", terminalText(title, texts_).c_str(),
                     terminalText(text, texts_).c_str());
    }
    void showCopying(const CopyingTrackInfo& info) override {
        endBar();
        caption_ = terminalText(info.caption, texts_);
        if (window_ != nullptr) {
            window_->abortFlags().clear();
        }
        drawBar();
    }
    void setCopyingCaption(const std::string& caption) override {
        caption_ = terminalText(caption, texts_);
        drawBar();
    }
    void hideCopying() override { endBar(); }
    bool skipRequested() override {
        return interrupted != 0 || (window_ != nullptr && window_->abortFlags().track);
    }
    bool abortAllRequested() override {
        if (interrupted != 0 && window_ != nullptr) {
            window_->abortFlags().track = true;
            window_->abortFlags().all = true;
        }
        return interrupted != 0 || (window_ != nullptr && window_->abortFlags().all);
    }
    void clearAbortRequests() override {
        if (window_ != nullptr) {
            window_->abortFlags().clear();
        }
    }

  private:
    void drawBar() {
        if (!bars_ || caption_.empty()) {
            return;
        }
        const int percent = window_ != nullptr ? window_->percent : 0;
        const int filled = percent * 30 / 100;
        std::fprintf(stdout, "\r%-40.40s [%s%s] %3d%%", caption_.c_str(),
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(30 - filled), ' ').c_str(), percent);
        std::fflush(stdout);
        barShown_ = true;
    }
    void endBar() {
        if (barShown_) {
            std::fputc('\n', stdout);
            barShown_ = false;
        }
    }

    const TextTable& texts_;
    CopyingWindow* window_;
    bool bars_;
    std::string caption_;
    bool barShown_ = false;
};

std::string hexText(const char* format, std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, format, static_cast<unsigned long>(value));
    return buffer;
}

int runGrab(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = takeFlag(args, "--json");
    const bool test = takeFlag(args, "--test");
    std::vector<std::string> lists, setValues;
    if (!takeOptionValues(args, "--tracks", lists) || !takeOptionValues(args, "--set", setValues) ||
        lists.size() > 1 || !args.empty()) {
        std::fprintf(stderr,
                     "usage: platterscoop-cli grab [--tracks LIST] [--test] [--set KEY=VALUE]... "
                     "[--json]\n");
        return 2;
    }
    std::set<int> wanted;
    if (!lists.empty() && !parseTrackList(lists.front(), wanted)) {
        std::fprintf(stderr, "grab: \"%s\" is not a list of tracks such as 1,3-5\n",
                     lists.front().c_str());
        return 2;
    }
    std::vector<std::pair<std::string, std::string>> overrides;
    if (!parseSettingOverrides(setValues, overrides)) {
        return 2;
    }
    CliProgram program;
    if (!program.create(overrides)) {
        return 1;
    }
    ProgramShell& shell = *program.shell;
    if (!shell.refresh()) {
        std::fprintf(stderr, "%s\n", terminalText(shell.tracks->messageRow(), shell.texts).c_str());
        return 1;
    }
    DiscRecord& disc = shell.disc;
    if (!wanted.empty()) {
        shell.tracks->selectNone();
        for (int number : wanted) {
            bool found = false;
            for (std::size_t row = 0; row < disc.rows.size(); ++row) {
                if (disc.rows[row] == number && !disc.trackAtRow(row).dataTrack) {
                    shell.tracks->toggle(row);
                    found = true;
                }
            }
            if (!found) {
                std::fprintf(stderr, "grab: the disc has no audio track %d\n", number);
                return 2;
            }
        }
    }

    interrupted = 0;
    std::signal(SIGINT, onInterrupt);
    ConsoleGrabUi ui(shell.texts, shell.readMethod->aspiBackend().copyingWindow(),
                     !json && ::isatty(STDOUT_FILENO) != 0);
    const GrabOutcome outcome = shell.grab(test ? GrabMode::Test : GrabMode::Grab, ui, [] {});
    std::signal(SIGINT, SIG_DFL);

    std::vector<std::string> waves(disc.rows.size());
    for (std::size_t row = 0; row < disc.rows.size(); ++row) {
        waves[row] = disc.trackAtRow(row).results.wavePath;
    }
    bool allCopied = outcome != GrabOutcome::NotStarted;
    for (std::size_t row = 0; row < disc.rows.size(); ++row) {
        const TrackRecord& track = disc.trackAtRow(row);
        if (track.selected && track.results.copyStatus != 256) {
            allCopied = false;
        }
    }

    if (json) {
        std::string out =
            "{\"disc\":{\"artist\":" + jsonString(disc.artist) +
            ",\"album\":" + jsonString(disc.album) +
            ",\"cddb_id\":" + jsonString(hexText("%08lx", shell.cddbNumbers.currentDiscId)) +
            ",\"cdplayer_number\":" + jsonString(hexText("%lX", disc.cdPlayerNumber)) +
            "},\"tracks\":[";
        bool first = true;
        for (std::size_t row = 0; row < disc.rows.size(); ++row) {
            const TrackRecord& track = disc.trackAtRow(row);
            if (!track.selected) {
                continue;
            }
            const TrackCopyResults& results = track.results;
            const bool copied = results.copyStatus == 256 && results.checksumState >= 0 &&
                                results.checksumAvailable;
            const std::string checksum =
                copied ? jsonString(RipChecksumText(
                             {results.checksum,
                              static_cast<RipSilenceKind>(results.checksumState & 3)}))
                       : "null";
            out += first ? "" : ",";
            first = false;
            out +=
                "{\"number\":" + std::to_string(disc.rows[row]) +
                ",\"row\":" + std::to_string(row) + ",\"name\":" + jsonString(track.name) +
                ",\"status\":" + std::to_string(results.copyStatus) + ",\"checksum\":" + checksum +
                ",\"wave\":" + (waves[row].empty() ? std::string("null") : jsonString(waves[row])) +
                ",\"compressed\":" +
                (results.compressedPath.empty() ? std::string("null")
                                                : jsonString(results.compressedPath)) +
                ",\"information\":" + jsonString(track.information) + "}";
        }
        out += "]}\n";
        std::fputs(out.c_str(), stdout);
    } else {
        std::string listing = TrackListText(disc, true);
        std::string plain;
        for (char c : listing) {
            if (c != '\r') {
                plain += c;
            }
        }
        std::printf("%s\n", terminalText(plain, shell.texts).c_str());
        for (std::size_t row = 0; row < disc.rows.size(); ++row) {
            if (!waves[row].empty()) {
                std::printf("%s\n", waves[row].c_str());
            }
            const std::string& compressed = disc.trackAtRow(row).results.compressedPath;
            if (!compressed.empty()) {
                std::printf("%s\n", compressed.c_str());
            }
        }
    }
    return allCopied ? 0 : 1;
}

const RegisterCommand registerGrab{
    {"grab", "grab [--tracks LIST] [--test] [--set KEY=VALUE]... [--json]   grab the disc's tracks",
     runGrab}};

}  // namespace
}  // namespace ps::cli
