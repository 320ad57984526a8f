// mode bits, owners, symbolic links, FIFOs and /dev/zero of POSIX systems
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/profile.h"
#include "profile_fixture.h"
#include "support/temp_directory.h"

namespace qinghe::platform {
namespace {

using testing_support::read_whole_file;
using testing_support::write_whole_file;

TEST_F(Profile, WriteReplacesTheFileAtomicallyAndKeepsItsModeAndLinks) {
    write_whole_file(path, "[A]\nk=1\n");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(write_profile_string(path, "A", "k", "2"));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    size_t files = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";

    std::string link = dir.file("link.ini");
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(write_profile_string(link, "A", "k", "3"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(read("A", "k"), "3");

    EXPECT_FALSE(write_profile_string(dir.file("missing/x.ini"), "A", "k", "v"));
    EXPECT_FALSE(write_profile_string(dir.path(), "A", "k", "v"));
}

// A setting file longer than 1 MiB, a link to an endless device, or a pipe:
// nothing is read, nothing is written, nothing waits.
TEST_F(Profile, FileThatNeverEndsIsUnreadableAndNeverRewritten) {
    const std::string tail = "\n[A]\nk=v\n";
    const std::string fits = std::string((1 << 20) - tail.size(), ';') + tail;
    write_whole_file(path, fits);
    EXPECT_EQ(read("A", "k"), "v") << "exactly 1 MiB is still a setting file";

    const std::string too_long = ";" + fits;
    write_whole_file(path, too_long);
    EXPECT_EQ(read("A", "k"), std::nullopt);
    EXPECT_FALSE(write_profile_string(path, "A", "k", "w"));
    EXPECT_EQ(read_whole_file(path), too_long);

    std::string zero = dir.file("zero.ini");
    std::filesystem::create_symlink("/dev/zero", zero);
    EXPECT_EQ(read_profile_string(zero, "A", "k", kBuffer), std::nullopt);
    EXPECT_FALSE(write_profile_string(zero, "A", "k", "w"));
    EXPECT_EQ(std::filesystem::read_symlink(zero), "/dev/zero");

    std::string pipe = dir.file("pipe.ini");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(read_profile_string(pipe, "A", "k", kBuffer), std::nullopt);
    EXPECT_FALSE(write_profile_string(pipe, "A", "k", "w"));
}

// Decided by the permission bits, so that the rows hold for root as well.
TEST_F(Profile, ReadOnlyFileOrFolderStaysAsItIs) {
    struct Row {
        const char* what;
        mode_t file_mode;  // 0: no file
        mode_t folder_mode;
        bool ok;
    };
    const Row rows[] = {
        {"read-only file", 0444, 0755, false},
        {"file without the owner's write bit", 0044, 0755, false},
        {"new file in a read-only folder", 0, 0555, false},
        {"writable file in a read-only folder", 0640, 0555, true},
        {"writable file", 0600, 0755, true},
    };
    std::string folder = dir.file("folder"), file = folder + "/s.ini";
    for (const Row& row : rows) {
        std::filesystem::create_directory(folder);
        if (row.file_mode) {
            write_whole_file(file, "[A]\nk=1\n");
            ::chmod(file.c_str(), row.file_mode);
        }
        ::chmod(folder.c_str(), row.folder_mode);
        EXPECT_EQ(write_profile_string(file, "A", "k", "2"), row.ok) << row.what;
        size_t entries = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++entries;
        EXPECT_EQ(entries, row.file_mode ? 1u : 0u) << row.what << ": no other file appears";
        if (row.file_mode) {
            struct stat info {};
            ::stat(file.c_str(), &info);
            EXPECT_EQ(info.st_mode & 07777, row.file_mode) << row.what;
            EXPECT_EQ(read_whole_file(file), row.ok ? "[A]\nk=2\n" : "[A]\nk=1\n") << row.what;
        }
        ::chmod(folder.c_str(), 0755);
        std::filesystem::remove_all(folder);
    }
}

TEST_F(Profile, ReplacementKeepsTheOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    write_whole_file(path, "[A]\nk=1\n");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(write_profile_string(path, "A", "k", "2"));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(read("A", "k"), "2");
}

}  // namespace
}  // namespace qinghe::platform
