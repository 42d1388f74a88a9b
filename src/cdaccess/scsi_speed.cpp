#include "cdaccess/scsi_speed.h"

#include <cstdio>
#include <cstdlib>

#include "cdaccess/drive_types.h"

namespace ps {

namespace {

std::string_view withoutLeadingBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

// The number at the start of a text, as the C library reads it; 0 when there is none.
double leadingNumber(std::string_view text) {
    const std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

}  // namespace

std::string speedFactorText(int factor) {
    char text[32];
    std::snprintf(text, sizeof text, factor < 10 ? "  %d.00 X" : "%d.00 X", factor);
    return text;
}

int speedRequest(int factor, int attempt) {
    return factor * 176400 / 1000 + attempt;
}

SpeedList fixedSpeedList(int typeIndex) {
    SpeedList list{{"Default", 0}};
    auto add = [&list](std::initializer_list<const char*> texts) {
        for (const char* text : texts) {
            list.push_back({text, 0});
        }
    };
    switch (typeIndex) {
        case drive_type::kPanasonic:
        case drive_type::kToshibaNew:
            add({"  1.00 X", "Maximum"});
            break;
        case drive_type::kPhilips:
            add({"  1.00 X", "  2.00 X", "  6.00 X"});
            break;
        case drive_type::kPlextor:
            add({"  1.00 X", "  2.00 X", "  4.00 X", "  8.00 X", "10X-20X CAV", "17X-40X CAV",
                 "Maximum"});
            break;
        default:
            break;
    }
    return list;
}

SpeedList allAtapiSpeeds() {
    SpeedList list{{"Default", 0}};
    for (int factor = 1; factor <= kMaxSpeedFactor; ++factor) {
        list.push_back({speedFactorText(factor), factor});
    }
    return list;
}

int matchSpeedEntry(const SpeedList& list, std::string_view saved, bool atapi) {
    if (atapi) {
        const double wanted = leadingNumber(saved);
        if (wanted <= 0) {
            return 0;
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            const double value = leadingNumber(list[i].text);
            if (value > 0 && value == wanted) {
                return static_cast<int>(i);
            }
        }
        return 0;
    }
    // The saved text may have lost its leading blanks on the way through the
    // settings file, so both sides are compared without them.
    const std::string_view wanted = withoutLeadingBlanks(saved);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (withoutLeadingBlanks(list[i].text) == wanted) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

}  // namespace ps
