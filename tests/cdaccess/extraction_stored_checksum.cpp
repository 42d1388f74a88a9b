#include "cdaccess/extraction_stored_checksum.h"

#include "audio/file_tools.h"

namespace ps::test {

StoredChecksum StoredFileChecksum(const std::string& path) {
    const FileChecksumResult result = FileChecksum(path, nullptr, {});
    return {result.status == FileChecksumStatus::Done, result.checksum, result.startsWithSilence,
            result.endsWithSilence};
}

}  // namespace ps::test
