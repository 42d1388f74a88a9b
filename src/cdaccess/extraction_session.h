#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cdaccess/copying_window.h"
#include "cdaccess/extraction.h"
#include "cdaccess/scsi_drive.h"
#include "i18n/text_table.h"

namespace ps {

// An extraction with everything it needs of its own: the rip block processing, the abort
// flags and the model of the "Copying" window. For the command line, the benchmarks and
// tests; the program itself passes its own processing and window to the extraction.
class ExtractionSession {
  public:
    ExtractionSession(ScsiDrive& drive, const TextTable& texts);
    ~ExtractionSession();
    ExtractionSession(const ExtractionSession&) = delete;
    ExtractionSession& operator=(const ExtractionSession&) = delete;

    SynchronisedExtraction& extraction() { return *extraction_; }
    CopyingWindow& window() { return window_; }
    AbortFlags& flags() { return flags_; }
    RipProcessor& processor() { return *processor_; }

    // The checksum of the last rip as the track list shows it (" %08lX" with its X marks)
    // and its silence kind (0..3).
    std::string checksumText() const;
    int silenceKind() const;

  private:
    AbortFlags flags_;
    CopyingWindow window_;
    std::unique_ptr<RipProcessor> processor_;
    std::unique_ptr<SynchronisedExtraction> extraction_;
};

}  // namespace ps
