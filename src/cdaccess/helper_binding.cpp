#include "cdaccess/helper_binding.h"

#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

namespace ps {

namespace {

using i16 = std::int16_t;
using i32 = std::int32_t;

// The C++ type of each helper function, in binding order (the order of kHelperPrototypes).
using HelperSignatures =
    std::tuple<i16(), i16(), i16(i16, i16, i16), i16(), i16(), i32(i16), i16(), i16(), i32(), i16(),
               i16(), i16(), i16(), i16(), i16(), i16(i32, i32), i32(),
               i16(i32, i32, i16, i16, i16, i16, i16), void(), void(), i32(), i32(), i16(), i16(),
               i16(), i32(), i16(i16), void(i16)>;

static_assert(std::tuple_size_v<HelperSignatures> == kHelperPrototypes.size());

enum Function : std::size_t {
    kCheckMscdex,
    kCheckMscdexVersion,
    kStartInterfacing,
    kStopInterfacing,
    kGetDiskInfo,
    kGetTrackInfo,
    kGetLowest,
    kGetHighest,
    kGetTotalTime,
    kGetLowNorm,
    kGetHighNorm,
    kStopAudio,
    kResumeAudio,
    kFlushBuffer,
    kIsPlaying,
    kPlayAudio,
    kGetHeadLocation,
    kStartRecord,
    kEndRecord,
    kQuitRecord,
    kContinueRecord,
    kGetNextSec,
    kGetTemporaryHigh,
    kGetTemporaryLow,
    kTestChecksum,
    kGetCheckSum,
    kGetDrvNumber,
    kChangeDrive,
    kFunctionCount
};

static_assert(kFunctionCount == kHelperPrototypes.size());

template <typename T>
std::string_view typeName() {
    if constexpr (std::is_void_v<T>) {
        return "void";
    } else if constexpr (std::is_same_v<T, i16>) {
        return "int16";
    } else {
        static_assert(std::is_same_v<T, i32>);
        return "long16";
    }
}

template <typename R, typename... A>
std::string formatPrototype(R (*)(A...), std::string_view name) {
    std::string text{typeName<R>()};
    text += ' ';
    text += name;
    text += '(';
    if constexpr (sizeof...(A) == 0) {
        text += "void";
    } else {
        bool first = true;
        const auto add = [&](std::string_view type) {
            if (!first) {
                text += ", ";
            }
            text += type;
            first = false;
        };
        (add(typeName<A>()), ...);
    }
    text += ')';
    return text;
}

template <std::size_t I = 0>
std::string boundPrototypeAt(std::size_t index) {
    if constexpr (I == kFunctionCount) {
        return {};
    } else {
        if (index == I) {
            using Signature = std::tuple_element_t<I, HelperSignatures>;
            return formatPrototype(static_cast<Signature*>(nullptr),
                                   helperFunctionName(kHelperPrototypes[I]));
        }
        return boundPrototypeAt<I + 1>(index);
    }
}

class BoundHelper final : public HelperBackend {
  public:
    BoundHelper(std::unique_ptr<DynamicLibrary> library,
                const std::array<LibraryFunction, kFunctionCount>& functions)
        : library_(std::move(library)), functions_(functions) {}

  private:
    // Calls function I through its own type; the library handed it out under that name.
    template <std::size_t I, typename... A>
    auto call(A... arguments) {
        using Signature = std::tuple_element_t<I, HelperSignatures>;
        return reinterpret_cast<Signature*>(functions_[I])(arguments...);
    }

  public:
    i16 CheckMscdex() override { return call<kCheckMscdex>(); }
    i16 CheckMscdexVersion() override { return call<kCheckMscdexVersion>(); }
    i16 StartInterfacing(i16 framesWanted, i16 synchronizationOverlap,
                         i16 continueAfterLostSynch) override {
        return call<kStartInterfacing>(framesWanted, synchronizationOverlap,
                                       continueAfterLostSynch);
    }
    i16 StopInterfacing() override { return call<kStopInterfacing>(); }
    i16 GetDiskInfo() override { return call<kGetDiskInfo>(); }
    i32 GetTrackInfo(i16 track) override { return call<kGetTrackInfo>(track); }
    i16 GetLowest() override { return call<kGetLowest>(); }
    i16 GetHighest() override { return call<kGetHighest>(); }
    i32 GetTotalTime() override { return call<kGetTotalTime>(); }
    i16 GetLowNorm() override { return call<kGetLowNorm>(); }
    i16 GetHighNorm() override { return call<kGetHighNorm>(); }
    i16 StopAudio() override { return call<kStopAudio>(); }
    i16 ResumeAudio() override { return call<kResumeAudio>(); }
    i16 FlushBuffer() override { return call<kFlushBuffer>(); }
    i16 IsPlaying() override { return call<kIsPlaying>(); }
    i16 PlayAudio(i32 startSector, i32 sectorCount) override {
        return call<kPlayAudio>(startSector, sectorCount);
    }
    i32 GetHeadLocation() override { return call<kGetHeadLocation>(); }
    i16 StartRecord(i32 startSector, i32 endSector, i16 leadingSilenceLimit,
                    i16 trailingSilenceLimit, i16 options, i16 checksumOff,
                    i16 skipSectors) override {
        return call<kStartRecord>(startSector, endSector, leadingSilenceLimit, trailingSilenceLimit,
                                  options, checksumOff, skipSectors);
    }
    void EndRecord() override { call<kEndRecord>(); }
    void QuitRecord() override { call<kQuitRecord>(); }
    i32 ContinueRecord() override { return call<kContinueRecord>(); }
    i32 GetNextSec() override { return call<kGetNextSec>(); }
    i16 GetTemporaryHigh() override { return call<kGetTemporaryHigh>(); }
    i16 GetTemporaryLow() override { return call<kGetTemporaryLow>(); }
    i16 TestChecksum() override { return call<kTestChecksum>(); }
    i32 GetCheckSum() override { return call<kGetCheckSum>(); }
    i16 GetDrvNumber(i16 firstOrNext) override { return call<kGetDrvNumber>(firstOrNext); }
    void ChangeDrive(i16 driveIndex) override { call<kChangeDrive>(driveIndex); }

  private:
    std::unique_ptr<DynamicLibrary> library_;
    std::array<LibraryFunction, kFunctionCount> functions_;
};

}  // namespace

std::string_view helperFunctionName(std::string_view prototype) {
    const std::size_t open = prototype.find('(');
    std::string_view head = prototype.substr(0, open);
    while (!head.empty() && head.back() == ' ') {
        head.remove_suffix(1);
    }
    const std::size_t space = head.rfind(' ');
    return space == std::string_view::npos ? head : head.substr(space + 1);
}

std::string boundHelperPrototype(std::size_t index) {
    return boundPrototypeAt(index);
}

HelperBinding bindHelper(std::unique_ptr<DynamicLibrary> library) {
    HelperBinding binding;
    if (!library) {
        return binding;
    }
    std::array<LibraryFunction, kFunctionCount> functions{};
    for (std::size_t i = 0; i < kFunctionCount; ++i) {
        const std::string name{helperFunctionName(kHelperPrototypes[i])};
        functions[i] = library->symbol(name);
        if (functions[i] == nullptr) {
            binding.failure = "Cannot find function " + name;
            return binding;
        }
    }
    binding.helper = std::make_unique<BoundHelper>(std::move(library), functions);
    return binding;
}

HelperBinding loadHelper(LibraryLoader& loader, const std::string& libraryName) {
    return bindHelper(loader.open(libraryName));
}

}  // namespace ps
