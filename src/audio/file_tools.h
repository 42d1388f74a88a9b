#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ps {

// Progress of the checksum and compare tools. The pump callback passed beside it
// processes pending window messages; a window's stop button answers through
// stopRequested.
class FileToolProgress {
  public:
    virtual ~FileToolProgress() = default;
    virtual void progress(int percent) = 0;
    virtual bool stopRequested() { return false; }
};

enum class FileChecksumStatus { Done, NotFound, TooShort, SeekError, Stopped };

struct FileChecksumResult {
    FileChecksumStatus status = FileChecksumStatus::Done;
    std::uint32_t checksum = 0;
    bool startsWithSilence = false;
    bool endsWithSilence = false;
    std::int64_t fileSize = 0;
};

// The audio checksum of a wave file, the same value a rip of the audio computes. The
// audio is taken from offset 44 to the end of the data chunk when the canonical header
// names one inside the file, else to the end of the file.
FileChecksumResult FileChecksum(const std::string& path, FileToolProgress* progress,
                                const std::function<void()>& pump);

// What the checksum window's result field shows: "1A2B3C4D" with its X marks, an
// error text, or nothing after a stop.
std::string FileChecksumText(const FileChecksumResult& result);

// The checksum window's "Loaded CD number is:" value: the CD player disc number in
// hexadecimal, or "UNKNOWN" when no disc is known (0).
std::string LoadedDiscText(std::uint32_t discNumber);

enum class CompareStatus { NoDifferences, Differences, Stopped, NotCompared };

struct CompareResult {
    CompareStatus status = CompareStatus::NotCompared;
    std::int64_t offset = 0;  // as shown: negative when the audio lies later in the second file
    std::string offsetText;   // "Offset: -2352    bytes"
    std::vector<std::string> lines;     // the list: the difference listing or a closing text
    int selectedLine = -1;              // the first differing line
    std::int64_t firstDifference = -1;  // its offset in the first file
};

// "File size: %d / %d bytes" for the compare window (sizes below 0: the file is missing).
std::string CompareSizeText(std::int64_t firstSize, std::int64_t secondSize);

// Lines up two rips of the same audio and lists the bytes around the first difference.
CompareResult CompareFiles(const std::string& firstPath, const std::string& secondPath,
                           FileToolProgress* progress, const std::function<void()>& pump);

}  // namespace ps
