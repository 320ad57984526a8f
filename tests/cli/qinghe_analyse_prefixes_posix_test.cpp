// the XDG folders, /usr and /opt prefixes and symbolic links of POSIX systems
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analyse_program_fixture.h"

namespace qinghe {
namespace {

using namespace analyse_testing;

// A program under a system prefix (here a fake one the variable names)
// never writes beside itself, even where it may: its files (the history
// too) go to the XDG folders, links resolved on the program's side and the prefix's. A copy
// elsewhere keeps them beside itself.
TEST_F(AnalyseProgramTest, ProgramUnderASystemPrefixKeepsItsFilesInTheXdgFolders) {
    const std::string fake = temp_.file("fake"), xdg = temp_.file("xdg"), data = temp_.file("data");
    for (const char* folder : {"/usr/bin", "/opt/qinghe", "/portable"})
        fs::create_directories(fake + folder);
    fs::copy_file(binary_, fake + "/usr/bin/qinghe-analyse");
    fs::copy_file(binary_, fake + "/opt/qinghe/qinghe-analyse");
    fs::create_symlink(fake + "/usr/bin/qinghe-analyse", fake + "/portable/qinghe-analyse");
    fs::create_symlink(fake + "/opt", temp_.file("opt-link"));
    const std::vector<std::string> variables = {
        "QINGHE_SYSTEM_PREFIXES=" + fake + "/usr:" + temp_.file("opt-link"),
        "XDG_CONFIG_HOME=" + xdg, "XDG_DATA_HOME=" + data};
    struct Row {
        std::string program, beside;
        bool installed;
    };
    const Row rows[] = {
        {fake + "/usr/bin/qinghe-analyse", fake + "/usr/bin", true},
        {fake + "/opt/qinghe/qinghe-analyse", fake + "/opt/qinghe", true},  // prefix via a link
        {fake + "/portable/qinghe-analyse", fake + "/usr/bin", true},       // program via a link
        {binary_, program_dir(), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.program);
        fs::remove_all(xdg);
        fs::remove_all(data);
        Outcome r = run_analyser(row.program, {"--base-url", server_.base_url(), fund_code::demo},
                                 variables);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(fs::exists(xdg + "/qinghe/333.txt"), row.installed);
        EXPECT_EQ(fs::exists(row.beside + "/333.txt"), !row.installed);
        EXPECT_EQ(fs::exists(data + "/qinghe/history.sqlite3"), row.installed);
        EXPECT_EQ(fs::exists(row.beside + "/history.sqlite3"), !row.installed);
    }
}

}  // namespace
}  // namespace qinghe
