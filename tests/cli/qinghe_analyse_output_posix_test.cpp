// --output into read-only folders, through symbolic links, FIFOs, pipes and devices, and mode bits
// of POSIX systems
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "look_through_fixture.h"

namespace qinghe {
namespace {

using namespace analyse_testing;

TEST_F(LookThroughProgramTest, OutputIntoAFolderThatCannotTakeItIsStatusTwoAndLeavesNothing) {
    std::atomic<int> requests = 0;
    own_.on_request([&requests](const std::string&) { ++requests; });
    const std::string read_only = temp_.file("read-only");
    fs::create_directories(read_only);
    fs::permissions(read_only, fs::perms::owner_read | fs::perms::owner_exec);
    std::vector<std::string> targets = {temp_.file("missing/out.csv")};
    if (::geteuid() != 0) targets.push_back(read_only + "/out.csv");  // root may write anyway
    for (const std::string& target : targets) {
        Outcome r = run({"--base-url", own_.base_url(), "--output", target, "100001"});
        EXPECT_EQ(r.status, 2) << target;
        EXPECT_NE(r.err.find("cannot write '" + target + "'"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(target));
    }
    EXPECT_TRUE(fs::is_empty(read_only));
    EXPECT_EQ(requests, 0);
    fs::permissions(read_only, fs::perms::owner_all);
}

// --output writes through a link into the file it names, into a FIFO or a
// device in place, and keeps a replaced file's mode; none of them is
// replaced by a regular file of its own.
TEST_F(LookThroughProgramTest, OutputWritesThroughLinksAndInPlaceAndKeepsTheMode) {
    const std::string expected = run({"--base-url", own_.base_url(), "100003"}).out;
    ASSERT_FALSE(expected.empty());
    auto write_to = [&](const std::string& target) {
        Outcome r = run({"--base-url", own_.base_url(), "--output", target, "100003"});
        EXPECT_EQ(r.status, 0) << target << ": " << r.err;
    };
    const std::string file = temp_.file("named.tsv"), link = temp_.file("link.tsv");
    write_whole_file(file, "old");
    fs::create_symlink("named.tsv", link);
    write_to(link);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read_whole_file(file), expected);

    const std::string null_link = temp_.file("null");  // never /dev/null itself
    fs::create_symlink("/dev/null", null_link);
    write_to(null_link);
    EXPECT_TRUE(fs::is_symlink(null_link));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // The reader is open before the run; the result fits the pipe's buffer.
    const std::string fifo = temp_.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    write_to(fifo);
    std::string received(65536, '\0');
    const ssize_t n = ::read(reader, received.data(), received.size());
    ::close(reader);
    EXPECT_EQ(received.substr(0, size_t(std::max<ssize_t>(n, 0))), expected);
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A pipe through /proc's link, as /dev/stdout is when the output is piped;
    // the program inherits the pipe's end under the same number.
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    const std::string pipe_link = temp_.file("pipe");
    fs::create_symlink("/proc/self/fd/" + std::to_string(pipe_ends[1]), pipe_link);
    write_to(pipe_link);
    ::close(pipe_ends[1]);
    received.assign(65536, '\0');
    const ssize_t piped = ::read(pipe_ends[0], received.data(), received.size());
    ::close(pipe_ends[0]);
    EXPECT_EQ(received.substr(0, size_t(std::max<ssize_t>(piped, 0))), expected);

    const std::string private_file = temp_.file("private.tsv");
    write_whole_file(private_file, "old");
    ::chmod(private_file.c_str(), 0600);
    write_to(private_file);
    EXPECT_EQ(fs::status(private_file).permissions(), fs::perms(0600));
    EXPECT_EQ(read_whole_file(private_file), expected);

    const mode_t mask = ::umask(0);
    ::umask(mask);
    const std::string new_file = temp_.file("new.tsv");
    write_to(new_file);
    EXPECT_EQ(fs::status(new_file).permissions(), fs::perms(0666 & ~mask));
}

}  // namespace
}  // namespace qinghe
