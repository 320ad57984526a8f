// the owner, group and others mode bits of POSIX systems
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "platform/file_permission.h"
#include "support/temp_directory.h"

namespace qinghe::platform {
namespace {

using testing_support::TempDirectory;
using testing_support::write_whole_file;

// The owner's write bit decides for the owner, and for root, who owns
// what the tests create.
TEST(FilePermission, WriteBitOfTheUsersClassDecides) {
    TempDirectory dir;
    struct Row {
        bool folder;
        mode_t mode;
        bool writable;
    };
    const Row rows[] = {
        {false, 0644, true},  {false, 0444, false}, {false, 0200, true},
        {false, 0066, false}, {true, 0755, true},   {true, 0555, false},
    };
    std::string path = dir.file("x");
    for (const Row& row : rows) {
        std::filesystem::remove(path);
        if (row.folder) {
            std::filesystem::create_directory(path);
        } else {
            write_whole_file(path, "x");
        }
        ::chmod(path.c_str(), row.mode);
        EXPECT_EQ(writable_by_user(path), row.writable) << std::oct << row.mode;
    }
    EXPECT_FALSE(writable_by_user(dir.file("missing")));
    EXPECT_FALSE(writable_by_user("/proc/version"));
}

}  // namespace
}  // namespace qinghe::platform
