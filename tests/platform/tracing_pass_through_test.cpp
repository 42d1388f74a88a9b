#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/tracing_pass_through.h"
#include "support/fake_clock.h"
#include "virtual/scsi_helpers.h"
#include "virtual/virtual_pass_through.h"

namespace ps {
namespace {

std::vector<std::string> lines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) {
        out.push_back(l);
    }
    return out;
}

class TracingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = std::filesystem::temp_directory_path() / "ps_scsi_trace.txt";
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::unique_ptr<TracingPassThrough> make(const std::string& faults) {
        VirtualFaults f;
        std::string error;
        EXPECT_TRUE(parseVirtualFaults(faults, f, error));
        auto inner = std::make_unique<VirtualPassThrough>(clock);
        inner->addDrive(std::make_shared<VirtualDrive>(clock, demoDisc(), f), 1);
        return std::make_unique<TracingPassThrough>(std::move(inner), path.string());
    }
    test::FakeClock clock;
    std::filesystem::path path;
};

TEST_F(TracingTest, OneLinePerCommandWithTheFinalStatus) {
    auto pt = make("timeout=40");
    ASSERT_TRUE(pt->tracing());
    test::Command read({0xBE, 0x04, 0, 0, 0, 0, 0, 0, 0x1B, 0x10, 0, 0}, DataDirection::In, 63504,
                       1);
    read.run(*pt);
    test::Command select({0x15, 0x10, 0, 0, 12, 0}, DataDirection::Out, 12, 1);
    select.data[3] = 8;
    select.data[10] = 0x09;
    select.data[11] = 0x30;
    select.run(*pt);
    test::Command play({0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataDirection::None, 0, 1);
    play.run(*pt);  // nothing plays: an error status
    test::Command hang = test::readCd(30, 20);
    hang.request.target.targetId = 1;
    hang.request.timeoutMs = 100;
    hang.run(*pt);
    test::Command nobody({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36, 5);
    nobody.run(*pt);
    EXPECT_EQ(lines(path), (std::vector<std::string>{
                               "0:1:0 BE 04 00 00 00 00 00 00 1B 10 00 00 in 63504 status 1",
                               "0:1:0 15 10 00 00 0C 00 out 12 status 1",
                               "0:1:0 4B 00 00 00 00 00 00 00 00 00 none 0 status 4",
                               "0:1:0 BE 04 00 00 00 1E 00 00 14 F0 in 63504 status 9",
                               "0:5:0 12 00 00 00 24 00 in 36 status 82",
                           }));
}

TEST_F(TracingTest, AbandonedRequestsAreTracedAndTheFileIsAppended) {
    {
        auto pt = make("slow=1000");
        test::Command c({0, 0, 0, 0, 0, 0}, DataDirection::None, 0, 1);
        pt->send(c.request);
        EXPECT_EQ(lines(path).size(), 0u);  // not final yet
        pt->abandon(c.request);
    }
    {
        auto pt = make("");
        test::Command c({0, 0, 0, 0, 0, 0}, DataDirection::None, 0, 1);
        c.request.eventNotify = false;
        pt->send(c.request);
        pt->poll(c.request);
    }
    EXPECT_EQ(lines(path), (std::vector<std::string>{"0:1:0 00 00 00 00 00 00 none 0 status 0",
                                                     "0:1:0 00 00 00 00 00 00 none 0 status 1"}));
}

TEST_F(TracingTest, EnvironmentDecidesWhetherToTrace) {
    ::unsetenv("PLATTERSCOOP_SCSI_TRACE");
    auto plain = std::make_unique<VirtualPassThrough>(clock);
    PassThrough* raw = plain.get();
    EXPECT_EQ(traceFromEnvironment(std::move(plain)).get(), raw);
    ::setenv("PLATTERSCOOP_SCSI_TRACE", path.string().c_str(), 1);
    auto traced = traceFromEnvironment(std::make_unique<VirtualPassThrough>(clock));
    EXPECT_NE(dynamic_cast<TracingPassThrough*>(traced.get()), nullptr);
    ::unsetenv("PLATTERSCOOP_SCSI_TRACE");
}

}  // namespace
}  // namespace ps
