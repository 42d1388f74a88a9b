#include "grab/file_naming.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ps {

namespace {

bool IsForbiddenInName(unsigned char c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) ||
           (c != 0 && std::strchr("\"*/:<>?\\|", c) != nullptr);
}

std::string TwoDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

std::string SimpleName(const Settings& settings, const NamingSources& sources) {
    std::string name;
    bool first = true;
    auto add = [&](const std::string& part) {
        if (!first) {
            name += " - ";
        }
        name += part;
        first = false;
    };
    const std::uint16_t order = settings.trackNameOrderCode();
    for (int shift = 12; shift >= 0; shift -= 4) {
        switch ((order >> shift) & 0xF) {
            case 1:
                if (settings.ArtistAsFileName && !sources.artist.empty()) {
                    add(CleanNamePart(sources.artist));
                }
                break;
            case 2:
                if (settings.AlbumAsFileName && !sources.album.empty()) {
                    add(CleanNamePart(sources.album));
                }
                break;
            case 3:
                if (settings.TrackNumberAsFileName) {
                    add(TwoDigits(sources.trackNumber));
                }
                break;
            case 4:
                if (settings.TrackNameAsFileName) {
                    add(CleanNamePart(sources.trackName));
                }
                break;
            default:
                break;
        }
    }
    return name;
}

std::string AdvancedName(const Settings& settings, const NamingSources& sources) {
    const std::string& pattern = settings.AdvancedNameString;
    std::string name;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '%') {
            if (++i == pattern.size()) {
                break;
            }
            c = pattern[i];
            switch (c) {
                case '1':
                    name += CleanNamePart(sources.artist);
                    continue;
                case '2':
                    name += CleanNamePart(sources.album);
                    continue;
                case '3':
                    name += TwoDigits(sources.trackNumber);
                    continue;
                case '4':
                    name += CleanNamePart(sources.trackName);
                    continue;
                case '5': {
                    char id[16];
                    std::snprintf(id, sizeof id, "%08X", static_cast<unsigned>(sources.cddbId));
                    name += id;
                    continue;
                }
                default:
                    break;  // "%%" and "%x" give the character itself
            }
        }
        name += IsForbiddenInName(static_cast<unsigned char>(c)) ? '-' : c;
    }
    return name;
}

}  // namespace

std::string CleanNamePart(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (IsForbiddenInName(static_cast<unsigned char>(c))) {
            c = '-';
        }
    }
    return out;
}

std::string BuildFileName(const Settings& settings, const NamingSources& sources) {
    std::string name =
        settings.AdvancedNaming ? AdvancedName(settings, sources) : SimpleName(settings, sources);
    name.resize(std::min(name.size(), kNameBufferLength));
    if (name.empty()) {
        name = TwoDigits(sources.trackNumber);
    }
    if (settings.ReplaceSpaces) {
        std::replace(name.begin(), name.end(), ' ', '_');
    }
    return name;
}

std::string FileSystemComponent(std::string_view text, std::size_t maxBytes) {
    std::string out;
    for (unsigned char c : text) {
        char encoded[2];
        std::size_t length = 1;
        if (IsForbiddenInName(c)) {
            encoded[0] = '-';
        } else if (c < 0x80) {
            encoded[0] = static_cast<char>(c);
        } else {
            encoded[0] = static_cast<char>(0xC0 | (c >> 6));
            encoded[1] = static_cast<char>(0x80 | (c & 0x3F));
            length = 2;
        }
        if (out.size() + length > maxBytes) {
            break;
        }
        out.append(encoded, length);
    }
    return out;
}

std::string DirectoryComponent(std::string_view text) {
    std::string out = FileSystemComponent(text);
    if (!out.empty() && out.find_first_not_of('.') == std::string::npos) {
        std::replace(out.begin(), out.end(), '.', '-');
    }
    return out;
}

}  // namespace ps
