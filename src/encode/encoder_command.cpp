#include "encode/encoder_command.h"

#include <array>
#include <cstdio>

#include "app/settings.h"

namespace ps {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// A relative path that begins with "-" would read as an option.
std::string PathArgument(const std::string& path) {
    return (!path.empty() && path[0] == '-') ? "./" + path : path;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

constexpr std::array<int, 11> kBitrates = {8000,  16000,  24000,  32000,  56000, 64000,
                                           96000, 112000, 128000, 192000, 256000};

int BitrateOfIndex(int index) {
    return (index >= 0 && index < static_cast<int>(kBitrates.size()))
               ? kBitrates[static_cast<std::size_t>(index)]
               : 128000;
}

}  // namespace

EncoderFamily EncoderFamilyOf(const std::string& encoderPath) {
    const std::string name = Upper(FileNameOfPath(encoderPath));
    if (name.rfind("MP3ENC", 0) == 0) {
        return EncoderFamily::Mp3enc;
    }
    if (name.rfind("LAME", 0) == 0) {
        return EncoderFamily::Lame;
    }
    return EncoderFamily::L3enc;
}

std::string BitrateArgument(int index) {
    return "-br " + std::to_string(BitrateOfIndex(index));
}

std::vector<std::string> SplitArgumentTemplate(const std::string& text) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            current += c;
            if (i + 1 < text.size()) {
                current += text[++i];
            }
            inArgument = true;
        } else if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (IsBlank(c) && !quoted) {
            if (inArgument) {
                arguments.push_back(current);
                current.clear();
                inArgument = false;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.push_back(current);
    }
    return arguments;
}

std::string ExpandOwnArgument(const std::string& argument, const OwnArgumentValues& values) {
    std::string out;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] != '%') {
            out += argument[i];
            continue;
        }
        if (++i >= argument.size()) {
            break;
        }
        switch (argument[i]) {
            case '1':
                out += values.artist;
                break;
            case '2':
                out += values.album;
                break;
            case '3':
                if (values.track != -1) {
                    char number[16];
                    std::snprintf(number, sizeof number, "%02d", values.track);
                    out += number;
                }
                break;
            case '4':
                if (values.track != -1) {
                    out += values.trackName;
                }
                break;
            default:
                out += argument[i];
                break;
        }
    }
    return out;
}

std::vector<std::string> EncoderOptions(const Settings& settings, EncoderFamily family,
                                        const OwnArgumentValues& values) {
    std::vector<std::string> options;
    if (settings.UseOwnL3encArguments) {
        for (const auto& argument : SplitArgumentTemplate(settings.L3encArguments)) {
            options.push_back(ExpandOwnArgument(argument, values));
        }
        return options;
    }
    const int bitrate = BitrateOfIndex(settings.bitrateIndex());
    switch (family) {
        case EncoderFamily::Lame:
            options = {"-b", std::to_string(bitrate / 1000)};
            if (settings.L3encHQBit) {
                options.push_back("-h");
            }
            if (settings.L3CRCFlag) {
                options.push_back("-p");
            }
            break;
        case EncoderFamily::Mp3enc:
            options = {"-br", std::to_string(bitrate), "-qual", settings.L3encHQBit ? "9" : "0"};
            if (settings.L3CRCFlag) {
                options.push_back("-crc");
            }
            break;
        case EncoderFamily::L3enc:
            options = {"-br", std::to_string(bitrate)};
            if (settings.L3encHQBit) {
                options.push_back("-hq");
            }
            if (settings.L3CRCFlag) {
                options.push_back("-crc");
            }
            break;
    }
    return options;
}

EncoderOptionLabels DescribeEncoderOptions(const Settings& settings,
                                           const OwnArgumentValues& values) {
    EncoderOptionLabels labels;
    if (settings.UseOwnL3encArguments) {
        labels.ownArguments = JoinArguments(EncoderOptions(settings, EncoderFamily::L3enc, values));
        return labels;
    }
    labels.bitrate = std::to_string(BitrateOfIndex(settings.bitrateIndex()));
    labels.highQuality = settings.L3encHQBit ? "Yes" : "No";
    labels.crc = settings.L3CRCFlag ? "Yes" : "No";
    return labels;
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
    std::string text;
    for (const auto& argument : arguments) {
        if (!text.empty()) {
            text += ' ';
        }
        text += argument;
    }
    return text;
}

std::string EncoderExtension(const Settings& settings) {
    return settings.UseOwnExtension ? settings.OwnExtension : std::string("mp3");
}

std::string FileNameOfPath(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinEncoderPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) {
        return name;
    }
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

EncoderJob BuildEncoderJob(const Settings& settings, const EncodeRequest& request) {
    EncoderJob job;
    job.kind = request.kind;
    job.family = EncoderFamilyOf(settings.L3encFilename);
    job.extension = EncoderExtension(settings);
    const std::string& destination = settings.DestinationDirectory;
    job.outputPath = JoinEncoderPath(destination, "temp." + job.extension);

    switch (request.kind) {
        case EncodeKind::RippedTrack:
            job.inputPath = JoinEncoderPath(destination, "temp.wav");
            break;
        case EncodeKind::ChosenFile:
            job.inputPath = request.path;
            break;
        case EncodeKind::RipAllTrack:
        case EncodeKind::LineInTrack: {
            const std::string suffix = request.kind == EncodeKind::RipAllTrack ? ".wav" : "";
            const bool perTrackDirectories =
                settings.ArtistAsDirectory || settings.AlbumAsDirectory;
            job.inputPath =
                perTrackDirectories
                    ? request.path + suffix
                    : JoinEncoderPath(destination, FileNameOfPath(request.path)) + suffix;
            break;
        }
    }
    if (request.kind != EncodeKind::RippedTrack) {
        const std::string name = FileNameOfPath(job.inputPath);
        const auto dot = name.rfind('.');
        const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
        job.besideInputPath =
            JoinEncoderPath(DirectoryOf(job.inputPath), stem + "." + job.extension);
        const std::string kept = name.size() >= 3 ? name.substr(0, name.size() - 3) : name;
        job.targetPath = JoinEncoderPath(destination, kept + job.extension);
    }

    job.options = EncoderOptions(settings, job.family, request.values);
    auto& arguments = job.process.arguments;
    arguments.push_back(settings.L3encFilename);
    const std::string input = PathArgument(job.inputPath);
    const std::string output = PathArgument(job.outputPath);
    if (job.family == EncoderFamily::Mp3enc) {
        arguments.insert(arguments.end(), {"-if", input, "-of", output});
        arguments.insert(arguments.end(), job.options.begin(), job.options.end());
        arguments.push_back("-v");
    } else {
        arguments.insert(arguments.end(), {input, output});
        arguments.insert(arguments.end(), job.options.begin(), job.options.end());
    }
    job.process.workingDirectory = DirectoryOf(settings.L3encFilename);
    return job;
}

}  // namespace ps
