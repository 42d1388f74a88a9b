#include "platform/instance_channel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/local_instance_channel.h"
#include "support/memory_instance_channel.h"

namespace ps {
namespace {

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "test_platform";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Makes the channels of one "program directory": the socket realisation and the
// in-memory double share the same contract.
struct LocalChannels {
    std::string directory = std::filesystem::temp_directory_path() /
                            ("ps-instance-" + std::to_string(QCoreApplication::applicationPid()));
    std::unique_ptr<InstanceChannel> make() {
        application();
        return std::make_unique<LocalInstanceChannel>(directory);
    }
    void pump() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }
};

struct MemoryChannels {
    std::shared_ptr<test::InstanceHub> hub = std::make_shared<test::InstanceHub>();
    std::unique_ptr<InstanceChannel> make() {
        return std::make_unique<test::MemoryInstanceChannel>(hub);
    }
    void pump() {}
};

template <typename T>
class InstanceChannelContract : public ::testing::Test {
  protected:
    T channels;

    // Pumps the running copy's events until `done` holds or a second has passed.
    template <typename Predicate>
    bool pumpUntil(Predicate done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 1000) {
            channels.pump();
        }
        return done();
    }
};

using Realisations = ::testing::Types<MemoryChannels, LocalChannels>;
TYPED_TEST_SUITE(InstanceChannelContract, Realisations);

TYPED_TEST(InstanceChannelContract, FirstCopyRunsAndLaterCopiesReachIt) {
    auto first = this->channels.make();
    std::vector<std::string> received;
    first->setMessageHandler([&](const std::string& message) { received.push_back(message); });
    ASSERT_EQ(first->claim(), InstanceChannel::Role::Primary);
    EXPECT_EQ(first->claim(), InstanceChannel::Role::Primary);

    auto second = this->channels.make();
    EXPECT_EQ(second->claim(), InstanceChannel::Role::Secondary);
    EXPECT_TRUE(second->sendToPrimary(instance_message::kComeToFront));
    EXPECT_TRUE(second->sendToPrimary(instance_message::kStartGrab));
    EXPECT_TRUE(this->pumpUntil([&] { return received.size() == 2; }));
    EXPECT_EQ(received, (std::vector<std::string>{"raise", "grab"}));
}

TYPED_TEST(InstanceChannelContract, NextCopyTakesOverAfterTheFirstEnds) {
    {
        auto first = this->channels.make();
        ASSERT_EQ(first->claim(), InstanceChannel::Role::Primary);
    }
    auto next = this->channels.make();
    EXPECT_FALSE(next->sendToPrimary(instance_message::kComeToFront));
    EXPECT_EQ(next->claim(), InstanceChannel::Role::Primary);
}

TYPED_TEST(InstanceChannelContract, CopiesReachEachOtherWhenSeveralMayRun) {
    auto first = this->channels.make();
    auto second = this->channels.make();
    std::vector<std::string> toFirst;
    std::vector<std::string> toSecond;
    first->setMessageHandler([&](const std::string& message) { toFirst.push_back(message); });
    second->setMessageHandler([&](const std::string& message) { toSecond.push_back(message); });
    // Alone, a copy has nobody to tell.
    ASSERT_TRUE(first->listenAsCopy());
    EXPECT_FALSE(first->sendToAnotherCopy(instance_message::kStartGrab));
    ASSERT_TRUE(second->listenAsCopy());
    EXPECT_TRUE(second->sendToAnotherCopy(instance_message::kStartGrab));
    EXPECT_TRUE(this->pumpUntil([&] { return toFirst.size() == 1; }));
    EXPECT_EQ(toFirst, std::vector<std::string>{"grab"});
    EXPECT_TRUE(toSecond.empty());
}

}  // namespace
}  // namespace ps
