#include "cdaccess/null_backends.h"

namespace ps {

int NullAspiBackend::StartRecord(const RecordRequest&, const DiscTable&, ExtractionStatistics&) {
    return record_result::kNotStarted;
}

int NullAnalogBackend::StartRecord(int, const RecordRequest&, const DiscTable&,
                                   ExtractionStatistics&) {
    return record_result::kNotStarted;
}

std::int16_t NullHelperBackend::StartRecord(std::int32_t, std::int32_t, std::int16_t, std::int16_t,
                                            std::int16_t, std::int16_t, std::int16_t) {
    return 0;
}

// 255 ends a drive list; 0 would name drive A:.
std::int16_t NullHelperBackend::GetDrvNumber(std::int16_t) {
    return 255;
}

}  // namespace ps
