#include "cdaccess/helper_binding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cdaccess/read_method.h"
#include "cdaccess/read_method_selection.h"
#include "support/fake_clock.h"
#include "support/fake_drive_types.h"
#include "support/fake_dynamic_library.h"

namespace ps {
namespace {

// What the fake helper's functions were called with.
std::vector<std::string> gCalls;

void unused() {}

std::int16_t startInterfacing(std::int16_t frames, std::int16_t overlap, std::int16_t cont) {
    gCalls.push_back("StartInterfacing " + std::to_string(frames) + " " + std::to_string(overlap) +
                     " " + std::to_string(cont));
    return frames;
}
std::int32_t getTrackInfo(std::int16_t track) {
    return 1000000 + track;
}
std::int16_t playAudio(std::int32_t start, std::int32_t count) {
    gCalls.push_back("PlayAudio " + std::to_string(start) + " " + std::to_string(count));
    return 1;
}
std::int16_t startRecord(std::int32_t start, std::int32_t end, std::int16_t leading,
                         std::int16_t trailing, std::int16_t options, std::int16_t checksumOff,
                         std::int16_t skip) {
    gCalls.push_back("StartRecord " + std::to_string(start) + " " + std::to_string(end) + " " +
                     std::to_string(leading) + " " + std::to_string(trailing) + " " +
                     std::to_string(options) + " " + std::to_string(checksumOff) + " " +
                     std::to_string(skip));
    return 1;
}
void endRecord() {
    gCalls.push_back("EndRecord");
}
std::int32_t getCheckSum() {
    return -2;
}
std::int16_t getDrvNumber(std::int16_t firstOrNext) {
    return firstOrNext == 0 ? 3 : 255;
}
void changeDrive(std::int16_t drive) {
    gCalls.push_back("ChangeDrive " + std::to_string(drive));
}

template <typename F>
LibraryFunction exported(F* function) {
    return reinterpret_cast<LibraryFunction>(function);
}

// A helper library with every function; the ones the tests call do something.
std::unique_ptr<test::FakeDynamicLibrary> completeLibrary() {
    auto library = std::make_unique<test::FakeDynamicLibrary>();
    for (const std::string_view prototype : kHelperPrototypes) {
        library->functions[std::string(helperFunctionName(prototype))] = &unused;
    }
    library->functions["StartInterfacing"] = exported(&startInterfacing);
    library->functions["GetTrackInfo"] = exported(&getTrackInfo);
    library->functions["PlayAudio"] = exported(&playAudio);
    library->functions["StartRecord"] = exported(&startRecord);
    library->functions["EndRecord"] = exported(&endRecord);
    library->functions["GetCheckSum"] = exported(&getCheckSum);
    library->functions["GetDrvNumber"] = exported(&getDrvNumber);
    library->functions["ChangeDrive"] = exported(&changeDrive);
    return library;
}

TEST(HelperBinding, EachFunctionIsCalledThroughTheTypeItsPrototypeStates) {
    for (std::size_t i = 0; i < kHelperPrototypes.size(); ++i) {
        EXPECT_EQ(boundHelperPrototype(i), kHelperPrototypes[i]) << i;
    }
    EXPECT_EQ(helperFunctionName("int16 StartInterfacing(int16, int16, int16)"),
              "StartInterfacing");
    EXPECT_EQ(helperFunctionName("void EndRecord(void)"), "EndRecord");
}

TEST(HelperBinding, ABoundHelperCallsTheLibrarysFunctions) {
    gCalls.clear();
    HelperBinding binding = bindHelper(completeLibrary());
    ASSERT_NE(binding.helper, nullptr);
    EXPECT_EQ(binding.failure, "");
    HelperBackend& helper = *binding.helper;

    EXPECT_EQ(helper.StartInterfacing(75, 3, 1), 75);
    EXPECT_EQ(helper.GetTrackInfo(12), 1000012);
    EXPECT_EQ(helper.PlayAudio(150000, 70000), 1);
    EXPECT_EQ(helper.StartRecord(100, 90000, 30, 45, 1, 0, 7), 1);
    helper.EndRecord();
    EXPECT_EQ(helper.GetCheckSum(), -2);
    EXPECT_EQ(helper.GetDrvNumber(0), 3);
    EXPECT_EQ(helper.GetDrvNumber(1), 255);
    helper.ChangeDrive(4);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"StartInterfacing 75 3 1", "PlayAudio 150000 70000",
                                                "StartRecord 100 90000 30 45 1 0 7", "EndRecord",
                                                "ChangeDrive 4"}));
}

TEST(HelperBinding, StopsAtTheFirstMissingFunction) {
    auto library = completeLibrary();
    library->functions.erase("GetTotalTime");
    std::vector<std::string> lookups;
    library->lookups = &lookups;

    const HelperBinding binding = bindHelper(std::move(library));
    EXPECT_EQ(binding.helper, nullptr);
    EXPECT_EQ(binding.failure, "Cannot find function GetTotalTime");
    // Everything before it in binding order was looked up, nothing after it.
    ASSERT_EQ(lookups.size(), 9u);
    EXPECT_EQ(lookups.front(), "CheckMscdex");
    EXPECT_EQ(lookups.back(), "GetTotalTime");
}

TEST(HelperBinding, AMissingLibraryGivesNoHelperAndNoFailureText) {
    test::FakeLibraryLoader loader;
    loader.name = "helper";
    loader.library = completeLibrary();
    const HelperBinding binding = loadHelper(loader, "other");
    EXPECT_EQ(binding.helper, nullptr);
    EXPECT_EQ(binding.failure, "");
    EXPECT_NE(loadHelper(loader, "helper").helper, nullptr);
}

TEST(HelperBinding, AHelperThatFailedToBindCountsAsNotLoaded) {
    test::FakeLibraryLoader loader;
    loader.name = "helper";
    auto library = completeLibrary();
    library->functions.erase("ChangeDrive");
    loader.library = std::move(library);

    test::FakeClock clock;
    DiscTable table;
    ExtractionStatistics statistics;
    std::string failure;
    ReadMethod rm(clock, table, statistics, nullptr, nullptr, false, [&] {
        HelperBinding binding = loadHelper(loader, "helper");
        failure = binding.failure;
        return std::move(binding.helper);
    });
    EXPECT_FALSE(rm.helperLoaded);
    EXPECT_EQ(failure, "Cannot find function ChangeDrive");

    test::FakeDriveTypes drives({3});
    AccessSelectionInput input;
    input.accessMode = "MSCDEX";
    EXPECT_EQ(selectAccessMode(rm, input, drives).mode, access_mode::kAnalog);
    EXPECT_FALSE(rm.helperStartupFailed);
}

}  // namespace
}  // namespace ps
