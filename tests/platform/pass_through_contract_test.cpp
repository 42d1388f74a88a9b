#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/clock.h"
#include "platform/linux/sg_pass_through.h"
#include "virtual/scsi_helpers.h"
#include "virtual/virtual_pass_through.h"

namespace ps {
namespace {

using test::Command;

// The same behaviour is asked of every PassThrough: the virtual one always, the Linux
// sg one on the drives of this machine when it has any.
struct Realisation {
    std::string name;
    std::function<std::unique_ptr<PassThrough>()> make;
};

SteadyClock& steadyClock() {
    static SteadyClock clock;
    return clock;
}

std::vector<Realisation> realisations() {
    return {
        {"Virtual",
         [] {
             auto pt = std::make_unique<VirtualPassThrough>(steadyClock());
             pt->addDrive(std::make_shared<VirtualDrive>(steadyClock(), demoDisc()), 1);
             return std::unique_ptr<PassThrough>(std::move(pt));
         }},
        {"Sg", [] { return std::unique_ptr<PassThrough>(std::make_unique<SgPassThrough>()); }},
    };
}

class PassThroughContract : public ::testing::TestWithParam<Realisation> {
  protected:
    void SetUp() override {
        pt = GetParam().make();
        for (int ha = 0; ha < pt->hostAdapterCount() && !found; ++ha) {
            for (std::uint8_t id = 0; id < 16; ++id) {
                const ScsiTarget t{static_cast<std::uint8_t>(ha), id, 0};
                if (pt->deviceType(t) == 5) {
                    cdrom = t;
                    found = true;
                    break;
                }
            }
        }
        if (!found) {
            // Said out loud: on a machine without drives only the discovery checks run.
            GTEST_SKIP() << GetParam().name << ": no CD-ROM device on this machine";
        }
    }
    Command inquiry() {
        Command c({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
        c.request.target = cdrom;
        return c;
    }

    std::unique_ptr<PassThrough> pt;
    ScsiTarget cdrom;
    bool found = false;
};

TEST_P(PassThroughContract, DiscoveryNamesTheDrive) {
    EXPECT_FALSE(pt->deviceNode(cdrom).empty());
    const HostAdapterInfo info = pt->inquireHostAdapter(cdrom.hostAdapter);
    EXPECT_EQ(info.managerId.size(), 16u);
    EXPECT_EQ(info.adapterId.size(), 16u);
    EXPECT_EQ(pt->deviceType(ScsiTarget{static_cast<std::uint8_t>(pt->hostAdapterCount()), 0, 0}),
              -1);
}

TEST_P(PassThroughContract, InquiryCompletesByEventAndByPolling) {
    Command byEvent = inquiry();
    pt->send(byEvent.request);
    ASSERT_TRUE(byEvent.request.status != scsi_status::kPending || pt->wait(byEvent.request, 3000));
    ASSERT_EQ(byEvent.request.status, scsi_status::kDone);
    EXPECT_EQ(byEvent.data[0] & 0x1F, 5);
    EXPECT_GT(byEvent.request.transferred, 8u);
    EXPECT_LE(byEvent.request.transferred, 36u);

    Command polled = inquiry();
    polled.request.eventNotify = false;
    pt->send(polled.request);
    const std::int64_t until = steadyClock().nowMs() + 3000;
    while (pt->poll(polled.request) == scsi_status::kPending && steadyClock().nowMs() < until) {
        steadyClock().sleepMs(1);
    }
    EXPECT_EQ(polled.request.status, scsi_status::kDone);
    EXPECT_EQ(polled.data, byEvent.data);
}

TEST_P(PassThroughContract, TenRequestsInFlight) {
    std::vector<Command> cmds;
    for (int i = 0; i < 10; ++i) {
        cmds.push_back(inquiry());
    }
    for (Command& c : cmds) {
        c.request.buffer = c.data.data();
        pt->send(c.request);
        EXPECT_NE(c.request.status, scsi_status::kAborted);
    }
    for (Command& c : cmds) {
        ASSERT_TRUE(c.request.status != scsi_status::kPending || pt->wait(c.request, 3000));
        EXPECT_EQ(c.request.status, scsi_status::kDone);
    }
}

TEST_P(PassThroughContract, NotReadyOrReadyButAlwaysFinalWithCutSense) {
    Command tur({0, 0, 0, 0, 0, 0});
    tur.request.target = cdrom;
    const std::int64_t t0 = steadyClock().nowMs();
    pt->send(tur.request);
    if (tur.request.status == scsi_status::kPending) {
        pt->wait(tur.request, 3000);
    }
    EXPECT_LE(steadyClock().nowMs() - t0, 3500);
    ASSERT_TRUE(tur.request.status == scsi_status::kDone ||
                tur.request.status == scsi_status::kError)
        << int{tur.request.status};
    if (tur.request.status == scsi_status::kError) {
        EXPECT_EQ(tur.request.sense[0] & 0x7E, 0x70);
    }
}

TEST_P(PassThroughContract, AddressingErrorsComeBackAtOnce) {
    Command badAdapter = inquiry();
    badAdapter.request.target.hostAdapter = static_cast<std::uint8_t>(pt->hostAdapterCount());
    pt->send(badAdapter.request);
    EXPECT_EQ(badAdapter.request.status, scsi_status::kInvalidHostAdapter);
    Command lun = inquiry();
    lun.request.target.lun = 7;
    pt->send(lun.request);
    EXPECT_EQ(lun.request.status, scsi_status::kNoDevice);
    Command done = inquiry();
    ASSERT_EQ(done.run(*pt), scsi_status::kDone);
    EXPECT_TRUE(pt->wait(done.request, 0));  // a finished request does not wait
}

INSTANTIATE_TEST_SUITE_P(All, PassThroughContract, ::testing::ValuesIn(realisations()),
                         [](const auto& info) { return info.param.name; });

// Discovery on this machine and on folders made for the test.
bool machineHasNodes() {
    for (const auto& e : std::filesystem::directory_iterator("/dev")) {
        const std::string n = e.path().filename().string();
        if ((n.rfind("sg", 0) == 0 || n.rfind("sr", 0) == 0) && n.size() > 2 &&
            std::isdigit(static_cast<unsigned char>(n[2]))) {
            return true;
        }
    }
    return false;
}

TEST(SgPassThroughDiscovery, MachineWithoutNodesHasNoHostAdapters) {
    SgPassThrough pt;
    if (machineHasNodes()) {
        GTEST_SKIP() << "this machine has SCSI generic or CD nodes; the contract suite covers it";
    }
    EXPECT_EQ(pt.hostAdapterCount(), 0);
    EXPECT_EQ(pt.deviceType(ScsiTarget{}), -1);
    EXPECT_EQ(pt.deviceNode(ScsiTarget{}), "");
    Command c({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
    pt.send(c.request);
    EXPECT_EQ(c.request.status, scsi_status::kInvalidHostAdapter);
}

TEST(SgPassThroughDiscovery, NodesThatAreNotScsiDevicesAreIgnored) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "ps_sg_scan";
    fs::create_directories(dir);
    std::ofstream(dir / "sg0") << "not a device";
    std::ofstream(dir / "sr0") << "not a device";
    std::ofstream(dir / "sgx") << "not a node name";
    SgPassThrough pt(dir.string());
    EXPECT_EQ(pt.hostAdapterCount(), 0);
    EXPECT_TRUE(pt.driverVersion().empty());
    SgPassThrough empty((dir / "missing").string());
    EXPECT_EQ(empty.hostAdapterCount(), 0);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ps
