// The history store: reports kept and replaced per (code, report date),
// read back whole, found by quarter; and every fault of the file met the
// way a user expects: moved aside, or off for the run and told once, the
// file left as it was.
#include <gtest/gtest.h>

#include <iostream>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sqlite3.h>
#include <thread>

#include "analysis/history/history_store.h"
#include "support/system_calls.h"
#include "support/temp_directory.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;
using testing_support::read_whole_file;
using testing_support::TempDirectory;
using testing_support::write_whole_file;

StoredReport report(const std::string& code, const std::string& date, int rows,
                    const std::string& name = "新兴消费A") {
    StoredReport r{code, date, "page", name, "", {}, {}};
    for (int i = 0; i < rows; ++i)
        r.rows.push_back({"股票" + std::to_string(i), 9.66f - float(i),
                          "https://q.test/" + std::to_string(i), std::nullopt, std::nullopt});
    return r;
}

// One SQL statement's first column over a file, or SQLite's message.
std::string query(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    std::string answer;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        answer = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    else answer = sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return answer;
}

class HistoryStoreTest : public ::testing::Test {
protected:
    TempDirectory dir;
    std::string path = dir.file("data/history.sqlite3");
};

TEST_F(HistoryStoreTest, ReportIsReplacedPerQuarterAndReadBackWhole) {
    HistoryStore store(path);
    ASSERT_TRUE(store.on());
    EXPECT_EQ(store.take_notice().fault, HistoryFault::none);
    // Texts that would end a quoted SQL literal are only ever parameters.
    StoredReport first = report("160127", "2026-06-30", 10, "x'); DROP TABLE report; --");
    first.rows[0].change = "增持";
    first.rows[0].change_points = 1.05;
    first.exited.push_back({"离开的股票", 3.5f, "", "exited", std::nullopt});
    ASSERT_TRUE(store.store(first));

    StoredReport again = report("160127", "2026-06-30", 3, "");  // mobile: no name
    again.source = "mobile";
    ASSERT_TRUE(store.store(again));
    ASSERT_TRUE(store.store(report("160127", "2026-03-31", 10)));

    const std::vector<StoredReport> all = store.reports("160127");
    ASSERT_EQ(all.size(), 2u);
    const StoredReport& newest = all[0];
    EXPECT_EQ(newest.report_date, "2026-06-30");
    EXPECT_EQ(newest.source, "mobile");
    EXPECT_EQ(newest.fund_name, "x'); DROP TABLE report; --");  // kept: the new read had none
    EXPECT_TRUE(std::regex_match(newest.read_at,
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")));
    ASSERT_EQ(newest.rows.size(), 3u);
    EXPECT_TRUE(newest.exited.empty());
    EXPECT_EQ(newest.rows[2].stock_name, "股票2");
    EXPECT_EQ(newest.rows[2].ratio, 7.66f);
    EXPECT_EQ(newest.rows[2].link, "https://q.test/2");
    EXPECT_EQ(all[1].report_date, "2026-03-31");

    ASSERT_TRUE(store.store(first));
    const StoredReport back = *store.newest("160127");
    EXPECT_EQ(back.rows[0].change, "增持");
    EXPECT_EQ(back.rows[0].change_points, 1.05);
    EXPECT_EQ(back.rows[1].change, std::nullopt);
    ASSERT_EQ(back.exited.size(), 1u);
    EXPECT_EQ(back.exited[0].stock_name, "离开的股票");
    EXPECT_EQ(back.exited[0].ratio, 3.5f);
    EXPECT_EQ(query(path, "SELECT ratio FROM holding WHERE position = 1 AND exited = 0"), "9.66");

    const std::vector<StoredFund> funds = store.funds();
    ASSERT_EQ(funds.size(), 1u);
    EXPECT_EQ(funds[0].newest_report_date, "2026-06-30");
    EXPECT_EQ(funds[0].reports, 2);
    EXPECT_EQ(store.newest("000000"), std::nullopt);
}

TEST_F(HistoryStoreTest, PreviousQuarterIsTheCalendarQuarterBefore) {
    HistoryStore store(path);
    for (const char* date : {"2025-09-30", "2025-12-31", "2026-03-31", "2026-09-30"})
        store.store(report("160127", date, 1));
    const struct {
        const char* date;
        const char* previous;  // "" for none
    } rows[] = {
        {"2026-03-31", "2025-12-31"},  // across the year
        {"2025-12-31", "2025-09-30"},
        {"2026-09-30", ""},  // 2026-06-30 was never read: no change against an older one
        {"2025-09-30", ""},
        {"2026-05-15", "2026-03-31"},  // any day of the quarter
        {"garbage", ""},
    };
    for (const auto& row : rows) {
        const auto found = store.previous_quarter("160127", row.date);
        EXPECT_EQ(found ? found->report_date : "", row.previous) << row.date;
    }
}

// What the user is told, once, and whether the history is on afterwards.
void expect_notice_once(HistoryStore& store, HistoryFault fault, bool on) {
    EXPECT_EQ(store.take_notice().fault, fault);
    EXPECT_EQ(store.take_notice().fault, HistoryFault::none);
    EXPECT_EQ(store.on(), on);
}

TEST_F(HistoryStoreTest, FileThatIsNotADatabaseOrDamagedIsMovedAsideAndANewOneMade) {
    for (const bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged" : "not a database");
        fs::remove_all(dir.file("data"));
        fs::create_directories(dir.file("data"));
        std::string bytes;
        if (damaged) {
            {
                HistoryStore store(path);
                for (int i = 0; i < 300; ++i)
                    store.store(report(std::to_string(100000 + i), "2026-06-30", 10));
            }
            sqlite3* db = nullptr;  // everything into the main file
            sqlite3_open(path.c_str(), &db);
            sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            bytes = read_whole_file(path);
            ASSERT_GT(bytes.size(), 20000u);
            for (size_t at = 8192; at < 8192 + 4096; ++at) bytes[at] = char(at * 7);
        } else {
            bytes = "这不是数据库, just notes the user saved here\n";
        }
        write_whole_file(path, bytes);

        HistoryStore store(path);
        const HistoryNotice notice = store.take_notice();
        EXPECT_EQ(notice.fault, HistoryFault::moved_aside);
        EXPECT_TRUE(std::regex_match(fs::path(notice.path).filename().string(),
                                     std::regex(R"(history\.sqlite3\.broken-\d{8}-\d{6})")))
            << notice.path;
        EXPECT_EQ(read_whole_file(notice.path), bytes);
        expect_notice_once(store, HistoryFault::none, true);
        EXPECT_TRUE(store.store(report("160127", "2026-06-30", 10)));
        EXPECT_EQ(query(path, "PRAGMA integrity_check"), "ok");
    }
}

// Another program writing the new file while this one opens it: the store
// waits for it instead of turning the history off.
TEST_F(HistoryStoreTest, NewFileAnotherProgramWritesIsWaitedForNotTurnedOff) {
    fs::create_directories(dir.file("data"));
    sqlite3* other = nullptr;
    sqlite3_open(path.c_str(), &other);
    sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    std::thread reader([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    HistoryStore store(path);
    reader.join();
    sqlite3_close(other);
    EXPECT_EQ(store.take_notice().detail, "");
    EXPECT_TRUE(store.store(report("160127", "2026-06-30", 10)));
}

TEST_F(HistoryStoreTest, ReadOnlyFileOrFolderTurnsTheHistoryOffAndLeavesItAsItWas) {
    HistoryStore(path).store(report("160127", "2026-06-30", 10));
    for (const std::string& read_only : {path, dir.file("data")}) {
        SCOPED_TRACE(read_only);
        const std::string before = read_whole_file(path);
        if (!testing_support::make_read_only(read_only, true)) {
            std::cout << "skipped: a folder cannot be made read-only on this system\n";
            continue;
        }
        HistoryStore store(path);
        const HistoryNotice notice = store.take_notice();
        EXPECT_EQ(notice.fault, HistoryFault::cannot_write);
        EXPECT_EQ(notice.path, path);
        expect_notice_once(store, HistoryFault::none, false);
        EXPECT_FALSE(store.store(report("160127", "2026-09-30", 10)));
        EXPECT_EQ(store.newest("160127"), std::nullopt);
        testing_support::make_read_only(read_only, false);
        EXPECT_EQ(read_whole_file(path), before);
    }
}

TEST_F(HistoryStoreTest, NewerSchemaIsLeftUntouchedAndTurnsTheHistoryOff) {
    HistoryStore(path).store(report("160127", "2026-06-30", 10));
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    // A newer program may keep its file in another journal mode; switching
    // it to WAL would change its header.
    sqlite3_exec(db, "PRAGMA journal_mode = DELETE; PRAGMA user_version = 2", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    const std::string before = read_whole_file(path);

    HistoryStore store(path);
    const HistoryNotice notice = store.take_notice();
    EXPECT_EQ(notice.fault, HistoryFault::newer_schema);
    EXPECT_EQ(notice.detail, "2");
    expect_notice_once(store, HistoryFault::none, false);
    EXPECT_EQ(read_whole_file(path), before);
    EXPECT_FALSE(fs::exists(path + "-wal"));
}

// A full disk, as a file-size limit: the write fails, the history turns off
// and says so once, and what was stored before stays whole.
TEST_F(HistoryStoreTest, FullDiskTurnsTheHistoryOffAndKeepsWhatWasStored) {
    HistoryStore store(path);
    ASSERT_TRUE(store.store(report("160127", "2026-06-30", 10)));
    if (!testing_support::FileSizeLimit::available())
        GTEST_SKIP() << "no file-size limit on this system to stand for a full disk";
    bool stored = true;
    {
        const testing_support::FileSizeLimit limit(64 * 1024);
        for (int i = 0; i < 1000 && stored; ++i)
            stored = store.store(report(std::to_string(200000 + i), "2026-06-30", 10));
    }

    EXPECT_FALSE(stored);
    const HistoryNotice notice = store.take_notice();
    EXPECT_EQ(notice.fault, HistoryFault::cannot_write);
    EXPECT_FALSE(notice.detail.empty());
    expect_notice_once(store, HistoryFault::none, false);
    EXPECT_EQ(query(path, "PRAGMA integrity_check"), "ok");
    HistoryStore later(path);
    EXPECT_EQ(later.newest("160127")->rows.size(), 10u);
}

}  // namespace
}  // namespace qinghe::app
