#include "app/profile_file.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace ps {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool quotedPair(std::string_view text) {
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
           text.back() == text.front();
}

bool hasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool validSectionName(std::string_view name) {
    return !name.empty() && trim(name).size() == name.size() && !hasLineBreakOrNul(name) &&
           name.find(']') == std::string_view::npos;
}

bool validKeyName(std::string_view name) {
    return !name.empty() && trim(name).size() == name.size() && !hasLineBreakOrNul(name) &&
           name.find('=') == std::string_view::npos && name.front() != '[' && name.front() != ';';
}

// Line breaks and NULs would let a value end its line early and start a new key or
// section on reading; each becomes a single space.
std::string flattenValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
            continue;  // the LF that follows gives the one space
        }
        out.push_back((c == '\r' || c == '\n' || c == '\0') ? ' ' : c);
    }
    if (out.size() > kProfileValueMax) {
        out.resize(kProfileValueMax);
    }
    return out;
}

std::string encodedValue(const std::string& value) {
    const bool needsQuotes =
        !value.empty() && (isBlank(value.front()) || isBlank(value.back()) || quotedPair(value));
    return needsQuotes ? "\"" + value + "\"" : value;
}

std::string cut(std::string_view text) {
    return std::string(text.substr(0, kProfileValueMax));
}

}  // namespace

bool profileBool(std::string_view text) {
    if (text == "1") {
        return true;
    }
    std::string upper(text);
    for (char& c : upper) {
        c = upperAscii(c);
    }
    return upper == "TRUE" || upper == "YES";
}

int profileInt(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-') {
            return profileBool(text) ? 1 : 0;
        }
    }
    int value = 0;
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(digits.data(), end, value, 10);
    if (!digits.empty() && result.ec == std::errc() && result.ptr == end) {
        return value;
    }
    return profileBool(text) ? 1 : 0;
}

const char* profileBoolText(bool value) {
    return value ? "True" : "False";
}

ProfileFile::ProfileFile(std::string path) {
    load(path);
}

ProfileFile::Line ProfileFile::parseLine(std::string raw) {
    Line line;
    // A NUL ends the line's text, as it would for the platform's string functions.
    if (const auto nul = raw.find('\0'); nul != npos) {
        raw.resize(nul);
    }
    line.raw = std::move(raw);
    const std::string_view text = trim(line.raw);
    if (text.empty() || text.front() == ';' || text.front() == '#') {
        return line;
    }
    if (text.front() == '[') {
        std::string_view name = text.substr(1);
        if (const auto close = name.find(']'); close != std::string_view::npos) {
            name = name.substr(0, close);
        }
        line.kind = Kind::Section;
        line.name = std::string(trim(name));
        return line;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) {
        return line;
    }
    const std::string_view key = trim(text.substr(0, equals));
    if (key.empty()) {
        return line;
    }
    std::string_view value = trim(text.substr(equals + 1));
    if (quotedPair(value)) {
        value = value.substr(1, value.size() - 2);
    }
    line.kind = Kind::Entry;
    line.name = std::string(key);
    line.value = std::string(value);
    return line;
}

bool ProfileFile::load(const std::string& path) {
    path_ = path;
    lines_.clear();
    crlf_ = false;
    bom_ = false;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return false;
    }
    std::string_view rest(content);
    if (rest.substr(0, kBom.size()) == kBom) {
        bom_ = true;
        rest.remove_prefix(kBom.size());
    }
    bool first = true;
    while (!rest.empty()) {
        auto end = rest.find('\n');
        std::string_view raw = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
            if (first) {
                crlf_ = true;
            }
        }
        first = false;
        lines_.push_back(parseLine(std::string(raw)));
    }
    return true;
}

std::string ProfileFile::serialize() const {
    std::string out;
    if (bom_) {
        out += kBom;
    }
    const char* eol = crlf_ ? "\r\n" : "\n";
    for (const Line& line : lines_) {
        out += line.raw;
        out += eol;
    }
    return out;
}

bool ProfileFile::save() const {
    return saveAs(path_);
}

bool ProfileFile::saveAs(const std::string& path) const {
    namespace fs = std::filesystem;
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    fs::path target(path);
    // Replace the file a link points to, not the link.
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::canonical(target, ec);
        if (ec) {
            return false;
        }
        target = resolved;
    }
    const std::string content = serialize();

    std::random_device seed;
    std::mt19937 random(seed());
    fs::path temp;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 8 && file == nullptr; ++attempt) {
        temp = target;
        temp += "." + std::to_string(random() % 1000000) + ".tmp";
        file = std::fopen(temp.c_str(), "wbx");  // never reuse a file that exists
    }
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok) {
        const auto old = fs::status(target, ec);
        if (!ec && fs::exists(old)) {
            fs::permissions(temp, old.permissions(), ec);
        }
        ec.clear();
        fs::rename(temp, target, ec);
        ok = !ec;
    }
    if (!ok) {
        fs::remove(temp, ec);
    }
    return ok;
}

std::size_t ProfileFile::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && equalNoCase(lines_[i].name, section)) {
            return i;
        }
    }
    return npos;
}

std::size_t ProfileFile::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section) {
        ++i;
    }
    return i;
}

std::size_t ProfileFile::findEntry(std::string_view section, std::string_view key) const {
    const std::size_t header = findSection(section);
    if (header == npos) {
        return npos;
    }
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Entry && equalNoCase(lines_[i].name, key)) {
            return i;
        }
    }
    return npos;
}

std::string ProfileFile::readText(std::string_view defaultText) const {
    return readText(section_, key_, defaultText);
}

std::string ProfileFile::readText(std::string_view section, std::string_view key,
                                  std::string_view defaultText) const {
    const std::size_t at = findEntry(section, key);
    return at == npos ? cut(defaultText) : cut(lines_[at].value);
}

bool ProfileFile::readBool(bool fallback) const {
    const std::string text = readText(kProfileMissing);
    return text == kProfileMissing ? fallback : profileBool(text);
}

int ProfileFile::readInt(int fallback) const {
    const std::string text = readText(kProfileMissing);
    return text == kProfileMissing ? fallback : profileInt(text);
}

bool ProfileFile::hasKey() const {
    return hasKey(section_, key_);
}

bool ProfileFile::hasKey(std::string_view section, std::string_view key) const {
    return findEntry(section, key) != npos;
}

bool ProfileFile::writeText(std::string_view value) {
    return writeText(section_, key_, value);
}

bool ProfileFile::writeBool(bool value) {
    return writeText(profileBoolText(value));
}

bool ProfileFile::writeInt(long long value) {
    return writeText(std::to_string(value));
}

bool ProfileFile::writeText(std::string_view section, std::string_view key,
                            std::string_view value) {
    if (!validSectionName(section) || !validKeyName(key)) {
        return false;
    }
    const std::string flat = flattenValue(value);
    if (const std::size_t at = findEntry(section, key); at != npos) {
        Line& line = lines_[at];
        line.value = flat;
        line.raw = line.name + "=" + encodedValue(flat);
        return true;
    }
    Line entry;
    entry.kind = Kind::Entry;
    entry.name = std::string(key);
    entry.value = flat;
    entry.raw = entry.name + "=" + encodedValue(flat);

    std::size_t header = findSection(section);
    if (header == npos) {
        if (!lines_.empty() && !trim(lines_.back().raw).empty()) {
            lines_.push_back(Line{});
        }
        lines_.push_back(parseLine("[" + std::string(section) + "]"));
        lines_.push_back(std::move(entry));
        return true;
    }
    // After the section's last non-blank line, so the blank line before the next
    // section stays where it is.
    std::size_t insertAt = header + 1;
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (!trim(lines_[i].raw).empty()) {
            insertAt = i + 1;
        }
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
    return true;
}

bool ProfileFile::eraseKey(std::string_view section, std::string_view key) {
    const std::size_t at = findEntry(section, key);
    if (at == npos) {
        return false;
    }
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

std::vector<std::string> ProfileFile::keys(std::string_view section) const {
    std::vector<std::string> names;
    const std::size_t header = findSection(section);
    if (header == npos) {
        return names;
    }
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind != Kind::Entry) {
            continue;
        }
        bool seen = false;
        for (const std::string& name : names) {
            seen = seen || equalNoCase(name, lines_[i].name);
        }
        if (!seen) {
            names.push_back(lines_[i].name);
        }
    }
    return names;
}

bool ProfileFile::writeTextThrough(std::string_view value) {
    if (!writeText(value)) {
        return false;
    }
    return writeThrough(path_, section_, key_, value);
}

bool ProfileFile::writeThrough(const std::string& path, std::string_view section,
                               std::string_view key, std::string_view value) {
    ProfileFile file;
    file.load(path);
    return file.writeText(section, key, value) && file.save();
}

}  // namespace ps
