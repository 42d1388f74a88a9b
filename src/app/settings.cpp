#include "app/settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "app/profile_file.h"

namespace ps {

namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return upper(a) == upper(b);
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A decimal number in the point notation, nothing else; infinities and NaN are refused.
bool parseFraction(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    double parsed = 0.0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

// Keeps only the low 16 bits, signed, as the int16 keys do.
std::int16_t low16(int value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<unsigned>(value)));
}

std::string firstChars(const std::string& text, std::size_t count) {
    return text.substr(0, std::min(count, text.size()));
}

// Drive index from the first character of a drive key: letters are upper-cased by
// clearing bit 5; anything that is not then a letter gives no drive.
int driveIndex(const std::string& text) {
    if (text == kProfileMissing || text.empty()) {
        return -1;
    }
    int c = static_cast<unsigned char>(text.front());
    if (c > 64) {
        c &= ~0x20;
    }
    return (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
}

std::string defaultDestination(const SettingsEnvironment& environment) {
    return environment.defaultDestinationDirectory.empty()
               ? environment.programDirectory
               : environment.defaultDestinationDirectory;
}

// Reads one key of [MAIN] at a time with the encodings of the settings file; every read
// asks for "Nix", and "Nix" leaves the field at its default.
struct Reader {
    const ProfileFile& file;
    const SettingsEnvironment& environment;
    const std::string& path;
    const std::vector<std::pair<std::string, std::string>>& overrides;
    std::string_view key;
    bool fileRead = false;

    std::string text() const { return file.readText(kSettingsSection, key, kProfileMissing); }

    bool overridden() const {
        return std::any_of(overrides.begin(), overrides.end(),
                           [this](const auto& entry) { return equalNoCase(entry.first, key); });
    }

    void boolean(bool& field) const {
        const std::string value = text();
        if (value != kProfileMissing) {
            field = profileBool(value);
        }
    }
    // Returns whether the key was present.
    bool integer(int& field) const {
        const std::string value = text();
        if (value == kProfileMissing) {
            return false;
        }
        field = profileInt(value);
        return true;
    }
    bool int16(std::int16_t& field) const {
        int value = field;
        if (!integer(value)) {
            return false;
        }
        field = low16(value);
        return true;
    }
    // A fraction that is not a number falls back to the boolean rule, like an integer.
    void fraction(double& field) const {
        const std::string value = text();
        if (value == kProfileMissing) {
            return;
        }
        if (!parseFraction(value, field)) {
            field = profileBool(value) ? 1.0 : 0.0;
        }
    }
    void plainText(std::string& field) const {
        std::string value = text();
        if (value != kProfileMissing) {
            field = std::move(value);
        }
    }
    // Rule for the drive family, rip method and speed: "Nix" in any case, a missing key
    // or an empty value keeps the default.
    void textOrDefault(std::string& field) const {
        std::string value = text();
        if (!value.empty() && upper(value) != "NIX") {
            field = std::move(value);
        }
    }
};

void clampInt(int& value, int low, int high) {
    value = std::clamp(value, low, high);
}

void clampCodecFactor(double& value) {
    if (!(value > 0.0)) {
        value = 2.0;
    } else if (value > 100.0) {
        value = 100.0;
    }
}

void readEncodingSpeed(Settings& s, const Reader& r) {
    const std::string value = r.text();
    if (value == kProfileMissing) {
        return;
    }
    std::string_view rest(value);
    for (std::size_t i = 0; i < s.EncodingSpeed.size(); ++i) {
        const auto comma = rest.find(',');
        double number = 0.0;
        if (parseFraction(trimBlanks(rest.substr(0, comma)), number) && number > 0.0) {
            s.EncodingSpeed[i] = number;
        }
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
}

void applyWindowRules(Settings& s, const SettingsEnvironment& env) {
    if (env.screenWidth > 0 && s.WindowWidth > env.screenWidth) {
        s.WindowWidth = 0;
    }
    if (env.screenHeight > 0 && s.WindowHeight > env.screenHeight) {
        s.WindowHeight = 0;
    }
    if (s.WindowTop < -9) {
        s.WindowTop = -10;
    }
    if (s.WindowLeft < -200) {
        s.WindowLeft = -10;
    }
    if (env.screenHeight > 0 && s.WindowTop > env.screenHeight - 200) {
        s.WindowTop = -10;
    }
    if (env.screenWidth > 0 && s.WindowLeft > env.screenWidth - 200) {
        s.WindowLeft = -10;
    }
    if (s.Column1Width != -1 && s.Column1Width < 50) {
        s.Column1Width = 50;
    }
    for (std::int16_t* column : {&s.Column2Width, &s.Column3Width, &s.Column4Width}) {
        if (*column != -1 && *column < 20) {
            *column = 20;
        }
    }
    s.applySavedWindowLayout = s.Column1Width != -1 && s.Column2Width != -1 &&
                               s.Column3Width != -1 && s.Column4Width != -1 && s.WindowWidth != 0 &&
                               s.WindowHeight != 0 && s.WindowLeft != -10 && s.WindowTop != -10;
    if (!s.applySavedWindowLayout) {
        // Centred with the designed size; Save then writes what the window really had.
        s.WindowTop = -10;
        s.WindowWidth = low16(env.designedWindowWidth);
        s.WindowHeight = low16(env.designedWindowHeight);
    }
}

void applyPlayerIconRule(Settings& s, const SettingsEnvironment& env) {
    if (!s.playerIconFromPlayer()) {
        return;
    }
    const int icons =
        (s.MP3Player.empty() || !env.playerIconCount) ? -1 : env.playerIconCount(s.MP3Player);
    // A program without icons has none to show either.
    if (icons <= 0) {
        s.MP3PlayerIcon = "Default";
        return;
    }
    s.MP3PlayerCurrentIcon = std::clamp(s.MP3PlayerCurrentIcon, 0, icons - 1);
}

using Rule = void (*)(Settings&, Reader&);
struct KeyRule {
    std::string_view key;
    Rule read;
};

// Every key in reading order with its reading rule.
const std::vector<KeyRule>& keyRules() {
    static const std::vector<KeyRule> rules = {
        // General and start-up
        {"Language", [](Settings& s, Reader& r) { r.plainText(s.Language); }},
        {"MultipleInstances", [](Settings& s, Reader& r) { r.boolean(s.MultipleInstances); }},
        {"Debug", [](Settings& s, Reader& r) { r.int16(s.Debug); }},
        {"ProgramRunning",
         [](Settings& s, Reader& r) {
             bool running = false;
             r.boolean(running);
             s.programWasRunning = running;
             s.ProgramRunning = false;
         }},
        {"DisplayTipOfTheDay", [](Settings& s, Reader& r) { r.boolean(s.DisplayTipOfTheDay); }},
        {"DontStartScreensaver",
         [](Settings& s, Reader& r) { r.boolean(s.DontStartScreensaver); }},
        {"PlayClickSounds", [](Settings& s, Reader& r) { r.boolean(s.PlayClickSounds); }},
        {"StartWhenPCStarts", [](Settings& s, Reader& r) { r.boolean(s.StartWhenPCStarts); }},

        // Normalization
        {"NormalizeTo", [](Settings& s, Reader& r) { r.int16(s.NormalizeTo); }},
        {"NormalizeLow", [](Settings& s, Reader& r) { r.int16(s.NormalizeLow); }},
        {"NormalizeHigh", [](Settings& s, Reader& r) { r.int16(s.NormalizeHigh); }},
        {"AdvancedNormalizing",
         [](Settings& s, Reader& r) { r.boolean(s.AdvancedNormalizing); }},
        {"DesiredAverage", [](Settings& s, Reader& r) { r.int16(s.DesiredAverage); }},
        {"AverageCondition", [](Settings& s, Reader& r) { r.boolean(s.AverageCondition); }},
        {"PeakOrAverage",
         [](Settings& s, Reader& r) {
             const std::string value = r.text();
             if (value == kProfileMissing) {
                 return;
             }
             const std::string u = upper(value);
             s.PeakOrAverage = (u == "AVERAGE" || u == "AVARAGE") ? "AVERAGE" : "PEAK";
         }},
        {"AverageLow", [](Settings& s, Reader& r) { r.int16(s.AverageLow); }},
        {"AverageHigh", [](Settings& s, Reader& r) { r.int16(s.AverageHigh); }},
        {"CompressionWhen",
         [](Settings& s, Reader& r) {
             const std::string u = upper(r.text());
             if (u == "NEVER") {
                 s.CompressionWhen = "NEVER";
             } else if (u == "ALWAYS") {
                 s.CompressionWhen = "ALWAYS";
             } else if (u.rfind("ONLY", 0) == 0) {
                 s.CompressionWhen = "ONLY WHEN NEEDED";
             }
         }},
        {"MaximumCompressWith", [](Settings& s, Reader& r) { r.integer(s.MaximumCompressWith); }},
        {"CompressLimit", [](Settings& s, Reader& r) { r.integer(s.CompressLimit); }},
        {"NormalizeToNewFile", [](Settings& s, Reader& r) { r.boolean(s.NormalizeToNewFile); }},
        {"CompressCondition", [](Settings& s, Reader& r) { r.boolean(s.CompressCondition); }},
        {"UseNormalizing", [](Settings& s, Reader& r) { r.boolean(s.UseNormalizing); }},
        {"NormalizeLimit", [](Settings& s, Reader& r) { r.boolean(s.NormalizeLimit); }},

        // Encoding
        {"L3encBitrate",
         [](Settings& s, Reader& r) {
             int bitrate = 0;
             r.integer(bitrate);
             const bool listed = std::find(kL3encBitrates.begin(), kL3encBitrates.end(),
                                           bitrate) != kL3encBitrates.end();
             s.L3encBitrate = listed ? bitrate : kL3encBitrates[7];
         }},
        {"L3encArguments", [](Settings& s, Reader& r) { r.plainText(s.L3encArguments); }},
        {"L3encFilename", [](Settings& s, Reader& r) { r.plainText(s.L3encFilename); }},
        {"OwnExtension",
         [](Settings& s, Reader& r) {
             r.plainText(s.OwnExtension);
             s.OwnExtension = firstChars(s.OwnExtension, 10);
         }},
        {"UseOwnExtension", [](Settings& s, Reader& r) { r.boolean(s.UseOwnExtension); }},
        {"L3encHQBit", [](Settings& s, Reader& r) { r.boolean(s.L3encHQBit); }},
        {"L3CRCFlag", [](Settings& s, Reader& r) { r.boolean(s.L3CRCFlag); }},
        {"UseL3enc", [](Settings& s, Reader& r) { r.boolean(s.UseL3enc); }},
        {"DirectEncode", [](Settings& s, Reader& r) { r.boolean(s.DirectEncode); }},
        {"DeleteWave", [](Settings& s, Reader& r) { r.boolean(s.DeleteWave); }},
        {"DeleteDroppedWaves", [](Settings& s, Reader& r) { r.boolean(s.DeleteDroppedWaves); }},
        {"L3encToTop", [](Settings& s, Reader& r) { r.boolean(s.L3encToTop); }},
        {"RipAllTracksBeforeEncoding",
         [](Settings& s, Reader& r) { r.boolean(s.RipAllTracksBeforeEncoding); }},
        {"UseOwnL3encArguments",
         [](Settings& s, Reader& r) { r.boolean(s.UseOwnL3encArguments); }},
        {"CodecHq",
         [](Settings& s, Reader& r) {
             r.fraction(s.CodecHq);
             clampCodecFactor(s.CodecHq);
         }},
        {"CodecLq",
         [](Settings& s, Reader& r) {
             r.fraction(s.CodecLq);
             clampCodecFactor(s.CodecLq);
         }},
        {"EncodingSpeed", [](Settings& s, Reader& r) { readEncodingSpeed(s, r); }},
        {"InternalCodec", [](Settings& s, Reader& r) { r.boolean(s.InternalCodec); }},
        {"WhatCodec", [](Settings& s, Reader& r) { r.plainText(s.WhatCodec); }},
        {"CodecMode", [](Settings& s, Reader& r) { r.plainText(s.CodecMode); }},
        {"EncoderPriority",
         [](Settings& s, Reader& r) {
             r.integer(s.EncoderPriority);
             if (s.EncoderPriority < 0 || s.EncoderPriority > 2) {
                 s.EncoderPriority = 2;
             }
         }},

        // Output files and tags; the destination check follows the encoder keys.
        {"DestinationDirectory",
         [](Settings& s, Reader& r) {
             r.plainText(s.DestinationDirectory);
             const auto& canEnter = r.environment.canEnterDirectory;
             if (s.DestinationDirectory.empty() ||
                 (canEnter && !canEnter(s.DestinationDirectory))) {
                 s.DestinationDirectory = defaultDestination(r.environment);
             }
         }},
        {"UseID3Tag", [](Settings& s, Reader& r) { r.boolean(s.UseID3Tag); }},
        {"AppendID3toWavFile", [](Settings& s, Reader& r) { r.boolean(s.AppendID3toWavFile); }},
        {"ID3Year",
         [](Settings& s, Reader& r) {
             r.plainText(s.ID3Year);
             s.ID3Year = firstChars(s.ID3Year, 4);
         }},
        {"ID3Genre",
         [](Settings& s, Reader& r) {
             r.integer(s.ID3Genre);
             if ((s.ID3Genre < 0 || s.ID3Genre > 148) && s.ID3Genre != 255) {
                 s.ID3Genre = 13;
             }
         }},
        {"ID3Comment",
         [](Settings& s, Reader& r) {
             r.plainText(s.ID3Comment);
             s.ID3Comment = firstChars(s.ID3Comment, 30);
         }},
        {"ID3AppendChecksum", [](Settings& s, Reader& r) { r.boolean(s.ID3AppendChecksum); }},
        {"ReplaceSpaces", [](Settings& s, Reader& r) { r.boolean(s.ReplaceSpaces); }},
        {"ArtistAsFileName", [](Settings& s, Reader& r) { r.boolean(s.ArtistAsFileName); }},
        {"AlbumAsFileName", [](Settings& s, Reader& r) { r.boolean(s.AlbumAsFileName); }},
        {"TrackNumberAsFileName",
         [](Settings& s, Reader& r) { r.boolean(s.TrackNumberAsFileName); }},
        {"TrackNameAsFileName",
         [](Settings& s, Reader& r) { r.boolean(s.TrackNameAsFileName); }},
        {"TrackNameOrder",
         [](Settings& s, Reader& r) {
             const std::string value = r.text();
             if (value == kProfileMissing) {
                 return;
             }
             std::string order = firstChars(value, 4);
             std::string sorted = order;
             std::sort(sorted.begin(), sorted.end());
             if (sorted == "1234") {
                 s.TrackNameOrder = order;
             }
         }},
        {"ArtistAsDirectory", [](Settings& s, Reader& r) { r.boolean(s.ArtistAsDirectory); }},
        {"AlbumAsDirectory", [](Settings& s, Reader& r) { r.boolean(s.AlbumAsDirectory); }},
        {"SubDirsOnlyForMP3", [](Settings& s, Reader& r) { r.boolean(s.SubDirsOnlyForMP3); }},
        {"AdvancedNaming", [](Settings& s, Reader& r) { r.boolean(s.AdvancedNaming); }},
        {"AdvancedNameString", [](Settings& s, Reader& r) { r.plainText(s.AdvancedNameString); }},

        // Time estimates and track list
        {"CDSpeed",
         [](Settings& s, Reader& r) {
             r.int16(s.CDSpeed);
             if (s.CDSpeed < 1) {
                 s.CDSpeed = 100;
             }
         }},
        {"ComputerSpeed",
         [](Settings& s, Reader& r) {
             r.int16(s.ComputerSpeed);
             if (s.ComputerSpeed < 1) {
                 s.ComputerSpeed = 500;
             }
         }},
        {"LockTimeCalculation",
         [](Settings& s, Reader& r) { r.boolean(s.LockTimeCalculation); }},
        {"SelectAllTrack", [](Settings& s, Reader& r) { r.boolean(s.SelectAllTrack); }},
        {"ShowChecksum", [](Settings& s, Reader& r) { r.boolean(s.ShowChecksum); }},
        {"ShowRipSpeed", [](Settings& s, Reader& r) { r.boolean(s.ShowRipSpeed); }},
        {"ShowLostSynchs", [](Settings& s, Reader& r) { r.boolean(s.ShowLostSynchs); }},
        {"ShowSpeedProblems", [](Settings& s, Reader& r) { r.boolean(s.ShowSpeedProblems); }},
        {"ShowOldPeak", [](Settings& s, Reader& r) { r.boolean(s.ShowOldPeak); }},
        {"ShowNewPeak", [](Settings& s, Reader& r) { r.boolean(s.ShowNewPeak); }},
        {"ShowOldAverage", [](Settings& s, Reader& r) { r.boolean(s.ShowOldAverage); }},
        {"ShowNewAverage", [](Settings& s, Reader& r) { r.boolean(s.ShowNewAverage); }},
        {"ShowOldCompactRatio",
         [](Settings& s, Reader& r) { r.boolean(s.ShowOldCompactRatio); }},
        {"ShowNewCompactRatio",
         [](Settings& s, Reader& r) { r.boolean(s.ShowNewCompactRatio); }},
        {"Column1Width", [](Settings& s, Reader& r) { r.int16(s.Column1Width); }},
        {"Column2Width", [](Settings& s, Reader& r) { r.int16(s.Column2Width); }},
        {"Column3Width", [](Settings& s, Reader& r) { r.int16(s.Column3Width); }},
        {"Column4Width", [](Settings& s, Reader& r) { r.int16(s.Column4Width); }},
        {"WindowWidth", [](Settings& s, Reader& r) { r.int16(s.WindowWidth); }},
        {"WindowHeight", [](Settings& s, Reader& r) { r.int16(s.WindowHeight); }},
        {"WindowLeft", [](Settings& s, Reader& r) { r.int16(s.WindowLeft); }},
        {"WindowTop", [](Settings& s, Reader& r) { r.int16(s.WindowTop); }},
        {"WindowMaximized",
         [](Settings& s, Reader& r) {
             r.boolean(s.WindowMaximized);
             applyWindowRules(s, r.environment);
         }},

        // Grab job
        {"DeleteLeadingSilence",
         [](Settings& s, Reader& r) { r.boolean(s.DeleteLeadingSilence); }},
        {"DeleteTrailingSilence",
         [](Settings& s, Reader& r) { r.boolean(s.DeleteTrailingSilence); }},
        {"LeadingSilence", [](Settings& s, Reader& r) { r.int16(s.LeadingSilence); }},
        {"TrailingSilence", [](Settings& s, Reader& r) { r.int16(s.TrailingSilence); }},
        {"NoChecksum", [](Settings& s, Reader& r) { r.boolean(s.NoChecksum); }},
        {"ShutDownComputer", [](Settings& s, Reader& r) { r.boolean(s.ShutDownComputer); }},
        {"ShutDownDelay",
         [](Settings& s, Reader& r) {
             r.int16(s.ShutDownDelay);
             s.ShutDownDelay = std::clamp<std::int16_t>(s.ShutDownDelay, 10, 3600);
         }},
        {"EjectDiscAfterRipping",
         [](Settings& s, Reader& r) { r.boolean(s.EjectDiscAfterRipping); }},
        {"ContinueRipping", [](Settings& s, Reader& r) { r.boolean(s.ContinueRipping); }},
        {"StartPlaying", [](Settings& s, Reader& r) { r.boolean(s.StartPlaying); }},
        {"PlayGrabbedFiles", [](Settings& s, Reader& r) { r.boolean(s.PlayGrabbedFiles); }},
        {"MP3Player", [](Settings& s, Reader& r) { r.plainText(s.MP3Player); }},
        {"MP3PlayerIcon",
         [](Settings& s, Reader& r) {
             const std::string value = r.text();
             s.MP3PlayerIcon =
                 (value == kProfileMissing || upper(value) == "DEFAULT") ? "Default"
                                                                         : "FromMP3Player";
         }},
        {"MP3PlayerCurrentIcon",
         [](Settings& s, Reader& r) {
             r.integer(s.MP3PlayerCurrentIcon);
             applyPlayerIconRule(s, r.environment);
         }},
        {"PartialRips", [](Settings& s, Reader& r) { r.boolean(s.PartialRips); }},
        {"PartialFadeIn", [](Settings& s, Reader& r) { r.boolean(s.PartialFadeIn); }},
        {"PartialFadeOut", [](Settings& s, Reader& r) { r.boolean(s.PartialFadeOut); }},
        {"FadeTime",
         [](Settings& s, Reader& r) {
             r.integer(s.FadeTime);
             clampInt(s.FadeTime, 1, 3);
         }},
        {"LogarithmicFade", [](Settings& s, Reader& r) { r.boolean(s.LogarithmicFade); }},
        {"PartialLength",
         [](Settings& s, Reader& r) {
             r.integer(s.PartialLength);
             clampInt(s.PartialLength, 1, 100000);
         }},
        {"PartialStart",
         [](Settings& s, Reader& r) {
             r.integer(s.PartialStart);
             clampInt(s.PartialStart, 0, 100000);
         }},

        // CD access
        {"ContinueAfterLostSynch",
         [](Settings& s, Reader& r) { r.boolean(s.ContinueAfterLostSynch); }},
        {"FramesWanted", [](Settings& s, Reader& r) { r.int16(s.FramesWanted); }},
        {"SynchronizationOverlap",
         [](Settings& s, Reader& r) { r.int16(s.SynchronizationOverlap); }},
        {"ShowScsi1hlpVarning",
         [](Settings& s, Reader& r) { r.boolean(s.ShowScsi1hlpVarning); }},
        {"DefaultDrive",
         [](Settings& s, Reader& r) {
             const std::string value = r.text();
             if (value != kProfileMissing) {
                 s.DefaultDrive = value.empty() ? "First found" : value;
             }
         }},
        {"CD-ROMType", [](Settings& s, Reader& r) { r.textOrDefault(s.CD_ROMType); }},
        {"ASPIInversedByteOrder",
         [](Settings& s, Reader& r) {
             const std::string value = r.text();
             if (value == kProfileMissing) {
                 return;
             }
             s.ASPIInversedByteOrder = upper(value);
             // The file keeps the upper-cased spelling from now on; overrides are not
             // the file's and are not written.
             if (s.ASPIInversedByteOrder != value && r.fileRead && !r.overridden()) {
                 ProfileFile::writeThrough(r.path, kSettingsSection, r.key,
                                           s.ASPIInversedByteOrder);
             }
         }},
        {"ASPIRipMethod", [](Settings& s, Reader& r) { r.textOrDefault(s.ASPIRipMethod); }},
        {"ASPIRipSpeed", [](Settings& s, Reader& r) { r.textOrDefault(s.ASPIRipSpeed); }},
        {"ASPIShowAllSpeeds",
         [](Settings& s, Reader& r) {
             r.boolean(s.ASPIShowAllSpeeds);
             // After an abnormal end the detected speeds may be what made it fail.
             if (s.programWasRunning) {
                 s.ASPIShowAllSpeeds = true;
             }
         }},
        {"AccessMode",
         [](Settings& s, Reader& r) {
             s.AccessMode = r.text();
             const std::string u = upper(s.AccessMode);
             s.accessMode = u == "MSCDEX" ? 0 : u == "ANALOG" ? 2 : 1;
         }},
        {"ANALOGCDRomDrive",
         [](Settings& s, Reader& r) {
             s.ANALOGCDRomDrive = r.text();
             s.analogDrive = driveIndex(s.ANALOGCDRomDrive);
         }},
        {"MSCDEXCDRomDrive",
         [](Settings& s, Reader& r) {
             s.MSCDEXCDRomDrive = r.text();
             s.mscdexDrive = driveIndex(s.MSCDEXCDRomDrive);
         }},
        {"ASPISynchMethod", [](Settings& s, Reader& r) { r.int16(s.ASPISynchMethod); }},
        {"StartOffset",
         [](Settings& s, Reader& r) {
             r.integer(s.StartOffset);
             clampInt(s.StartOffset, -150, 150);
         }},
        {"EndOffset",
         [](Settings& s, Reader& r) {
             r.integer(s.EndOffset);
             clampInt(s.EndOffset, -150, 150);
         }},
        {"DiscardOffset",
         [](Settings& s, Reader& r) {
             r.integer(s.DiscardOffset);
             clampInt(s.DiscardOffset, 0, 100);
         }},
        {"SpinUpDisc", [](Settings& s, Reader& r) { r.boolean(s.SpinUpDisc); }},
        {"SendStartUnit", [](Settings& s, Reader& r) { r.boolean(s.SendStartUnit); }},
        {"ShortenLastTrack", [](Settings& s, Reader& r) { r.boolean(s.ShortenLastTrack); }},

        // Sound card and line-in recording
        {"DefaultPlaySoundCard",
         [](Settings& s, Reader& r) { r.plainText(s.DefaultPlaySoundCard); }},
        {"DefaultInputSoundCard",
         [](Settings& s, Reader& r) {
             const std::string value = r.text();
             s.DefaultInputSoundCard = value == kProfileMissing ? "Default" : value;
         }},
        {"SetInputVolume", [](Settings& s, Reader& r) { r.boolean(s.SetInputVolume); }},
        {"InputVolume",
         [](Settings& s, Reader& r) {
             r.integer(s.InputVolume);
             if (s.InputVolume < 0 || s.InputVolume > 100) {
                 s.InputVolume = 75;
             }
         }},
        {"MuteSpeakers", [](Settings& s, Reader& r) { r.boolean(s.MuteSpeakers); }},
        {"ShowVolumeMeter", [](Settings& s, Reader& r) { r.boolean(s.ShowVolumeMeter); }},
        {"LineInRecordMode",
         [](Settings& s, Reader& r) {
             const std::string u = upper(r.text());
             if (u == "MANUAL" || u == "AUTO SPLIT TRACKS" || u == "TIME SCHEDULED") {
                 s.LineInRecordMode = u;
             }
         }},
        {"SplitTrackSensitivity",
         [](Settings& s, Reader& r) {
             r.integer(s.SplitTrackSensitivity);
             if (s.SplitTrackSensitivity < 1 || s.SplitTrackSensitivity > 9) {
                 s.SplitTrackSensitivity = 5;
             }
         }},
        {"TracksAreAtLeast35Seconds",
         [](Settings& s, Reader& r) { r.boolean(s.TracksAreAtLeast35Seconds); }},
        {"AppendDateAndTimeToFileNames",
         [](Settings& s, Reader& r) { r.boolean(s.AppendDateAndTimeToFileNames); }},
        {"AutoLoadTrackNames", [](Settings& s, Reader& r) { r.boolean(s.AutoLoadTrackNames); }},
        {"AutoLoadTimes", [](Settings& s, Reader& r) { r.boolean(s.AutoLoadTimes); }},
        {"StartInLineInMode",
         [](Settings& s, Reader& r) {
             r.boolean(s.StartInLineInMode);
             if (s.StartInLineInMode) {
                 s.LineInRecordMode = "TIME SCHEDULED";
             }
         }},
        {"LineInShutDown", [](Settings& s, Reader& r) { r.boolean(s.LineInShutDown); }},
        {"AutoStopAfter", [](Settings& s, Reader& r) { r.boolean(s.AutoStopAfter); }},
        {"AutoStopSeconds",
         [](Settings& s, Reader& r) {
             r.integer(s.AutoStopSeconds);
             clampInt(s.AutoStopSeconds, 1, 100);
         }},

        // CD player database and CDDB
        {"StoreInCdplayer.ini", [](Settings& s, Reader& r) { r.boolean(s.StoreInCdplayer_ini); }},
        {"AutoStoreInCDPlayer.ini",
         [](Settings& s, Reader& r) { r.boolean(s.AutoStoreInCDPlayer_ini); }},
        {"AutoQuery", [](Settings& s, Reader& r) { r.boolean(s.AutoQuery); }},
        {"ShowPlayButtons", [](Settings& s, Reader& r) { r.boolean(s.ShowPlayButtons); }},
        {"CDDBServer", [](Settings& s, Reader& r) { r.plainText(s.CDDBServer); }},
        {"CDDBLocation", [](Settings& s, Reader& r) { r.plainText(s.CDDBLocation); }},
        {"CDDBHTTPPath", [](Settings& s, Reader& r) { r.plainText(s.CDDBHTTPPath); }},
        {"CDDBTCPIPPort", [](Settings& s, Reader& r) { r.plainText(s.CDDBTCPIPPort); }},
        {"CDDBConnectVia",
         [](Settings& s, Reader& r) {
             const std::string value = r.text();
             if (value != kProfileMissing) {
                 s.CDDBConnectVia = upper(value) == "HTTP" ? "HTTP" : "TCP/IP";
             }
         }},
        {"UseProxy", [](Settings& s, Reader& r) { r.boolean(s.UseProxy); }},
        {"ProxyPort", [](Settings& s, Reader& r) { r.plainText(s.ProxyPort); }},
        {"ProxyServer", [](Settings& s, Reader& r) { r.plainText(s.ProxyServer); }},
        {"ProxyUsername", [](Settings& s, Reader& r) { r.plainText(s.ProxyUsername); }},
        {"ProxyPassword", [](Settings& s, Reader& r) { r.plainText(s.ProxyPassword); }},
        {"E-MailAdress", [](Settings& s, Reader& r) { r.plainText(s.E_MailAdress); }},
    };
    return rules;
}

// "%c:" for a drive index; empty for no drive.
std::string driveText(int index) {
    if (index >= 0 && index < 26) {
        return std::string(1, static_cast<char>('A' + index)) + ":";
    }
    return {};
}

std::string replaceAll(std::string text, std::string_view what, char with) {
    for (char& c : text) {
        if (what.find(c) != std::string_view::npos) {
            c = with;
        }
    }
    return text;
}

}  // namespace

int Settings::bitrateIndex() const {
    const auto at = std::find(kL3encBitrates.begin(), kL3encBitrates.end(), L3encBitrate);
    return at == kL3encBitrates.end() ? 7 : static_cast<int>(at - kL3encBitrates.begin());
}

std::uint16_t Settings::trackNameOrderCode() const {
    std::uint16_t code = 0;
    std::from_chars(TrackNameOrder.data(), TrackNameOrder.data() + TrackNameOrder.size(), code, 16);
    return code == 0 ? 0x1234 : code;
}

std::string Settings::eMailPlusForm() const {
    return replaceAll(E_MailAdress, " @", '+');
}

std::string Settings::eMailSpaceForm() const {
    return replaceAll(E_MailAdress, "@", ' ');
}

int Settings::aspiInversedByteOrderCode() const {
    return ASPIInversedByteOrder == "YES" ? 2 : ASPIInversedByteOrder == "NO" ? 1 : 0;
}

int Settings::compressionWhenCode() const {
    return CompressionWhen == "NEVER" ? 0 : CompressionWhen == "ALWAYS" ? 1 : 2;
}

int Settings::lineInRecordModeCode() const {
    return LineInRecordMode == "MANUAL" ? 1 : LineInRecordMode == "TIME SCHEDULED" ? 3 : 2;
}

std::string settingsFilePath(const std::string& programDirectory) {
    if (!programDirectory.empty() && programDirectory.back() == '/') {
        return programDirectory + std::string(kSettingsFileName);
    }
    return programDirectory + "/" + std::string(kSettingsFileName);
}

const std::vector<std::string_view>& settingsKeys() {
    static const std::vector<std::string_view> keys = [] {
        std::vector<std::string_view> names;
        for (const KeyRule& rule : keyRules()) {
            names.push_back(rule.key);
        }
        return names;
    }();
    return keys;
}

bool isSettingsKey(std::string_view key) {
    const auto& keys = settingsKeys();
    return std::any_of(keys.begin(), keys.end(),
                       [key](std::string_view name) { return equalNoCase(name, key); });
}

void setDefaults(Settings& settings, const SettingsEnvironment& environment) {
    settings = Settings{};
    settings.DestinationDirectory = defaultDestination(environment);
    settings.ID3Year = firstChars(std::to_string(environment.currentYear), 4);
    settings.WindowWidth = low16(environment.designedWindowWidth);
    settings.WindowHeight = low16(environment.designedWindowHeight);
}

SettingsLoadResult loadSettings(Settings& settings, const std::string& path,
                                const SettingsEnvironment& environment,
                                const std::vector<std::pair<std::string, std::string>>& overrides) {
    ProfileFile file;
    SettingsLoadResult result;
    result.fileRead = file.load(path);
    for (const auto& [key, value] : overrides) {
        file.writeText(kSettingsSection, key, value);
    }
    Reader reader{file, environment, path, overrides, {}, result.fileRead};
    for (const KeyRule& rule : keyRules()) {
        reader.key = rule.key;
        rule.read(settings, reader);
    }
    result.programWasRunning = settings.programWasRunning;
    return result;
}

bool markProgramRunning(const std::string& path, bool running) {
    return ProfileFile::writeThrough(path, kSettingsSection, "ProgramRunning",
                                     profileBoolText(running));
}

std::string settingsFraction(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    if (result.ec != std::errc()) {
        return "0.0000";
    }
    return std::string(buffer, result.ptr);
}

SettingsEntries savedEntries(const Settings& s) {
    SettingsEntries out;
    auto text = [&out](std::string_view key, std::string value) {
        out.emplace_back(std::string(key), std::move(value));
    };
    auto boolean = [&text](std::string_view key, bool value) { text(key, profileBoolText(value)); };
    auto integer = [&text](std::string_view key, int value) { text(key, std::to_string(value)); };

    text("Language", s.Language);
    // Normalization
    integer("NormalizeTo", s.NormalizeTo);
    integer("NormalizeLow", s.NormalizeLow);
    integer("NormalizeHigh", s.NormalizeHigh);
    boolean("AdvancedNormalizing", s.AdvancedNormalizing);
    integer("DesiredAverage", s.DesiredAverage);
    boolean("AverageCondition", s.AverageCondition);
    text("PeakOrAverage", s.averageNormalizing() ? "AVERAGE" : "PEAK");
    integer("AverageLow", s.AverageLow);
    integer("AverageHigh", s.AverageHigh);
    static constexpr const char* kCompressionWhen[] = {"NEVER", "ALWAYS", "ONLY WHEN NEEDED"};
    text("CompressionWhen", kCompressionWhen[s.compressionWhenCode()]);
    integer("MaximumCompressWith", s.MaximumCompressWith);
    integer("CompressLimit", s.CompressLimit);
    boolean("NormalizeToNewFile", s.NormalizeToNewFile);
    boolean("CompressCondition", s.CompressCondition);
    boolean("UseNormalizing", s.UseNormalizing);
    boolean("NormalizeLimit", s.NormalizeLimit);
    // Encoder keys
    integer("L3encBitrate", kL3encBitrates[static_cast<std::size_t>(s.bitrateIndex())]);
    text("L3encArguments", s.L3encArguments);
    text("L3encFilename", s.L3encFilename);
    text("OwnExtension", s.OwnExtension);
    boolean("UseOwnExtension", s.UseOwnExtension);
    boolean("L3encHQBit", s.L3encHQBit);
    boolean("L3CRCFlag", s.L3CRCFlag);
    boolean("UseL3enc", s.UseL3enc);
    boolean("DirectEncode", s.DirectEncode);
    boolean("DeleteWave", s.DeleteWave);
    boolean("DeleteDroppedWaves", s.DeleteDroppedWaves);
    boolean("L3encToTop", s.L3encToTop);
    boolean("RipAllTracksBeforeEncoding", s.RipAllTracksBeforeEncoding);
    // ID3 keys
    boolean("UseID3Tag", s.UseID3Tag);
    boolean("AppendID3toWavFile", s.AppendID3toWavFile);
    text("ID3Year", s.ID3Year);
    integer("ID3Genre", s.ID3Genre);
    text("ID3Comment", s.ID3Comment);
    boolean("ID3AppendChecksum", s.ID3AppendChecksum);

    boolean("UseOwnL3encArguments", s.UseOwnL3encArguments);
    text("DestinationDirectory", s.DestinationDirectory);
    // A drive key without a drive is left as the file has it.
    if (std::string drive = driveText(s.mscdexDrive); !drive.empty()) {
        text("MSCDEXCDRomDrive", drive);
    }
    if (std::string drive = driveText(s.analogDrive); !drive.empty()) {
        text("ANALOGCDRomDrive", drive);
    }
    // Speed keys
    integer("CDSpeed", s.CDSpeed);
    integer("ComputerSpeed", s.ComputerSpeed);
    boolean("LockTimeCalculation", s.LockTimeCalculation);

    boolean("DontStartScreensaver", !s.screensaverAllowed());
    boolean("PlayClickSounds", s.PlayClickSounds);
    boolean("MultipleInstances", s.MultipleInstances);
    boolean("ContinueRipping", s.ContinueRipping);
    // Naming keys
    boolean("ReplaceSpaces", s.ReplaceSpaces);
    boolean("ArtistAsFileName", s.ArtistAsFileName);
    boolean("AlbumAsFileName", s.AlbumAsFileName);
    boolean("TrackNumberAsFileName", s.TrackNumberAsFileName);
    boolean("TrackNameAsFileName", s.TrackNameAsFileName);
    {
        char order[8];
        std::snprintf(order, sizeof order, "%04X", static_cast<unsigned>(s.trackNameOrderCode()));
        text("TrackNameOrder", order);
    }
    boolean("ArtistAsDirectory", s.ArtistAsDirectory);
    boolean("AlbumAsDirectory", s.AlbumAsDirectory);
    boolean("SubDirsOnlyForMP3", s.SubDirsOnlyForMP3);
    boolean("AdvancedNaming", s.AdvancedNaming);
    text("AdvancedNameString", s.AdvancedNameString);
    // Sound-card keys
    text("DefaultPlaySoundCard", s.DefaultPlaySoundCard);
    text("DefaultInputSoundCard", s.DefaultInputSoundCard);
    boolean("SetInputVolume", s.SetInputVolume);
    integer("InputVolume", s.InputVolume);
    boolean("MuteSpeakers", s.MuteSpeakers);

    boolean("ShowVolumeMeter", s.ShowVolumeMeter);
    text("DefaultSoundCard", s.DefaultPlaySoundCard);
    text("CodecHq", settingsFraction(s.CodecHq));
    text("CodecLq", settingsFraction(s.CodecLq));
    {
        std::string speeds;
        for (double speed : s.EncodingSpeed) {
            speeds += (speeds.empty() ? "" : ",") + settingsFraction(speed);
        }
        text("EncodingSpeed", speeds);
    }
    // Silence keys
    boolean("DeleteLeadingSilence", s.DeleteLeadingSilence);
    boolean("DeleteTrailingSilence", s.DeleteTrailingSilence);
    integer("LeadingSilence", s.LeadingSilence);
    integer("TrailingSilence", s.TrailingSilence);
    // CD player database keys
    boolean("StoreInCdplayer.ini", s.StoreInCdplayer_ini);
    boolean("AutoStoreInCDPlayer.ini", s.AutoStoreInCDPlayer_ini);
    boolean("AutoQuery", s.AutoQuery);

    boolean("ShowPlayButtons", s.ShowPlayButtons);
    boolean("ContinueAfterLostSynch", s.ContinueAfterLostSynch);
    if (s.scsi1hlpWarningTurnedOff) {
        boolean("ShowScsi1hlpVarning", false);
    }
    integer("FramesWanted", s.FramesWanted);
    integer("SynchronizationOverlap", s.SynchronizationOverlap);
    boolean("InternalCodec", s.InternalCodec);
    text("WhatCodec", s.WhatCodec);
    text("CodecMode", s.CodecMode);
    integer("EncoderPriority", s.EncoderPriority);
    text("AccessMode", s.accessMode == 0 ? "MSCDEX" : s.accessMode == 2 ? "ANALOG" : "ASPI");
    text("DefaultDrive", s.DefaultDrive);
    text("CD-ROMType", s.CD_ROMType);
    text("ASPIRipMethod", s.ASPIRipMethod);
    text("ASPIRipSpeed", s.ASPIRipSpeed);
    boolean("ASPIShowAllSpeeds", s.ASPIShowAllSpeeds);
    boolean("ProgramRunning", s.ProgramRunning);
    // Copy-status keys
    boolean("ShowChecksum", s.ShowChecksum);
    boolean("ShowRipSpeed", s.ShowRipSpeed);
    boolean("ShowLostSynchs", s.ShowLostSynchs);
    boolean("ShowSpeedProblems", s.ShowSpeedProblems);
    boolean("ShowOldPeak", s.ShowOldPeak);
    boolean("ShowNewPeak", s.ShowNewPeak);
    boolean("ShowOldAverage", s.ShowOldAverage);
    boolean("ShowNewAverage", s.ShowNewAverage);
    boolean("ShowOldCompactRatio", s.ShowOldCompactRatio);
    boolean("ShowNewCompactRatio", s.ShowNewCompactRatio);

    boolean("NoChecksum", s.NoChecksum);
    boolean("ShutDownComputer", s.ShutDownComputer);
    boolean("EjectDiscAfterRipping", s.EjectDiscAfterRipping);
    boolean("SelectAllTrack", s.SelectAllTrack);
    boolean("StartPlaying", s.StartPlaying);
    boolean("PlayGrabbedFiles", s.PlayGrabbedFiles);
    // Player keys
    text("MP3Player", s.MP3Player);
    text("MP3PlayerIcon", s.playerIconFromPlayer() ? "FromMP3Player" : "Default");
    integer("MP3PlayerCurrentIcon", s.MP3PlayerCurrentIcon);
    // Offsets
    integer("StartOffset", s.StartOffset);
    integer("EndOffset", s.EndOffset);
    integer("DiscardOffset", s.DiscardOffset);

    boolean("SendStartUnit", s.SendStartUnit);
    boolean("SpinUpDisc", s.SpinUpDisc);
    boolean("ShortenLastTrack", s.ShortenLastTrack);
    // Partial-rip keys
    boolean("PartialRips", s.PartialRips);
    boolean("PartialFadeIn", s.PartialFadeIn);
    boolean("PartialFadeOut", s.PartialFadeOut);
    integer("FadeTime", s.FadeTime);
    boolean("LogarithmicFade", s.LogarithmicFade);
    integer("PartialLength", s.PartialLength);
    integer("PartialStart", s.PartialStart);

    boolean("DisplayTipOfTheDay", s.DisplayTipOfTheDay);
    // CDDB keys
    text("CDDBServer", s.CDDBServer);
    text("CDDBLocation", s.CDDBLocation);
    text("CDDBHTTPPath", s.CDDBHTTPPath);
    text("CDDBTCPIPPort", s.CDDBTCPIPPort);
    text("CDDBConnectVia", s.cddbViaHttp() ? "HTTP" : "TCP/IP");
    boolean("UseProxy", s.UseProxy);
    text("ProxyPort", s.ProxyPort);
    text("ProxyServer", s.ProxyServer);
    text("E-MailAdress", s.E_MailAdress);
    // Line-in keys
    static constexpr const char* kLineInModes[] = {"", "MANUAL", "AUTO SPLIT TRACKS",
                                                   "TIME SCHEDULED"};
    text("LineInRecordMode", kLineInModes[s.lineInRecordModeCode()]);
    integer("SplitTrackSensitivity", s.SplitTrackSensitivity);
    boolean("TracksAreAtLeast35Seconds", s.TracksAreAtLeast35Seconds);
    boolean("AppendDateAndTimeToFileNames", s.AppendDateAndTimeToFileNames);
    boolean("AutoLoadTrackNames", s.AutoLoadTrackNames);
    boolean("AutoLoadTimes", s.AutoLoadTimes);
    boolean("StartInLineInMode", s.StartInLineInMode);
    boolean("LineInShutDown", s.LineInShutDown);
    boolean("AutoStopAfter", s.AutoStopAfter);
    integer("AutoStopSeconds", s.AutoStopSeconds);
    // Column widths and window
    integer("Column1Width", s.Column1Width);
    integer("Column2Width", s.Column2Width);
    integer("Column3Width", s.Column3Width);
    integer("Column4Width", s.Column4Width);
    integer("WindowWidth", s.WindowWidth);
    integer("WindowHeight", s.WindowHeight);
    integer("WindowLeft", s.WindowLeft);
    integer("WindowTop", s.WindowTop);
    boolean("WindowMaximized", s.WindowMaximized);
    // Not placed by the write order; it goes last.
    boolean("StartWhenPCStarts", s.StartWhenPCStarts);
    return out;
}

SettingsEntries readOnlyEntries(const Settings& s) {
    static constexpr const char* kByteOrder[] = {"AUTO", "NO", "YES"};
    return {
        {"Debug", std::to_string(s.Debug)},
        {"ASPIInversedByteOrder", kByteOrder[s.aspiInversedByteOrderCode()]},
        {"ASPISynchMethod", std::to_string(s.ASPISynchMethod)},
        {"ShutDownDelay", std::to_string(s.ShutDownDelay)},
        {"ProxyUsername", s.ProxyUsername},
        {"ProxyPassword", s.ProxyPassword},
    };
}

bool saveSettings(const Settings& settings, const std::string& path) {
    ProfileFile file;
    file.load(path);
    for (const auto& [key, value] : savedEntries(settings)) {
        file.writeText(kSettingsSection, key, value);
    }
    return file.save();
}

}  // namespace ps
