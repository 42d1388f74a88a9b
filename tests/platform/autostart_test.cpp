#include "platform/autostart.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/linux/xdg_autostart.h"
#include "support/memory_autostart.h"

namespace ps {
namespace {

namespace fs = std::filesystem;

class MemoryAutostart final : public Autostart {
  public:
    bool isRegistered() override { return registered_; }
    void registerProgram(const std::string&) override { registered_ = true; }
    void unregister() override { registered_ = false; }

  private:
    bool registered_ = false;
};

struct XdgFixture {
    fs::path home = fs::temp_directory_path() / ("ps-autostart-" + std::to_string(::getpid()));
    XdgFixture() { fs::remove_all(home); }
    ~XdgFixture() { fs::remove_all(home); }
    std::unique_ptr<Autostart> make() { return std::make_unique<XdgAutostart>(home.string()); }
};
struct MemoryFixture {
    std::unique_ptr<Autostart> make() { return std::make_unique<test::MemoryAutostart>(); }
};

template <typename T>
class AutostartContract : public ::testing::Test {
  protected:
    T fixture;
};
using Realisations = ::testing::Types<MemoryFixture, XdgFixture>;
TYPED_TEST_SUITE(AutostartContract, Realisations);

TYPED_TEST(AutostartContract, RegisterAndUnregisterAreIdempotent) {
    auto autostart = this->fixture.make();
    EXPECT_FALSE(autostart->isRegistered());
    autostart->unregister();
    EXPECT_FALSE(autostart->isRegistered());
    autostart->registerProgram("/usr/bin/platterscoop");
    autostart->registerProgram("/usr/bin/platterscoop");
    EXPECT_TRUE(autostart->isRegistered());
    autostart->unregister();
    EXPECT_FALSE(autostart->isRegistered());
}

TEST(XdgAutostart, EntryQuotesThePathForTheExecKey) {
    XdgFixture fixture;
    XdgAutostart autostart(fixture.home.string());
    autostart.registerProgram("/opt/My Apps/100%/plat\"ter$scoop");
    std::ifstream in(autostart.entryPath());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[Desktop Entry]\nType=Application\nName=Platterscoop\n"),
              std::string::npos);
    EXPECT_NE(text.str().find("Exec=\"/opt/My Apps/100%%/plat\\\\\"ter\\\\$scoop\"\n"),
              std::string::npos)
        << text.str();
    EXPECT_FALSE(fs::exists(autostart.entryPath() + ".tmp"));
}

}  // namespace
}  // namespace ps
