// Three programs writing one history at once: the window (offscreen) and
// two qinghe-analyse processes beside it, 300 funds each. Afterwards every
// report is there and the file passes its integrity check.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include "analysis/host_table.h"
#include "app/analysis_run.h"
#include "main_window_fixture.h"

extern char** environ;

namespace qinghe::app {
namespace {

using namespace main_window_testing;

constexpr int kFundsEach = 300;

// A small page of ten rows for `code`, reported 2022-09-30.
std::string small_page(int code) {
    std::string page = "<html><head><title>并发测试基金" + std::to_string(code) + "(" +
                       std::to_string(code) + ")</title></head><body><th>持仓占比</th>";
    for (int row = 0; row < 10; ++row) {
        const std::string name = "股票" + std::to_string((code * 7 + row) % 500);
        page += "<tr><td><a href=\"//quote.test/" + name + "\" title=\"" + name + "\">" + name +
                "</a></td><td class=\"alignRight bold\">" + std::to_string(10 - row) +
                ".25%</td></tr>";
    }
    return page + "持仓截止日期: 2022-09-30</body></html>";
}

std::string query(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    std::string answer = "no answer";
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        answer = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return answer;
}

pid_t start_analyser(const std::string& program, const std::string& base, int first,
                     const std::string& output) {
    std::vector<std::string> args = {program};
    for (const HostRow& host : host_table())
        args.insert(args.end(), {"--url", host.name + "=" + base});
    for (int code = first; code < first + kFundsEach; ++code) args.push_back(std::to_string(code));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int status_of(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(AnalysisTest, WindowAndTwoAnalysersWriteOneHistoryAtOnce) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer::Pages pages;
    for (int code = 100000; code < 100000 + 3 * kFundsEach; ++code)
        pages["/" + std::to_string(code) + ".html"] = small_page(code);
    LoopbackServer server(pages);
    point_at(server, "4");
    std::string typed;
    for (int code = 100000; code < 100000 + kFundsEach; ++code)
        typed += std::to_string(code) + "\r\n";
    type_codes(typed);

    // Beside the window's 配置.ini, so all three keep one history.sqlite3.
    const std::string program = directory_.file("qinghe-analyse");
    fs::copy_file(QINGHE_ANALYSE_BINARY, program);
    const pid_t a =
        start_analyser(program, server.base_url(), 100000 + kFundsEach, directory_.file("a.tsv"));
    const pid_t b = start_analyser(program, server.base_url(), 100000 + 2 * kFundsEach,
                                   directory_.file("b.tsv"));
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }, 120000));
    EXPECT_EQ(status_of(a), 0);
    EXPECT_EQ(status_of(b), 0);
    EXPECT_EQ(text_property(unit::label_progress), "") << "every fund read, no fault told";

    const std::string history = directory_.file("history.sqlite3");
    EXPECT_EQ(query(history, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(query(history, "SELECT COUNT(DISTINCT code) FROM report"), "900");
    EXPECT_EQ(query(history, "SELECT COUNT(*) FROM holding"), "9000");
    EXPECT_EQ(query(history, "SELECT MIN(code) || ' ' || MAX(code) FROM report"), "100000 100899");
}

}  // namespace
}  // namespace qinghe::app
