#include "platform/web_opener.h"

#include <gtest/gtest.h>

#include "support/capturing_web_opener.h"

namespace qinghe::platform {
namespace {

TEST(WebOpener, OnlyWebAndMailTargetsAreOpenable) {
    struct Row {
        const char* target;
        bool openable;
    };
    const Row rows[] = {
        {"http://fund.example/000001.html", true},
        {"HTTPS://Example.org/a?b=c", true},
        {"mailto:someone@example.org", true},
        {"mailto:", false},
        {"http://", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"/usr/bin/xterm", false},
        {"-x", false},
        {"--help", false},
        {"ftp://example.org/", false},
        {" http://example.org/", false},
        {"http://example.org/\nrm", false},
        {"", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(is_openable_target(row.target), row.openable) << row.target;
    }
}

TEST(WebOpener, BrowserCommandIsCutAtTheQuotedPlaceholderElseTheBareOne) {
    struct Row {
        const char* command;
        const char* cut;
    };
    const Row rows[] = {
        {"C:\\b.exe \"%1\" -x", "C:\\b.exe "},
        {"firefox %1 --new-tab", "firefox "},
        {"b %1 \"%1\"", "b %1 "},  // the quoted one wins even when later
        {"browser --private", "browser --private"},
        {"", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(cut_browser_command(row.command), row.cut) << row.command;
}

TEST(WebOpener, BrowserArgumentsKeepTheTargetWhole) {
    using Args = std::vector<std::string>;
    const std::string target = "http://h/a b;c'$(x)\"";
    EXPECT_EQ(browser_arguments("C:\\b.exe \"%1\" -x", target), (Args{"C:\\b.exe", target}));
    EXPECT_EQ(browser_arguments("'/opt/my browser/run' --private \"%1\"", target),
              (Args{"/opt/my browser/run", "--private", target}));
    EXPECT_EQ(browser_arguments("browser", target), (Args{"browser", target}));
    EXPECT_TRUE(browser_arguments("  \"%1\"", target).empty());
    EXPECT_EQ(split_arguments("a \"\" b"), (Args{"a", "", "b"}));
}

TEST(WebOpener, RefusedTargetsNeverReachTheOpener) {
    testing::CapturingWebOpener capture;
    EXPECT_FALSE(open_web_target("file:///etc/passwd"));
    EXPECT_FALSE(open_web_target("-x"));
    EXPECT_TRUE(open_web_target("mailto:a@b.c"));
    EXPECT_EQ(capture.targets, std::vector<std::string>{"mailto:a@b.c"});
}

}  // namespace
}  // namespace qinghe::platform
