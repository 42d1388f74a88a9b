#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "cdaccess/helper_backend.h"
#include "platform/dynamic_library.h"

namespace ps {

// The helper's functions, in the order they are bound.
inline constexpr std::array<std::string_view, 28> kHelperPrototypes = {
    "int16 CheckMscdex(void)",
    "int16 CheckMscdexVersion(void)",
    "int16 StartInterfacing(int16, int16, int16)",
    "int16 StopInterfacing(void)",
    "int16 GetDiskInfo(void)",
    "long16 GetTrackInfo(int16)",
    "int16 GetLowest(void)",
    "int16 GetHighest(void)",
    "long16 GetTotalTime(void)",
    "int16 GetLowNorm(void)",
    "int16 GetHighNorm(void)",
    "int16 StopAudio(void)",
    "int16 ResumeAudio(void)",
    "int16 FlushBuffer(void)",
    "int16 IsPlaying(void)",
    "int16 PlayAudio(long16, long16)",
    "long16 GetHeadLocation(void)",
    "int16 StartRecord(long16, long16, int16, int16, int16, int16, int16)",
    "void EndRecord(void)",
    "void QuitRecord(void)",
    "long16 ContinueRecord(void)",
    "long16 GetNextSec(void)",
    "int16 GetTemporaryHigh(void)",
    "int16 GetTemporaryLow(void)",
    "int16 TestChecksum(void)",
    "long16 GetCheckSum(void)",
    "int16 GetDrvNumber(int16)",
    "void ChangeDrive(int16)",
};

// The function name inside a prototype: the word before the opening parenthesis.
std::string_view helperFunctionName(std::string_view prototype);

// The prototype that function `index` of the binding order is called with here, written
// from its C++ type in the same notation as kHelperPrototypes.
std::string boundHelperPrototype(std::size_t index);

struct HelperBinding {
    // The bound helper, which keeps the library loaded; nullptr when binding failed, and
    // the helper then counts as not loaded.
    std::unique_ptr<HelperBackend> helper;
    // "Cannot find function %s" with the first missing function's name; empty otherwise.
    std::string failure;
};

// Binds each function by its prototype in binding order, stopping at the first one the
// library lacks. A null library gives no helper and no failure text.
HelperBinding bindHelper(std::unique_ptr<DynamicLibrary> library);

// Opens the helper library by name and binds it; a library that cannot be opened gives no
// helper and no failure text.
HelperBinding loadHelper(LibraryLoader& loader, const std::string& libraryName);

}  // namespace ps
