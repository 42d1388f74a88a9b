#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/process.h"

namespace ps {

struct Settings;

// Command-line conventions of the external encoder, told by its file name: "MP3ENC..."
// (any case) takes -if/-of, -qual and -v; "lame..." (any case) takes -b in kbit/s, -h and
// -p; every other program the l3enc manner (-br in bit/s, -hq, -crc).
enum class EncoderFamily { L3enc, Mp3enc, Lame };
EncoderFamily EncoderFamilyOf(const std::string& encoderPath);

// The encode kinds: who asked for the file and where its input lies.
enum class EncodeKind {
    RippedTrack = 1,  // the grab job, right after the rip: temp.wav
    ChosenFile = 2,   // a file chosen or dropped by the user
    RipAllTrack = 3,  // the grab job after "Rip all tracks before encoding"
    LineInTrack = 4,  // the line-in recorder
};

// What the variables of own arguments insert: %1 artist, %2 album, %3 the track number
// as two digits, %4 the track's name; the track ones insert nothing for track -1.
struct OwnArgumentValues {
    std::string artist;
    std::string album;
    int track = -1;
    std::string trackName;
};

// The l3enc bitrate argument for a bitrate index: "-br 112000" (any other index: 128000).
std::string BitrateArgument(int index);

// A template of own arguments split into arguments: blanks separate them, double quotes
// group blanks into one argument and are dropped, "%" and the character after it always
// stay together (so "%"" is a quote and "% " a blank inside an argument).
std::vector<std::string> SplitArgumentTemplate(const std::string& text);
// Expands the variables inside one argument: "%%" is "%", "%1".."%4" as above, "%" and
// any other character gives that character, a "%" at the end gives nothing.
std::string ExpandOwnArgument(const std::string& argument, const OwnArgumentValues& values);

// The encoder options from the settings: own arguments split and then expanded (so a
// name can never add or split an argument), else bitrate, quality and CRC in the
// family's form.
std::vector<std::string> EncoderOptions(const Settings& settings, EncoderFamily family,
                                        const OwnArgumentValues& values);

// Arguments joined with blanks, for the waiting window's labels.
std::string JoinArguments(const std::vector<std::string>& arguments);

// `OwnExtension` with own extension on, else "mp3".
std::string EncoderExtension(const Settings& settings);

// The part of a path after its last "/".
std::string FileNameOfPath(const std::string& path);

// Joins a directory and a name with "/", none after a directory that ends in one ("/").
std::string JoinEncoderPath(const std::string& directory, const std::string& name);

// What the waiting window shows of a run's options. With own arguments the bitrate,
// quality and CRC labels show only their captions (empty texts here) and the own
// arguments are shown as expanded; without them `ownArguments` is empty.
struct EncoderOptionLabels {
    std::string bitrate;      // "112000" for "Bitrate: %s bps"
    std::string highQuality;  // "Yes" or "No"
    std::string crc;          // "Yes" or "No"
    std::string ownArguments;
};
EncoderOptionLabels DescribeEncoderOptions(const Settings& settings,
                                           const OwnArgumentValues& values);

struct EncodeRequest {
    EncodeKind kind = EncodeKind::RippedTrack;
    // Kind 1: unused (the input is temp.wav). Kinds 2 and 4: the wave file. Kind 3: the
    // track's wave file without its ".wav".
    std::string path;
    OwnArgumentValues values;
};

// One run of the encoder and the paths its completion looks at.
struct EncoderJob {
    EncodeKind kind = EncodeKind::RippedTrack;
    EncoderFamily family = EncoderFamily::L3enc;
    ProcessSpec process;               // the encoder's own directory is its working directory
    std::string extension;             // EXT
    std::string inputPath;             // the wave file the encoder reads
    std::string outputPath;            // temp.EXT in the destination directory
    std::string besideInputPath;       // kinds 2-4: the input with EXT (some encoders write there)
    std::string targetPath;            // kinds 2-4: the destination directory + the input's name
                                       // with its last three characters replaced by EXT
    std::vector<std::string> options;  // what EncoderOptions gave
    // The file beside the input as it was before the start: an older file there is not
    // this run's output and must not be tagged or moved.
    bool besideInputExisted = false;
    std::filesystem::file_time_type besideInputTime{};
};

EncoderJob BuildEncoderJob(const Settings& settings, const EncodeRequest& request);

}  // namespace ps
