#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

#include "virtual/disc_image.h"

namespace ps {
namespace {

struct CueTrack {
    int number = 0;
    bool data = false;
    int line = 0;
    std::size_t file = 0;
    std::int32_t sessionGap = 0;  // lead-out and lead-in before a new session
    std::int32_t pregap = 0;      // PREGAP: silence that no file holds
    std::int32_t postgap = 0;     // POSTGAP: silence after the track
    std::int32_t index0 = -1;     // sectors from the file's start
    std::int32_t index1 = -1;
    std::string title;
    std::string performer;
};

struct CueFile {
    std::string name;
    std::shared_ptr<std::FILE> handle;
    std::int64_t offset = 0;  // where the sectors begin (after a wave header)
    std::int64_t bytes = 0;
    std::int64_t sectors = 0;
};

std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

// Finds the PCM data of a wave file; only the CD format can stand for disc sectors.
bool waveData(std::FILE* f, std::int64_t& offset, std::int64_t& bytes, std::string& why) {
    unsigned char riff[12];
    if (std::fseek(f, 0, SEEK_SET) != 0 || std::fread(riff, 1, 12, f) != 12 ||
        std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        why = "is not a wave file";
        return false;
    }
    bool format = false;
    std::int64_t at = 12;
    unsigned char chunk[8];
    while (std::fseek(f, static_cast<long>(at), SEEK_SET) == 0 && std::fread(chunk, 1, 8, f) == 8) {
        const std::uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[16];
            if (size < 16 || std::fread(fmt, 1, 16, f) != 16) {
                break;
            }
            const unsigned tag = fmt[0] | (fmt[1] << 8);
            const unsigned channels = fmt[2] | (fmt[3] << 8);
            const std::uint32_t rate = le32(fmt + 4);
            const unsigned bits = fmt[14] | (fmt[15] << 8);
            if (tag != 1 || channels != 2 || rate != 44100 || bits != 16) {
                why = "is not 16-bit stereo 44100 Hz PCM";
                return false;
            }
            format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!format) {
                break;
            }
            offset = at + 8;
            std::fseek(f, 0, SEEK_END);
            bytes = std::min<std::int64_t>(size, std::ftell(f) - offset);
            return true;
        }
        at += 8 + size + (size & 1);
    }
    why = "has no readable wave data";
    return false;
}

// Lead-out (6750) and lead-in (4500) sectors between two sessions; with the usual
// 150-sector pregap this is the 11400-sector gap before the data area of an enhanced disc.
constexpr std::int32_t kSessionGap = 11250;

std::string upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

// Splits a line into words; a double-quoted word keeps its blanks.
std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        std::string w;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                w += line[i++];
            }
            ++i;
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
                w += line[i++];
            }
        }
        out.push_back(w);
    }
    return out;
}

bool parseTime(const std::string& text, std::int32_t& sectors) {
    int m = 0;
    int s = 0;
    int f = 0;
    char c1 = 0;
    char c2 = 0;
    std::istringstream in(text);
    if (!(in >> m >> c1 >> s >> c2 >> f) || c1 != ':' || c2 != ':' || m < 0 || s < 0 || s > 59 ||
        f < 0 || f > 74) {
        return false;
    }
    std::string rest;
    if (in >> rest) {
        return false;
    }
    sectors = m * 4500 + s * 75 + f;
    return true;
}

std::shared_ptr<std::FILE> openFile(const std::string& folder, const std::string& name) {
    std::vector<std::string> candidates;
    std::string unixName = name;
    for (char& c : unixName) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (!unixName.empty() && unixName.front() == '/') {
        candidates.push_back(unixName);
    } else {
        candidates.push_back(folder.empty() ? unixName : folder + "/" + unixName);
    }
    // Sheets written elsewhere often carry a foreign folder; the file usually lies beside.
    const std::size_t slash = unixName.rfind('/');
    if (slash != std::string::npos) {
        const std::string base = unixName.substr(slash + 1);
        candidates.push_back(folder.empty() ? base : folder + "/" + base);
    }
    for (const std::string& path : candidates) {
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            return std::shared_ptr<std::FILE>(f, [](std::FILE* p) { std::fclose(p); });
        }
    }
    return nullptr;
}

}  // namespace

std::shared_ptr<DiscImage> parseCueSheet(const std::string& text, const std::string& folder,
                                         std::string& error) {
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;
    std::string artist;
    std::string album;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    int nextSession = 1;
    int session = 1;
    auto fail = [&](const std::string& why) {
        error = "CUE sheet line " + std::to_string(lineNo) + ": " + why;
        return nullptr;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (lineNo == 1 && line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            line.erase(0, 3);
        }
        const std::vector<std::string> w = words(line);
        if (w.empty()) {
            continue;
        }
        const std::string key = upper(w[0]);
        if (key == "REM" && w.size() > 2 && upper(w[1]) == "SESSION") {
            try {
                nextSession = std::stoi(w[2]);
            } catch (...) {
                return fail("bad session number \"" + w[2] + "\"");
            }
            continue;
        }
        if (key == "REM" || key == "CATALOG" || key == "CDTEXTFILE" || key == "FLAGS" ||
            key == "ISRC" || key == "SONGWRITER") {
            continue;
        }
        if (key == "FILE") {
            if (w.size() < 2) {
                return fail("FILE needs a file name");
            }
            const std::string type = w.size() > 2 ? upper(w[2]) : "BINARY";
            if (type != "BINARY" && type != "WAVE") {
                return fail("file type " + type + " is not supported (BINARY and WAVE are)");
            }
            CueFile f;
            f.name = w[1];
            f.handle = openFile(folder, w[1]);
            if (!f.handle) {
                return fail("cannot open the file \"" + w[1] + "\"");
            }
            std::int64_t bytes = 0;
            if (type == "WAVE") {
                std::string why;
                if (!waveData(f.handle.get(), f.offset, bytes, why)) {
                    return fail("the file \"" + w[1] + "\" " + why);
                }
            } else {
                std::fseek(f.handle.get(), 0, SEEK_END);
                bytes = std::ftell(f.handle.get());
            }
            // A partial last sector is kept, padded with silence.
            f.sectors = (bytes + kImageSectorBytes - 1) / kImageSectorBytes;
            f.bytes = bytes;
            files.push_back(std::move(f));
        } else if (key == "TRACK") {
            if (files.empty()) {
                return fail("TRACK before any FILE");
            }
            if (w.size() < 3) {
                return fail("TRACK needs a number and a type");
            }
            CueTrack t;
            t.line = lineNo;
            // A later session begins after the lead-out and lead-in between the two.
            if (nextSession > session && !tracks.empty()) {
                t.sessionGap = kSessionGap;
            }
            session = std::max(session, nextSession);
            t.file = files.size() - 1;
            try {
                t.number = std::stoi(w[1]);
            } catch (...) {
                t.number = 0;
            }
            const int previous = tracks.empty() ? 0 : tracks.back().number;
            if (t.number < 1 || t.number > 99 || t.number <= previous) {
                return fail("track number " + w[1] + " is not in 1..99 above the previous one");
            }
            const std::string type = upper(w[2]);
            if (type == "AUDIO") {
                t.data = false;
            } else if (type == "MODE1/2352" || type == "MODE2/2352") {
                t.data = true;
            } else {
                return fail("track type " + w[2] +
                            " is not supported (AUDIO, MODE1/2352 and MODE2/2352 are)");
            }
            tracks.push_back(t);
        } else if (key == "INDEX" || key == "PREGAP" || key == "POSTGAP") {
            if (tracks.empty()) {
                return fail(key + " outside a TRACK");
            }
            CueTrack& t = tracks.back();
            const std::string& timeText =
                key == "INDEX" ? (w.size() > 2 ? w[2] : "") : (w.size() > 1 ? w[1] : "");
            std::int32_t at = 0;
            if (!parseTime(timeText, at)) {
                return fail("bad time \"" + timeText + "\" (mm:ss:ff expected)");
            }
            if (key == "PREGAP") {
                t.pregap = at;
            } else if (key == "POSTGAP") {
                t.postgap = at;
            } else {
                int index = -1;
                try {
                    index = std::stoi(w[1]);
                } catch (...) {
                }
                if (index < 0 || index > 99) {
                    return fail("bad index number \"" + w[1] + "\"");
                }
                if (index == 0) {
                    t.index0 = at;
                } else if (index == 1) {
                    if (t.index0 >= 0 && at < t.index0) {
                        return fail("INDEX 01 lies before INDEX 00");
                    }
                    t.index1 = at;
                }
                // Higher indices only mark positions inside the track; nothing reads them.
            }
        } else if (key == "TITLE" || key == "PERFORMER") {
            const std::string value = w.size() > 1 ? w[1] : "";
            std::string& target =
                tracks.empty() ? (key == "TITLE" ? album : artist)
                               : (key == "TITLE" ? tracks.back().title : tracks.back().performer);
            target = value;
        } else {
            return fail("unknown command " + w[0]);
        }
    }
    if (tracks.empty()) {
        error = "the CUE sheet has no tracks";
        return nullptr;
    }
    auto image = std::make_shared<DiscImage>();
    image->setTitles(artist, album);
    std::int64_t cursor = 0;  // disc sector where the next file content goes
    for (std::size_t fi = 0; fi < files.size(); ++fi) {
        const CueFile& f = files[fi];
        std::int64_t filePos = 0;
        auto mapUpTo = [&](std::int64_t fileEnd) {
            if (fileEnd > filePos) {
                const std::int64_t from = filePos * kImageSectorBytes;
                const std::int64_t to = std::min(fileEnd * kImageSectorBytes, f.bytes);
                image->addFile(cursor * kImageSectorBytes, to - from, f.handle, f.offset + from);
                cursor += fileEnd - filePos;
                filePos = fileEnd;
            }
        };
        for (CueTrack& t : tracks) {
            if (t.file != fi) {
                continue;
            }
            lineNo = t.line;
            if (t.index1 < 0) {
                return fail("track " + std::to_string(t.number) + " has no INDEX 01");
            }
            if (t.index1 < filePos || (t.index0 >= 0 && t.index0 < filePos)) {
                return fail("track " + std::to_string(t.number) +
                            " begins before the previous track in its file");
            }
            if (t.index1 > f.sectors) {
                return fail("track " + std::to_string(t.number) + " begins past the end of \"" +
                            f.name + "\"");
            }
            mapUpTo(t.index1);
            // A data track opening a new session has its pregap even when the sheet leaves
            // it out.
            const std::int32_t pregap =
                t.sessionGap > 0 && t.pregap == 0 && t.index0 < 0 ? 150 : t.pregap;
            cursor += t.sessionGap + pregap;
            ImageTrack it;
            it.number = t.number;
            it.data = t.data;
            it.start = static_cast<std::int32_t>(cursor);
            it.pregap = t.sessionGap + pregap + (t.index0 >= 0 ? t.index1 - t.index0 : 0);
            it.title = t.title;
            it.performer = t.performer;
            image->addTrack(it);
            if (t.postgap > 0) {
                // The silence follows this track's content, which runs to the next track
                // in the file or the file's end.
                std::int64_t next = f.sectors;
                for (const CueTrack& u : tracks) {
                    if (u.file == fi && u.number > t.number) {
                        next = u.index0 >= 0 ? u.index0 : u.index1;
                        break;
                    }
                }
                mapUpTo(std::min<std::int64_t>(next, f.sectors));
                cursor += t.postgap;
            }
        }
        mapUpTo(f.sectors);
    }
    for (std::size_t i = 1; i < image->tracks().size(); ++i) {
        if (image->tracks()[i].start <= image->tracks()[i - 1].start) {
            lineNo = tracks[i - 1].line;
            return fail("track " + std::to_string(tracks[i - 1].number) + " is empty");
        }
    }
    if (cursor <= image->tracks().back().start) {
        lineNo = tracks.back().line;
        return fail("track " + std::to_string(tracks.back().number) + " is empty");
    }
    image->setLeadOut(static_cast<std::int32_t>(cursor));
    return image;
}

std::shared_ptr<DiscImage> loadCueSheet(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the CUE sheet \"" + path + "\"";
        return nullptr;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    return parseCueSheet(text.str(), folder, error);
}

}  // namespace ps
