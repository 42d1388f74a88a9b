#include "cdaccess/extraction_session.h"

#include "audio/rip_processor.h"

namespace ps {

ExtractionSession::ExtractionSession(ScsiDrive& drive, const TextTable& texts)
    : window_(texts, flags_),
      processor_(std::make_unique<RipProcessor>()),
      extraction_(std::make_unique<SynchronisedExtraction>(drive, *processor_, texts, window_)) {}

ExtractionSession::~ExtractionSession() = default;

std::string ExtractionSession::checksumText() const {
    return RipChecksumText(processor_->Checksum());
}

int ExtractionSession::silenceKind() const {
    return static_cast<int>(processor_->Checksum().kind);
}

}  // namespace ps
