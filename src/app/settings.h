#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ps {

// The bitrates the external encoder offers, in bits per second; `L3encBitrate` is always
// one of them after loading.
inline constexpr std::array<int, 11> kL3encBitrates = {8000,  16000,  24000,  32000,  56000, 64000,
                                                       96000, 112000, 128000, 192000, 256000};
inline constexpr std::array<double, 12> kDefaultEncodingSpeed = {
    0.602, 1.5368, 2.0304, 2.5, 3.1, 3.8, 4.5, 4.9338, 4.9575, 5.25, 5.58, 5.0};
inline constexpr std::string_view kSettingsSection = "MAIN";
inline constexpr std::string_view kSettingsFileName = "platterscoop.ini";
inline constexpr std::string_view kDefaultCddbServer = "gnudb.gnudb.org";

// The program-wide settings record. Each field named after a key of the settings file
// holds that key's value (a character that a name cannot hold, as in `CD-ROMType`,
// becomes "_"). Enumerated text keys hold the text Save writes ("ONLY WHEN NEEDED", not
// whatever spelling the file had), so the derived forms below can be computed from them
// and never disagree. The fields after the keys are state of the run that Save needs.
struct Settings {
    // General and start-up
    std::string Language;  // empty: no language file
    bool MultipleInstances = false;
    std::int16_t Debug = 0;
    bool ProgramRunning = false;  // what Save writes; the value read is programWasRunning
    bool DisplayTipOfTheDay = true;
    bool DontStartScreensaver = false;
    bool PlayClickSounds = true;
    bool StartWhenPCStarts = false;

    // Normalization
    std::int16_t NormalizeTo = 98;
    std::int16_t NormalizeLow = 91;
    std::int16_t NormalizeHigh = 99;
    bool AdvancedNormalizing = false;
    std::int16_t DesiredAverage = 65;
    bool AverageCondition = false;
    std::string PeakOrAverage = "PEAK";  // "PEAK" or "AVERAGE"
    std::int16_t AverageLow = 60;
    std::int16_t AverageHigh = 70;
    std::string CompressionWhen = "ONLY WHEN NEEDED";  // "NEVER", "ALWAYS", "ONLY WHEN NEEDED"
    int MaximumCompressWith = 60;
    int CompressLimit = 80;
    bool NormalizeToNewFile = false;
    bool CompressCondition = true;
    bool UseNormalizing = false;
    bool NormalizeLimit = false;

    // Encoding
    int L3encBitrate = 112000;  // one of kL3encBitrates
    std::string L3encArguments;
    std::string L3encFilename;
    std::string OwnExtension = "mp3";  // at most 10 characters
    bool UseOwnExtension = false;
    bool L3encHQBit = false;
    bool L3CRCFlag = false;
    bool UseL3enc = false;
    bool DirectEncode = false;
    bool DeleteWave = false;
    bool DeleteDroppedWaves = false;
    bool L3encToTop = false;
    bool RipAllTracksBeforeEncoding = false;
    bool UseOwnL3encArguments = false;
    double CodecHq = 4.0;
    double CodecLq = 2.0;
    std::array<double, 12> EncodingSpeed = kDefaultEncodingSpeed;
    bool InternalCodec = true;
    std::string WhatCodec = "None";
    std::string CodecMode = "128 Bit/s, 44,100 Hz, Stereo";
    int EncoderPriority = 2;  // 0 lowest, 1 low, 2 normal

    // Output files and tags
    std::string DestinationDirectory;
    bool UseID3Tag = false;
    bool AppendID3toWavFile = false;
    std::string ID3Year;     // at most 4 characters
    int ID3Genre = 13;       // 0..148 or 255
    std::string ID3Comment;  // at most 30 characters
    bool ID3AppendChecksum = false;
    bool ReplaceSpaces = false;
    bool ArtistAsFileName = true;
    bool AlbumAsFileName = false;
    bool TrackNumberAsFileName = false;
    bool TrackNameAsFileName = true;
    std::string TrackNameOrder = "1234";  // always a permutation of "1234"
    bool ArtistAsDirectory = false;
    bool AlbumAsDirectory = false;
    bool SubDirsOnlyForMP3 = false;
    bool AdvancedNaming = false;
    std::string AdvancedNameString;

    // Time estimates and track list
    std::int16_t CDSpeed = 100;
    std::int16_t ComputerSpeed = 500;
    bool LockTimeCalculation = false;
    bool SelectAllTrack = true;
    bool ShowChecksum = true;
    bool ShowRipSpeed = false;
    bool ShowLostSynchs = false;
    bool ShowSpeedProblems = false;
    bool ShowOldPeak = false;
    bool ShowNewPeak = false;
    bool ShowOldAverage = false;
    bool ShowNewAverage = false;
    bool ShowOldCompactRatio = false;
    bool ShowNewCompactRatio = false;
    std::int16_t Column1Width = -1;  // -1: the designed width
    std::int16_t Column2Width = -1;
    std::int16_t Column3Width = -1;
    std::int16_t Column4Width = -1;
    std::int16_t WindowWidth = 0;  // setDefaults: the designed size
    std::int16_t WindowHeight = 0;
    std::int16_t WindowLeft = -10;  // -10: centred
    std::int16_t WindowTop = -10;
    bool WindowMaximized = false;

    // Grab job
    bool DeleteLeadingSilence = false;
    bool DeleteTrailingSilence = false;
    std::int16_t LeadingSilence = 5;  // tenths of a second
    std::int16_t TrailingSilence = 5;
    bool NoChecksum = false;
    bool ShutDownComputer = false;
    std::int16_t ShutDownDelay = 120;  // 10..3600 seconds
    bool EjectDiscAfterRipping = false;
    bool ContinueRipping = false;
    bool StartPlaying = false;
    bool PlayGrabbedFiles = true;
    std::string MP3Player;
    std::string MP3PlayerIcon = "Default";  // "Default" or "FromMP3Player"
    int MP3PlayerCurrentIcon = 0;
    bool PartialRips = false;
    bool PartialFadeIn = false;
    bool PartialFadeOut = false;
    int FadeTime = 3;  // 1..3
    bool LogarithmicFade = true;
    int PartialLength = 30;  // 1..100000 seconds
    int PartialStart = 30;   // 0..100000 seconds

    // CD access
    bool ContinueAfterLostSynch = true;
    std::int16_t FramesWanted = 25;
    std::int16_t SynchronizationOverlap = 1;
    bool ShowScsi1hlpVarning = true;
    std::string DefaultDrive;  // empty: the first drive found
    std::string CD_ROMType = "ATAPI";
    std::string ASPIInversedByteOrder;  // upper-cased as read; empty when absent
    std::string ASPIRipMethod = "Burst Copy";
    std::string ASPIRipSpeed = "Default";
    bool ASPIShowAllSpeeds = true;
    // The requested access mode and the two drive keys exactly as read, "Nix" when the
    // key is missing: the start-up selection interprets them.
    std::string AccessMode = "Nix";
    std::string ANALOGCDRomDrive = "Nix";
    std::string MSCDEXCDRomDrive = "Nix";
    std::int16_t ASPISynchMethod = 0;
    int StartOffset = 0;    // -150..150 frames
    int EndOffset = 0;      // -150..150 frames
    int DiscardOffset = 0;  // 0..100 frames
    bool SpinUpDisc = false;
    bool SendStartUnit = false;
    bool ShortenLastTrack = true;

    // Sound card and line-in recording
    std::string DefaultPlaySoundCard = "Default";  // also saved as DefaultSoundCard
    std::string DefaultInputSoundCard = "Default";
    bool SetInputVolume = true;
    int InputVolume = 75;  // 0..100
    bool MuteSpeakers = false;
    bool ShowVolumeMeter = true;
    // "MANUAL", "AUTO SPLIT TRACKS" or "TIME SCHEDULED"
    std::string LineInRecordMode = "AUTO SPLIT TRACKS";
    int SplitTrackSensitivity = 5;  // 1..9
    bool TracksAreAtLeast35Seconds = true;
    bool AppendDateAndTimeToFileNames = false;
    bool AutoLoadTrackNames = false;
    bool AutoLoadTimes = false;
    bool StartInLineInMode = false;
    bool LineInShutDown = false;
    bool AutoStopAfter = false;
    int AutoStopSeconds = 30;  // 1..100

    // CD player database and CDDB
    bool StoreInCdplayer_ini = true;
    bool AutoStoreInCDPlayer_ini = true;
    bool AutoQuery = false;
    bool ShowPlayButtons = true;
    std::string CDDBServer = std::string(kDefaultCddbServer);
    std::string CDDBLocation = "Random US site";
    std::string CDDBHTTPPath = "/~cddb/cddb.cgi";
    std::string CDDBTCPIPPort = "8880";
    std::string CDDBConnectVia = "TCP/IP";  // "TCP/IP" or "HTTP"
    bool UseProxy = false;
    std::string ProxyPort;
    std::string ProxyServer;
    std::string ProxyUsername;
    std::string ProxyPassword;
    std::string E_MailAdress;

    // State of the run.
    // The chosen access mode (-1 none, 0 MSCDEX, 1 ASPI, 2 ANALOG). Loading sets the
    // requested mode; the start-up selection replaces it with the chosen one.
    int accessMode = 1;
    // Drive indexes (letter - 'A', -1 none) that Save writes to ANALOGCDRomDrive and
    // MSCDEXCDRomDrive. Loading sets them from the keys' first letters; the start-up
    // selection replaces them with the drives it chose.
    int analogDrive = -1;
    int mscdexDrive = -1;
    // ProgramRunning as read: the previous run did not end through the close handler.
    bool programWasRunning = false;
    // The main window applies the saved size, position and column widths only when this
    // is set (decided when loading, with the screen size of the environment).
    bool applySavedWindowLayout = false;
    // The user switched the driver warning off during this run; only then Save writes
    // ShowScsi1hlpVarning.
    bool scsi1hlpWarningTurnedOff = false;

    // Derived forms.
    int bitrateIndex() const;                  // index into kL3encBitrates, 7 when unknown
    std::uint16_t trackNameOrderCode() const;  // "2143" gives 0x2143
    std::string eMailPlusForm() const;         // spaces and at signs replaced by "+"
    std::string eMailSpaceForm() const;        // at signs replaced by a space
    bool screensaverAllowed() const { return !DontStartScreensaver; }
    int aspiInversedByteOrderCode() const;  // 2 "YES", 1 "NO", 0 automatic
    bool averageNormalizing() const { return PeakOrAverage == "AVERAGE"; }
    int compressionWhenCode() const;   // 0 never, 1 always, 2 only when needed
    int lineInRecordModeCode() const;  // 1 manual, 2 auto split, 3 time scheduled
    bool cddbViaHttp() const { return CDDBConnectVia == "HTTP"; }
    bool playerIconFromPlayer() const { return MP3PlayerIcon == "FromMP3Player"; }

    bool operator==(const Settings&) const = default;
};

// What the reading rules need from outside the file.
struct SettingsEnvironment {
    std::string programDirectory;
    // Default of DestinationDirectory and the directory it falls back to when it cannot
    // be entered; empty means the program directory.
    std::string defaultDestinationDirectory;
    int currentYear = 2000;
    // The screen in pixels; 0 skips the checks against the screen.
    int screenWidth = 0;
    int screenHeight = 0;
    // The main window's designed size, the default of WindowWidth and WindowHeight.
    int designedWindowWidth = 640;
    int designedWindowHeight = 480;
    // Whether a directory can be made the current directory; unset: always.
    std::function<bool(const std::string& directory)> canEnterDirectory;
    // Number of icons in a player program, -1 when the file does not exist; unset: -1.
    std::function<int(const std::string& program)> playerIconCount;
};

struct SettingsLoadResult {
    bool fileRead = false;           // a settings file was found and read
    bool programWasRunning = false;  // ProgramRunning read true
};

// The settings file path in a program directory ("/" gives "/platterscoop.ini").
std::string settingsFilePath(const std::string& programDirectory);

// Every key the loader reads, in reading order (DefaultSoundCard, written only, is not
// among them).
const std::vector<std::string_view>& settingsKeys();
bool isSettingsKey(std::string_view key);  // case-insensitive

void setDefaults(Settings& settings, const SettingsEnvironment& environment);

// Reads every key of [MAIN] in table order into `settings` (which should hold the
// defaults). `overrides` act exactly as if their values stood in the file (the file itself
// is not changed for them). An ASPIInversedByteOrder from the file that is not already
// upper-case is written back upper-cased at once. The access-mode selection is not run.
SettingsLoadResult loadSettings(
    Settings& settings, const std::string& path, const SettingsEnvironment& environment,
    const std::vector<std::pair<std::string, std::string>>& overrides = {});

// Writes only ProgramRunning ("True" right after loading). False when the write failed.
bool markProgramRunning(const std::string& path, bool running);

using SettingsEntries = std::vector<std::pair<std::string, std::string>>;

// The keys and texts Save writes, in its order.
SettingsEntries savedEntries(const Settings& settings);
// The keys that are only read, with the values in effect.
SettingsEntries readOnlyEntries(const Settings& settings);

// Writes savedEntries into [MAIN] of `path` by an atomic replace; other keys and
// sections already in the file stay. False when the file could not be written.
bool saveSettings(const Settings& settings, const std::string& path);

// Formats a fraction with four decimals and a point, whatever the C locale says.
std::string settingsFraction(double value);

}  // namespace ps
