#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "cdaccess/drive_types.h"
#include "cdaccess/scsi_speed.h"
#include "support/scsi_rig.h"

namespace ps {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> texts(const SpeedList& list) {
    std::vector<std::string> out;
    for (const auto& entry : list) {
        out.push_back(entry.text);
    }
    return out;
}

// An ATAPI drive whose capabilities page reports, after each SET CD SPEED, the
// speed it settled on for that request.
struct ProbeRig {
    test::ScsiRig rig;
    std::function<int(int requested)> settle = [](int) { return 0; };
    int maximum = 0;
    int lastRequest = 0;
    std::vector<int> requests;

    ProbeRig() {
        rig.target.answer = [this](const test::RecordedCommand& command) {
            test::ScriptedAnswer reply;
            if (command.opcode() == 0xBB) {
                lastRequest = (command.cdb[2] << 8) | command.cdb[3];
                requests.push_back(lastRequest);
            } else if (command.opcode() == 0x5A) {
                const int current = settle(lastRequest);
                reply.data = Bytes(28, 0);
                reply.data[18] = static_cast<std::uint8_t>(maximum >> 8);
                reply.data[19] = static_cast<std::uint8_t>(maximum);
                reply.data[22] = static_cast<std::uint8_t>(current >> 8);
                reply.data[23] = static_cast<std::uint8_t>(current);
            }
            return reply;
        };
    }
};

TEST(ScsiSpeed, FixedListsPerDriveType) {
    EXPECT_EQ(texts(fixedSpeedList(drive_type::kPanasonic)),
              (std::vector<std::string>{"Default", "  1.00 X", "Maximum"}));
    EXPECT_EQ(texts(fixedSpeedList(drive_type::kToshibaNew)),
              (std::vector<std::string>{"Default", "  1.00 X", "Maximum"}));
    EXPECT_EQ(texts(fixedSpeedList(drive_type::kPhilips)),
              (std::vector<std::string>{"Default", "  1.00 X", "  2.00 X", "  6.00 X"}));
    EXPECT_EQ(texts(fixedSpeedList(drive_type::kPlextor)),
              (std::vector<std::string>{"Default", "  1.00 X", "  2.00 X", "  4.00 X", "  8.00 X",
                                        "10X-20X CAV", "17X-40X CAV", "Maximum"}));
    EXPECT_EQ(texts(fixedSpeedList(drive_type::kSony)), std::vector<std::string>{"Default"});

    // SCSI drives are never probed.
    test::ScsiRig rig(drive_type::kPlextor);
    EXPECT_EQ(rig.drive.detectSupportedSpeeds(drive_type::kPlextor, false).size(), 8u);
    EXPECT_TRUE(rig.target.sent.empty());
}

TEST(ScsiSpeed, AllSpeedsAndTheirTexts) {
    const SpeedList all = allAtapiSpeeds();
    ASSERT_EQ(all.size(), 33u);
    EXPECT_EQ(all[0].text, "Default");
    EXPECT_EQ(all[9].text, "  9.00 X");
    EXPECT_EQ(all[10].text, "10.00 X");
    EXPECT_EQ(all[32].factor, 32);
    EXPECT_EQ(speedRequest(1, 0), 176);
    EXPECT_EQ(speedRequest(16, 2), 2824);

    test::ScsiRig rig;
    EXPECT_EQ(rig.drive.detectSupportedSpeeds(drive_type::kAtapi, true).size(), 33u);
    EXPECT_TRUE(rig.target.sent.empty());
}

TEST(ScsiSpeed, ProbeKeepsTheFactorsTheDriveSettlesOn) {
    ProbeRig probe;
    // The drive runs only at 4x (706) and 16x (2820); otherwise it stays at 2x (352).
    probe.settle = [](int requested) {
        if (requested >= 700 && requested <= 710) {
            return 706;
        }
        if (requested >= 2815 && requested <= 2830) {
            return 2820;
        }
        return 352;
    };
    const SpeedList list = probe.rig.drive.detectSupportedSpeeds(drive_type::kAtapi, false);
    EXPECT_EQ(texts(list),
              (std::vector<std::string>{"Default", "  2.00 X", "  4.00 X", "16.00 X"}));
    EXPECT_EQ(list[3].factor, 16);
    // Factor 1: 176, 177, 178 then on; factor 2 matches at once (352 - 352 < 6).
    EXPECT_EQ(std::vector<int>(probe.requests.begin(), probe.requests.begin() + 4),
              (std::vector<int>{176, 177, 178, 352}));
    EXPECT_EQ(probe.requests.size(), 3u * 32 - 3 * 2);
}

TEST(ScsiSpeed, ProbeMatchesTheMaximumAndStopsOnATimeOut) {
    {
        ProbeRig probe;
        probe.maximum = 7056;  // 40x
        const SpeedList list = probe.rig.drive.detectSupportedSpeeds(drive_type::kAtapi, false);
        EXPECT_EQ(list.size(), 1u);  // 40x lies above the 32 probed factors
    }
    {
        ProbeRig probe;
        probe.maximum = 1411;  // 8x: 1411, found on the first try
        const SpeedList list = probe.rig.drive.detectSupportedSpeeds(drive_type::kAtapi, false);
        EXPECT_EQ(texts(list), (std::vector<std::string>{"Default", "  8.00 X"}));
    }
    {
        ProbeRig probe;
        probe.settle = [](int requested) { return requested; };
        auto inner = probe.rig.target.answer;
        int senses = 0;
        probe.rig.target.answer = [&](const test::RecordedCommand& command) {
            if (command.opcode() == 0x5A && ++senses == 3) {
                test::ScriptedAnswer reply;
                reply.never = true;
                return reply;
            }
            return inner(command);
        };
        const SpeedList list = probe.rig.drive.detectSupportedSpeeds(drive_type::kAtapi, false);
        EXPECT_EQ(texts(list), (std::vector<std::string>{"Default", "  1.00 X", "  2.00 X"}));
        EXPECT_EQ(probe.rig.target.waitTimeouts.back(), 3000);
    }
    {
        // A sense that fails does not count as the drive's answer.
        ProbeRig probe;
        probe.rig.target.answer = [](const test::RecordedCommand&) {
            return test::answerStatus(scsi_status::kError);
        };
        EXPECT_EQ(probe.rig.drive.detectSupportedSpeeds(drive_type::kAtapi, false).size(), 1u);
        EXPECT_EQ(probe.rig.target.sent.size(), 32u * 3 * 2);
    }
}

TEST(ScsiSpeed, MatchingTheSavedSpeed) {
    const SpeedList atapi = {{"Default", 0}, {"  4.00 X", 4}, {"16.00 X", 16}, {"32.00 X", 32}};
    EXPECT_EQ(matchSpeedEntry(atapi, "16.00 X", true), 2);
    EXPECT_EQ(matchSpeedEntry(atapi, "4", true), 1);
    EXPECT_EQ(matchSpeedEntry(atapi, "  4.00 X", true), 1);
    EXPECT_EQ(matchSpeedEntry(atapi, "8.00 X", true), 0);
    EXPECT_EQ(matchSpeedEntry(atapi, "Default", true), 0);
    EXPECT_EQ(matchSpeedEntry(atapi, "", true), 0);

    const SpeedList plextor = fixedSpeedList(drive_type::kPlextor);
    EXPECT_EQ(matchSpeedEntry(plextor, "17X-40X CAV", false), 6);
    EXPECT_EQ(matchSpeedEntry(plextor, "2.00 X", false), 2);
    EXPECT_EQ(matchSpeedEntry(plextor, "  2.00 X", false), 2);
    EXPECT_EQ(matchSpeedEntry(plextor, "2", false), 0);
    EXPECT_EQ(matchSpeedEntry(plextor, "maximum", false), 0);
}

TEST(ScsiSpeed, ApplyingSendsThreeRequestsOnAtapiOnly) {
    {
        test::ScsiRig rig;
        rig.drive.applySpeed(allAtapiSpeeds(), 0);
        EXPECT_TRUE(rig.target.sent.empty());
        rig.drive.applySpeed(allAtapiSpeeds(), 1);
        ASSERT_EQ(rig.target.sent.size(), 3u);
        EXPECT_EQ(rig.target.sent[0].block(),
                  (Bytes{0xBB, 0, 0, 176, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(rig.target.sent[2].cdb[3], 178);
        rig.drive.applySpeed(allAtapiSpeeds(), 33);
        EXPECT_EQ(rig.target.sent.size(), 3u);
    }
    {
        test::ScsiRig rig(drive_type::kPlextor);
        rig.drive.applySpeed(fixedSpeedList(drive_type::kPlextor), 3);
        EXPECT_TRUE(rig.target.sent.empty());
    }
}

}  // namespace
}  // namespace ps
