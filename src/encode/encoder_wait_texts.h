#pragma once

#include <string>

namespace ps {

// The lines of the "Waiting for external MP3 encoder" window, in the window's order,
// ready to show.
struct EncoderWaitTexts {
    std::string processing;    // "Processing file" or "Processing file 2 of (5)"
    std::string originalName;  // "Original filename: ..."
    std::string newName;       // "New filename: ..."
    std::string bitrate;       // "Bitrate: 112000 bps"; "Bitrate:" with own arguments
    std::string highQuality;   // "High quality: Yes"
    std::string crc;           // "CRC: No"
    std::string ownArguments;  // "Own arguments: ..."; "Own arguments:" without them
};

}  // namespace ps
