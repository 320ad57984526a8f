// file URLs of POSIX paths, with '#' and '?' in a file name (Windows allows neither)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/web_opener.h"
#include "support/capturing_web_opener.h"

namespace qinghe::platform {
namespace {

namespace fs = std::filesystem;

TEST(LocalFileOpener, OnlyExistingRegularFilesReachTheOpenerAsAbsoluteFileUrls) {
    const fs::path dir = fs::temp_directory_path() / "qinghe-open-file-test";
    fs::create_directories(dir);
    std::ofstream(dir / "a#b?.hlp") << "x";
    testing::CapturingWebOpener capture;
    EXPECT_FALSE(open_local_file((dir / "missing.hlp").string()));
    EXPECT_FALSE(open_local_file(dir.string()));
    EXPECT_FALSE(open_local_file(""));
    EXPECT_TRUE(capture.targets.empty());
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    EXPECT_TRUE(open_local_file("./a#b?.hlp"));
    fs::current_path(previous);
    ASSERT_EQ(capture.targets.size(), 1u);
    EXPECT_EQ(capture.targets[0], "file://" + dir.string() + "/a%23b%3F.hlp");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace qinghe::platform
