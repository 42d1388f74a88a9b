#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

// Longest value a profile read returns (the platform's read buffer holds 256 bytes);
// longer values are cut on writing as well, so that memory and file agree.
inline constexpr std::size_t kProfileValueMax = 255;
// The default text every settings read asks for: a result equal to it means "missing".
inline constexpr std::string_view kProfileMissing = "Nix";

// Value encodings shared by every private-profile file of the program.
// True for an upper-cased "TRUE" or "YES", or exactly "1".
bool profileBool(std::string_view text);
// Strict decimal (optional sign, digits only, within int range); anything else is read
// as a boolean and gives 1 or 0.
int profileInt(std::string_view text);
// "True" / "False".
const char* profileBoolText(bool value);

// A private-profile file (Windows INI format) held in memory: loaded once, read many
// times, changed in memory and saved as a whole by an atomic replace. Section and key
// names compare case-insensitively (ASCII). Lines that are not sections or keys (comments,
// blank lines, text before the first section) are kept as they are.
//
// A value never spans lines: on writing, each line break (CR, LF or CR LF) and each NUL
// becomes one space. A value with leading or trailing blanks, or one that begins and ends
// with the same quote character, is written in double quotes; reading strips one pair of
// matching quotes, as the platform's profile functions do, so such values read back
// unchanged.
class ProfileFile {
  public:
    ProfileFile() = default;
    // Loads `path`; a missing or unreadable file gives an empty profile.
    explicit ProfileFile(std::string path);

    // Replaces the contents with the file at `path` and remembers the path for save().
    // Returns whether a file was read; a missing or unreadable file reads as empty.
    bool load(const std::string& path);
    const std::string& path() const { return path_; }

    // Writes the whole profile to a temporary file beside the target and renames it over
    // the target, so a failure never leaves a half-written file. False on any failure.
    bool save() const;
    bool saveAs(const std::string& path) const;

    // The current section and key for the short read and write forms below.
    void setSection(std::string_view section) { section_ = section; }
    void setKey(std::string_view key) { key_ = key; }
    const std::string& section() const { return section_; }
    const std::string& key() const { return key_; }

    // Reads of the current section and key. A missing key gives `defaultText` (cut to
    // 255 characters like any value). readBool and readInt return `fallback` when the
    // key is missing or its value is "Nix".
    std::string readText(std::string_view defaultText = kProfileMissing) const;
    bool readBool(bool fallback) const;
    int readInt(int fallback) const;
    bool hasKey() const;

    // In-memory writes of the current section and key; the key keeps its place, a new
    // key goes to the end of its section, a new section to the end of the file. False
    // (nothing changed) for a section or key name that the format cannot hold: empty,
    // with a line break or NUL, a key with "=" or beginning with "[" or ";", a section
    // with "]", or a name with leading or trailing blanks.
    bool writeText(std::string_view value);
    bool writeBool(bool value);
    bool writeInt(long long value);
    // Writes in memory and at once into the file: the file is read afresh, only this key
    // is changed in it and it is saved, so other changes in the file stay.
    bool writeTextThrough(std::string_view value);

    // The same with an explicit section and key.
    std::string readText(std::string_view section, std::string_view key,
                         std::string_view defaultText = kProfileMissing) const;
    bool hasKey(std::string_view section, std::string_view key) const;
    bool writeText(std::string_view section, std::string_view key, std::string_view value);
    bool eraseKey(std::string_view section, std::string_view key);
    // The key names of a section in file order (first spelling of each).
    std::vector<std::string> keys(std::string_view section) const;

    // Changes one key of the file at `path` in place (read, change, atomic save).
    static bool writeThrough(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view value);

    // The file as save() would write it.
    std::string serialize() const;

  private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        Kind kind = Kind::Other;
        std::string raw;    // the line as written, without its end of line
        std::string name;   // section or key name
        std::string value;  // entry value, decoded
    };

    static Line parseLine(std::string raw);
    // Index of the section header, or npos.
    std::size_t findSection(std::string_view section) const;
    // One past the last line of the section that starts at `header`.
    std::size_t sectionEnd(std::size_t header) const;
    std::size_t findEntry(std::string_view section, std::string_view key) const;

    std::string path_;
    std::string section_;
    std::string key_;
    std::vector<Line> lines_;
    bool crlf_ = false;
    bool bom_ = false;
};

}  // namespace ps
