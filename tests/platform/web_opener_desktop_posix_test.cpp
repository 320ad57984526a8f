// the desktop program (xdg-open) and $BROWSER of POSIX desktops, played by shell scripts
#include "platform/web_opener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace qinghe::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Stand-in programs that record their arguments, one per line, and exit
// with a chosen status.
class DesktopOpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("qinghe-opener-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string script(const std::string& name, const std::string& body) {
        fs::path path = dir_ / name;
        std::ofstream(path) << "#!/bin/sh\n" << body;
        fs::permissions(path, fs::perms::owner_all);
        return path.string();
    }

    std::string recorder(const std::string& name, int status) {
        fs::path out = dir_ / (name + ".args");
        std::ostringstream body;
        body << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << out.string()
             << ".tmp'\nmv '" << out.string() << ".tmp' '" << out.string() << "'\nexit " << status
             << "\n";
        return script(name, body.str());
    }

    // The recorded arguments, waiting a while for a program started in the background.
    std::string recorded(const std::string& name) {
        fs::path out = dir_ / (name + ".args");
        for (int i = 0; i < 500 && !fs::exists(out); ++i) std::this_thread::sleep_for(10ms);
        std::ifstream in(out);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    DesktopOpener opener(std::string desktop, std::string browser_command) {
        return DesktopOpener({.desktop_program = std::move(desktop),
                              .verdict_wait = 3000ms,
                              .browser_command = [browser_command] { return browser_command; }});
    }

    fs::path dir_;
};

TEST_F(DesktopOpenerTest, DesktopProgramGetsTheTargetAsOneArgument) {
    const std::string target = "http://h/a b;c'$(touch x)\"";
    DesktopOpener o = opener(recorder("desktop", 0), "");
    EXPECT_TRUE(o.open(target));
    EXPECT_EQ(recorded("desktop"), target + "\n");
    EXPECT_FALSE(fs::exists(dir_ / "x"));
}

TEST_F(DesktopOpenerTest, FailingOrMissingDesktopFallsBackToTheBrowserCommand) {
    const std::string browser = recorder("browser", 0);
    DesktopOpener failing = opener(recorder("desktop", 3), "'" + browser + "' \"%1\" -x");
    EXPECT_TRUE(failing.open("mailto:a@b.c"));
    EXPECT_EQ(recorded("browser"), "mailto:a@b.c\n");

    fs::remove(dir_ / "browser.args");
    DesktopOpener missing = opener((dir_ / "no-such-program").string(), browser + " --new");
    EXPECT_TRUE(missing.open("http://h/"));
    EXPECT_EQ(recorded("browser"), "--new\nhttp://h/\n");
}

TEST_F(DesktopOpenerTest, NothingOpensWithoutDesktopOrBrowser) {
    EXPECT_FALSE(opener(recorder("desktop", 1), "").open("http://h/"));
    EXPECT_FALSE(opener(recorder("desktop", 1), (dir_ / "none").string()).open("http://h/"));
}

TEST_F(DesktopOpenerTest, ADesktopProgramThatKeepsRunningCountsAsOpened) {
    DesktopOpener o({.desktop_program = script("desktop", "exec sleep 2\n"),
                     .verdict_wait = 50ms,
                     .browser_command = [] { return std::string(); }});
    EXPECT_TRUE(o.open("http://h/"));
}

}  // namespace
}  // namespace qinghe::platform
