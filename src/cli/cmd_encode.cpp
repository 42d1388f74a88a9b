#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_program.h"
#include "cli/command.h"
#include "cli/json.h"
#include "encode/encode_file.h"

namespace ps::cli {
namespace {

constexpr const char* kUsage =
    "usage: platterscoop-cli encode FILE... [--set KEY=VALUE]... [--json]\n";

// The encoder runs in its own directory, so every path it is given must be absolute.
std::string AbsolutePath(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string MessageText(const TextTable& texts, const EncodeMessage& message) {
    if (message.key.empty()) {
        return {};
    }
    if (message.arguments.empty()) {
        return std::string(texts.text(message.key));
    }
    return texts.format(message.key, message.arguments.front());
}

int runEncode(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = takeFlag(args, "--json");
    std::vector<std::pair<std::string, std::string>> overrides;
    if (!takeFilesAndOverrides(args, kUsage, overrides)) {
        return 2;
    }
    CliProgram program;
    if (!program.create(overrides)) {
        return 1;
    }
    ProgramShell& shell = *program.shell;
    Settings& settings = shell.settings;
    // The internal codecs are not available here: the external encoder does the work.
    settings.InternalCodec = false;
    settings.DestinationDirectory = AbsolutePath(settings.DestinationDirectory);
    if (settings.DestinationDirectory.empty()) {
        settings.DestinationDirectory = AbsolutePath(".");
    }

    if (shell.encoderAdapter() == nullptr) {
        std::fprintf(stderr, "encode: no external encoder can be started here\n");
        return 1;
    }
    ExternalEncodeSession& session = shell.encoderAdapter()->session();
    bool allDone = true;
    const int count = static_cast<int>(args.size());
    for (int i = 0; i < count; ++i) {
        ChosenFileRequest request;
        request.path = AbsolutePath(args[static_cast<std::size_t>(i)]);
        request.index = i + 1;
        request.count = count;
        const EncodeFileOutcome outcome = EncodeWaveFile(session, settings, request, {});
        const bool ok = outcome.succeeded() && !outcome.result->outputPath.empty();
        std::string error = MessageText(shell.texts, outcome.message);
        if (!ok && error.empty()) {
            if (outcome.result && !outcome.result->outputFound) {
                error = "encode: the encoder wrote no output for " + request.path;
            } else if (outcome.result && !outcome.result->exitedNormally) {
                error = "encode: the encoder failed on " + request.path;
            } else {
                error = "encode: the output of " + request.path + " could not be named";
            }
        }
        allDone = allDone && ok;
        const std::string output = outcome.result ? outcome.result->outputPath : std::string();
        if (json) {
            std::printf("{\"file\":%s,\"started\":%s,\"output\":%s,\"tag_written\":%s",
                        jsonString(request.path).c_str(),
                        outcome.started == encode_start::kStarted ? "true" : "false",
                        output.empty() ? "null" : jsonString(output).c_str(),
                        outcome.result && outcome.result->tagWritten ? "true" : "false");
            if (!ok) {
                std::printf(",\"error\":%s", jsonString(error).c_str());
            }
            std::printf("}\n");
        } else if (ok) {
            std::printf("%s: %s\n", request.path.c_str(), output.c_str());
        }
        if (!ok) {
            std::fprintf(stderr, "%s\n", error.c_str());
        }
    }
    return allDone ? 0 : 1;
}

const RegisterCommand registerEncode{
    {"encode",
     "encode FILE... [--set KEY=VALUE]... [--json]   encode wave files with the MP3 encoder",
     runEncode}};

}  // namespace
}  // namespace ps::cli
