#include "virtual/virtual_faults.h"

#include <charconv>
#include <cstdlib>

namespace ps {
namespace {

bool parseInt(const std::string& text, long long& value) {
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool parseSector(const std::string& text, std::int32_t& sector) {
    long long v = 0;
    if (!parseInt(text, v) || v < 0 || v > 0x7FFFFFFF) {
        return false;
    }
    sector = static_cast<std::int32_t>(v);
    return true;
}

bool parseDouble(const std::string& text, double& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && value >= 0.0;
}

}  // namespace

bool parseVirtualFaults(const std::string& text, VirtualFaults& faults, std::string& error) {
    VirtualFaults parsed = faults;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t comma = text.find(',', pos);
        if (comma == std::string::npos) {
            comma = text.size();
        }
        std::string entry = text.substr(pos, comma - pos);
        pos = comma + 1;
        while (!entry.empty() && entry.front() == ' ') {
            entry.erase(entry.begin());
        }
        while (!entry.empty() && entry.back() == ' ') {
            entry.pop_back();
        }
        if (entry.empty()) {
            continue;
        }
        const std::size_t eq = entry.find('=');
        const std::string key = entry.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : entry.substr(eq + 1);
        const bool hasValue = eq != std::string::npos;
        long long n = 0;
        bool ok = true;
        if (key == "seed") {
            ok = hasValue && parseInt(value, n) && n >= 0 && n <= 0xFFFFFFFFLL;
            parsed.seed = static_cast<std::uint32_t>(n);
        } else if (key == "jitter") {
            ok = hasValue && parseInt(value, n) && n >= 0 && n <= 100000;
            parsed.jitterFrames = static_cast<int>(n);
        } else if (key == "swap" && !hasValue) {
            parsed.swapBytes = true;
        } else if (key == "error") {
            SectorErrorFault fault;
            std::string range = value;
            const std::size_t slash = range.find('/');
            if (slash != std::string::npos) {
                ok = parseInt(range.substr(slash + 1), n) && n > 0 && n < 1000000;
                fault.failCount = static_cast<int>(n);
                range = range.substr(0, slash);
            }
            const std::size_t dash = range.find('-');
            if (ok && dash != std::string::npos) {
                ok = parseSector(range.substr(0, dash), fault.first) &&
                     parseSector(range.substr(dash + 1), fault.last) && fault.first <= fault.last;
            } else if (ok) {
                ok = parseSector(range, fault.first);
                fault.last = fault.first;
            }
            ok = ok && hasValue;
            parsed.errors.push_back(fault);
        } else if (key == "speed") {
            ok = hasValue && parseDouble(value, parsed.speed);
        } else if (key == "slow") {
            ok = hasValue && parseInt(value, n) && n >= 0 && n <= 600000;
            parsed.slowMs = static_cast<int>(n);
        } else if (key == "timeout" || key == "short") {
            std::int32_t sector = 0;
            ok = hasValue && parseSector(value, sector);
            (key == "timeout" ? parsed.timeoutSectors : parsed.shortSectors).push_back(sector);
        } else if (key == "nodisc" && !hasValue) {
            parsed.noDisc = true;
        } else if (key == "tray") {
            ok = value == "open" || value == "closed";
            parsed.trayOpen = value == "open";
        } else if (key == "vendor") {
            parsed.vendor = value;
            ok = hasValue && !value.empty();
        } else if (key == "product") {
            parsed.product = value;
            ok = hasValue && !value.empty();
        } else if (key == "revision") {
            parsed.revision = value;
            ok = hasValue && !value.empty();
        } else if (key == "scsi" && !hasValue) {
            parsed.scsi = true;
        } else {
            error = "unknown virtual drive fault \"" + entry + "\"";
            return false;
        }
        if (!ok) {
            error = "bad value in virtual drive fault \"" + entry + "\"";
            return false;
        }
    }
    faults = std::move(parsed);
    return true;
}

}  // namespace ps
