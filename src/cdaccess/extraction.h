#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "cdaccess/aspi_transport.h"
#include "cdaccess/backend_types.h"
#include "cdaccess/copying_window.h"
#include "cdaccess/disc_table.h"
#include "cdaccess/extraction_progress.h"
#include "cdaccess/scsi_drive.h"
#include "i18n/text_table.h"

namespace ps {

class RipProcessor;

// Values of ASPISynchMethod.
namespace rip_method {
inline constexpr int kBufferedBurst = 1;  // 0 means the same
inline constexpr int kUnbufferedBurst = 2;
inline constexpr int kAdaptive = 3;
inline constexpr int kFixedFirst = 4;  // overlap 1
inline constexpr int kFixedLast = 14;  // overlap 11 (no dialog entry names it)
}  // namespace rip_method

// The rip-method entries of the settings dialog, in order; entry i is method i + 1.
inline constexpr std::array<std::string_view, 13> kRipMethodEntries{
    "Buffered Burst Copy", "Unbuffered Burst Copy", "Dynamic synch width", "Fixed synch width 1",
    "Fixed synch width 2", "Fixed synch width 3",   "Fixed synch width 4", "Fixed synch width 5",
    "Fixed synch width 6", "Fixed synch width 7",   "Fixed synch width 8", "Fixed synch width 9",
    "Fixed synch width 10"};
// The method of an entry's exact text; 0 when no entry has it.
int RipMethodOfEntry(std::string_view text);
// The method the settings' `ASPIRipMethod` selects: the first entry whose text begins with
// it, else the first entry ("Burst Copy" gives "Buffered Burst Copy").
int RipMethodOfSetting(std::string_view text);

// Encoding while ripping: the extraction hands every batch to the encoder instead of a
// file. Empty members mean no direct encoding.
struct DirectEncoderHooks {
    std::function<bool()> start;  // false: the encoder could not start
    std::function<bool(const std::uint8_t* data, std::size_t length)> chunk;
    std::function<void()> finish;
    std::function<void()> cancel;
    bool active() const { return static_cast<bool>(start); }
};

// The settings an extraction reads, by key.
struct ExtractionSettings {
    int synchMethod = 0;                 // ASPISynchMethod
    bool continueAfterLostSynch = true;  // ContinueAfterLostSynch
    int byteOrder = 0;                   // ASPIInversedByteOrder: 0 detect, 1 as read, 2 swapped
    bool sendStartUnit = false;          // SendStartUnit
    int speedIndex = 0;                  // entry of ASPIRipSpeed in the speed list
    int cdSpeed = 100;                   // CDSpeed
    std::string destinationDirectory;    // DestinationDirectory: temp.wav goes here
    std::string outputPath;              // when set, written instead of temp.wav
    // Partial rips.
    bool fadeIn = false;
    bool fadeOut = false;
    int fadeSeconds = 0;
    bool logarithmicFade = false;
};

// temp.wav in a directory.
std::string TempWavePath(const std::string& directory);

// StartRecord in ASPI mode: reads an inclusive range of audio sectors from the drive's
// current target with the chosen copy method and hands them, in order, through the rip
// block processing into temp.wav.
//
// One instance serves every extraction of a session; its ring and buffers are reused.
// The transport's pump hook keeps the program alive while it waits; during an
// extraction its abort hook also answers the abort-this-track flag.
class SynchronisedExtraction {
  public:
    SynchronisedExtraction(ScsiDrive& drive, RipProcessor& processor, const TextTable& texts,
                           CopyingProgress& progress);

    // Result: a record_result code or the status byte of the failed read.
    int StartRecord(const RecordRequest& request, const DiscTable& table,
                    ExtractionStatistics& statistics, const ExtractionSettings& settings,
                    const DirectEncoderHooks& encoder = {});

    // The sector the running extraction reads next.
    std::int32_t GetNextSec() const { return nextRead_; }
    std::int32_t nextDelivered() const { return nextDelivered_; }
    int lostSynchCount() const { return lostSynch_; }
    int synchOffset() const { return synchOffset_; }
    int overlap() const { return overlap_; }
    // 1: an error was recorded during the copy (direct encoding failed); 2: the direct
    // encoder did not start.
    int errorCode() const { return error_; }
    // Audio bytes delivered to the file (before silence trimming).
    std::uint64_t dataSize() const { return dataSize_; }
    // Whole-extraction read speed (1.0 = real time) and the speed line's last figure.
    double averageSpeed() const { return averageSpeed_; }
    double reportedSpeed() const { return report_.speed(); }
    int slowProcessingEvents() const { return slowEvents_; }
    // The file the last extraction wrote.
    const std::string& outputPath() const { return path_; }
    AspiReadRing& ring() { return ring_; }

  private:
    enum class Step { Go, Stop };
    struct HookGuard;

    int run(const RecordRequest& request, const DiscTable& table,
            const ExtractionSettings& settings);
    int begin(int slotsToClear);
    int bufferedBurstCopy();
    int unbufferedBurstCopy();
    int fixedOverlapCopy(int overlap);
    int adaptiveCopy();

    // Delivers `sectors` sectors from `data`; false when the copy must stop (result_ set).
    bool deliver(std::uint8_t* data, int sectors);
    void progress(const ProgressValue& value);
    void pump();
    bool abortSeen() const { return flags().track; }
    AbortFlags& flags() const { return progress_.abortFlags(); }

    void buildRead(int slot, std::int32_t first, int count, bool polled, int timeoutMs);
    // The bytes a completed read brought, 0 when the read failed or came back short.
    bool readGood(int slot, int count) const;
    std::uint8_t failedStatus(int slot) const;
    bool nearReadableEnd() const;
    std::int32_t clampCount(std::int32_t first, std::int32_t count) const;
    void forgetPending();
    void discardFile();
    int finishFile();
    // Shows a button text for `ms` while processing messages, then restores it.
    void showButtonFor(bool abortAllButton, int ms);
    int abortResult(int skipMs);
    int lostSynch(int progressValueShown);

    ScsiDrive& drive_;
    AspiTransport& transport_;
    RipProcessor& processor_;
    const TextTable& texts_;
    CopyingProgress& progress_;
    ExtractionProgressReport report_;
    AspiReadRing ring_;
    std::array<bool, AspiReadRing::kSlots> active_{};
    std::array<int, AspiReadRing::kSlots> counts_{};
    std::array<std::uint8_t, 2352> reference_{};

    RecordRequest request_;
    ExtractionSettings settings_;
    const DirectEncoderHooks* encoder_ = nullptr;
    std::string path_;
    bool write_ = false;
    bool spinUp_ = false;
    bool burst_ = false;
    std::int32_t start_ = 0;
    std::int32_t end_ = 0;
    std::int32_t readLimit_ = 0;  // last sector any read may touch
    std::int32_t nextRead_ = 0;
    std::int32_t nextDelivered_ = 0;
    int skipRemaining_ = 0;
    int overlap_ = 0;
    int synchOffset_ = 0;
    int lostSynch_ = 0;
    int error_ = 0;
    int result_ = 0;
    bool endReached_ = false;
    bool analysed_ = false;  // the processing was reset for this extraction
    bool encoderStarted_ = false;
    std::uint64_t dataSize_ = 0;
    int blockPeak_ = 0;
    int bufferIndicator_ = 0;
    int slowEvents_ = 0;
    double averageSpeed_ = 0.0;
};

}  // namespace ps
