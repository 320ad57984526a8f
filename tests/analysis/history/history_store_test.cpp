// The history store: reports kept and replaced per (code, report date),
// read back whole, found by quarter; and every fault of the file met the
// way a user expects: moved aside, or off for the run and told once, the
// file left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <regex>
#include <sqlite3.h>
#include <thread>

#include "analysis/history/estimate_store.h"
#include "analysis/history/history_store.h"
#include "platform/file_lock.h"
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

void execute(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Everything into the main file, so its bytes are the whole history.
void checkpoint(const std::string& path) { execute(path, "PRAGMA wal_checkpoint(TRUNCATE)"); }

class HistoryStoreTest : public ::testing::Test {
protected:
    TempDirectory dir;
    std::string path = dir.file("data/history.sqlite3");

    void store_funds(int count) {
        HistoryStore store(path);
        for (int i = 0; i < count; ++i)
            store.store(report(std::to_string(100000 + i), "2026-06-30", 10));
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.file("data")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
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
    first.assets = AssetMix{"2026-06-30", 92.1, std::nullopt, 5.02, 0.0, 0.11, 12.53};
    ASSERT_TRUE(store.store(first));

    StoredReport again = report("160127", "2026-06-30", 3, "");  // mobile: no name
    again.source = "mobile";
    ASSERT_TRUE(store.store(again));
    StoredReport march = report("160127", "2026-03-31", 10);
    march.assets = AssetMix{"2026-03-31", 80.0, 10.0, 10.0, 0.0, 0.0, 11.0};
    ASSERT_TRUE(store.store(march));

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
    // The newest mix stored, whichever report came with it.
    ASSERT_TRUE(back.assets);
    EXPECT_EQ(back.assets->date, "2026-06-30");
    EXPECT_EQ(back.assets->stocks, 92.1);
    EXPECT_EQ(back.assets->bonds, std::nullopt);
    EXPECT_EQ(back.assets->net_assets, 12.53);
    EXPECT_EQ(query(path, "SELECT COUNT(*) FROM asset_mix"), "2");
    EXPECT_EQ(query(path, "SELECT ratio FROM holding WHERE position = 1 AND exited = 0"), "9.66");

    const std::vector<StoredFund> funds = store.funds();
    ASSERT_EQ(funds.size(), 1u);
    EXPECT_EQ(funds[0].newest_report_date, "2026-06-30");
    EXPECT_EQ(funds[0].reports, 2);
    EXPECT_EQ(store.newest("000000"), std::nullopt);
}

void expect_same_rows(const std::vector<StoredRow>& back, const std::vector<StoredRow>& read) {
    ASSERT_EQ(back.size(), read.size());
    for (size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i].stock_name, read[i].stock_name);
        EXPECT_EQ(back[i].ratio, read[i].ratio);
        EXPECT_EQ(back[i].link, read[i].link);
        EXPECT_EQ(back[i].change, read[i].change);
        EXPECT_EQ(back[i].change_points, read[i].change_points);
    }
}

// A fund read again as stored changes only the report's read time; a read
// that differs in any one thing the store keeps replaces the report.
TEST_F(HistoryStoreTest, SameReadAgainTakesOnlyItsReadTimeAndAnyChangeReplaces) {
    HistoryStore store(path);
    StoredReport first = report("160127", "2026-06-30", 3);
    first.rows[0].change = "增持";
    first.rows[0].change_points = 1.05;
    first.exited.push_back({"离开的股票", 3.5f, "", "exited", std::nullopt});
    const std::function<void(StoredReport&)> changes[] = {
        [](StoredReport& r) { r.source = "archive"; },
        [](StoredReport& r) { r.fund_name = "新兴消费C"; },
        [](StoredReport& r) { r.rows[1].stock_name = "股票9"; },
        [](StoredReport& r) { r.rows[1].ratio = 8.67f; },
        [](StoredReport& r) { r.rows[1].link = "https://q.test/9"; },
        [](StoredReport& r) { r.rows[0].change = "减持"; },
        [](StoredReport& r) { r.rows[0].change = std::nullopt; },
        [](StoredReport& r) { r.rows[0].change_points = 1.06; },
        [](StoredReport& r) { std::swap(r.rows[0], r.rows[1]); },
        [](StoredReport& r) { r.rows.pop_back(); },
        [](StoredReport& r) { r.exited[0].ratio = 3.4f; },
        [](StoredReport& r) { r.exited.clear(); },
        [](StoredReport& r) {  // the exited stock held again
            r.rows.push_back(r.exited[0]);
            r.exited.clear();
        },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE("change " + std::to_string(i));
        first.read_at = "2026-07-01T10:00:00+08:00";
        ASSERT_TRUE(store.store(first));
        StoredReport same = first;
        same.read_at = "2026-07-02T10:00:00+08:00";
        ASSERT_TRUE(store.store(same));
        EXPECT_EQ(store.newest("160127")->read_at, same.read_at);
        StoredReport changed = same;
        changes[i](changed);
        ASSERT_TRUE(store.store(changed));
        const StoredReport back = *store.newest("160127");
        EXPECT_EQ(back.source, changed.source);
        EXPECT_EQ(back.fund_name, changed.fund_name);
        expect_same_rows(back.rows, changed.rows);
        expect_same_rows(back.exited, changed.exited);
    }
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
            store_funds(300);
            checkpoint(path);
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

// Pages neither in use nor free ("never used") fail the quick check, but
// every report can still be read: the file is rebuilt in place, not moved
// aside, and a reader only (a listing) uses it as it is.
TEST_F(HistoryStoreTest, FileThatFailsItsCheckButCanBeReadIsRebuiltKeepingEveryReport) {
    store_funds(300);
    {
        HistoryStore store(path);
        store_estimate(store, {"100150", "2026-09-30", 0.61, 0.9, "2026-06-30", ""});
        store_published_values(store, "100150", {{"2026-09-30", 1.5, 0.52}});
        StoredReport with_mix = report("100150", "2026-06-30", 10);
        with_mix.assets = AssetMix{"2026-06-30", 92.1, 3.2, 5.02, 0.0, 0.11, 12.53};
        ASSERT_TRUE(store.store(with_mix));
    }
    execute(path, "DELETE FROM holding WHERE report_id > 200");
    checkpoint(path);
    std::string bytes = read_whole_file(path);
    bytes.replace(32, 8, std::string(8, '\0'));  // no free pages: the freed ones leak
    write_whole_file(path, bytes);
    ASSERT_NE(query(path, "PRAGMA quick_check"), "ok");

    {
        HistoryStore reader(path, HistoryAccess::read_only);
        EXPECT_EQ(reader.take_notice().fault, HistoryFault::none);
        EXPECT_EQ(reader.funds().size(), 300u);
        EXPECT_EQ(read_whole_file(path), bytes);
    }  // closed: Windows replaces no file another connection has open

    HistoryStore store(path);
    EXPECT_EQ(store.take_notice().fault, HistoryFault::rebuilt);
    EXPECT_EQ(store.funds().size(), 300u);
    EXPECT_EQ(store.newest("100150")->rows.size(), 10u);
    const std::vector<EstimatedDay> days = estimated_days(store, "100150");
    ASSERT_EQ(days.size(), 1u);
    EXPECT_EQ(days[0].published, 0.52);
    EXPECT_EQ(store.newest("100150")->assets->stocks, 92.1) << "the asset mixes are carried";
    EXPECT_TRUE(store.store(report("160127", "2026-06-30", 10)));
    EXPECT_EQ(query(path, "PRAGMA integrity_check"), "ok");
    for (const std::string& name : files()) EXPECT_EQ(name.find("broken"), std::string::npos);
}

// Another program repairing the damaged file when this one opens it: this
// one waits for it and uses the file it made, instead of moving that aside
// too (its reports would be lost there).
TEST_F(HistoryStoreTest, DamagedFileAnotherProgramRepairsIsWaitedForAndItsNewFileUsed) {
    fs::create_directories(dir.file("data"));
    write_whole_file(path, "notes, not data\n");
    const std::string other = dir.file("other.sqlite3");
    HistoryStore(other).store(report("160127", "2026-06-30", 10));
    checkpoint(other);
    auto repairing = platform::FileLock::take(path + "-lock", platform::FileLock::Kind::exclusive,
                                              std::chrono::seconds(1));
    ASSERT_TRUE(repairing);
    std::thread repairer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        fs::rename(path, path + ".broken-by-the-other");
        fs::rename(other, path);
        repairing.reset();
    });
    HistoryStore store(path);
    repairer.join();
    EXPECT_EQ(store.take_notice().fault, HistoryFault::none);
    ASSERT_TRUE(store.newest("160127"));
    EXPECT_TRUE(store.store(report("160128", "2026-06-30", 10)));
    EXPECT_EQ((files()), (std::vector<std::string>{"history.sqlite3", "history.sqlite3-lock",
                                                   "history.sqlite3-shm", "history.sqlite3-wal",
                                                   "history.sqlite3.broken-by-the-other"}));
}

// Another program's database (its tables clash with ours or not) and a
// path that is no regular file are never used, and left as they were.
TEST_F(HistoryStoreTest, OtherProgramsFileIsLeftByteForByteAndNotUsed) {
    const struct {
        const char* name;
        std::function<bool()> make;  // false: not on this system
    } cases[] = {
        {"clashing tables",
         [&] {
             execute(path, "CREATE TABLE report(id INTEGER PRIMARY KEY, title TEXT)");
             return true;
         }},
        {"other tables",
         [&] {
             execute(path, "CREATE TABLE notes(t); INSERT INTO notes VALUES(1)");
             return true;
         }},
        {"link to a device", [&] { return testing_support::link_to_device(path); }},
        {"pipe", [&] { return testing_support::make_named_pipe(path); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir.file("data"));
        fs::create_directories(dir.file("data"));
        if (!c.make()) {
            std::cout << "skipped: no " << c.name << " on this system\n";
            continue;
        }
        const auto type = fs::symlink_status(path).type();
        const std::string before =
            type == fs::file_type::regular ? read_whole_file(path) : std::string();
        for (HistoryAccess access : {HistoryAccess::read_only, HistoryAccess::read_write}) {
            HistoryStore store(path, access);
            EXPECT_EQ(store.take_notice().fault, HistoryFault::not_ours);
            EXPECT_FALSE(store.on());
            EXPECT_FALSE(store.store(report("160127", "2026-06-30", 10)));
        }
        EXPECT_EQ(fs::symlink_status(path).type(), type);
        if (type == fs::file_type::regular) {
            EXPECT_EQ(read_whole_file(path), before);
        }
        std::vector<std::string> left = files();
        std::erase(left, "history.sqlite3-lock");
        EXPECT_EQ(left, std::vector<std::string>{"history.sqlite3"});
    }
}

// Another program writing the new file while this one opens it: the store
// waits for it instead of turning the history off.
TEST_F(HistoryStoreTest, NewFileAnotherProgramWritesIsWaitedForNotTurnedOff) {
    fs::create_directories(dir.file("data"));
    sqlite3* other = nullptr;
    sqlite3_open(path.c_str(), &other);
    // Like any program writing to the file, it waits for a reader's moment
    // of lock to pass before it commits (under Wine that moment is long).
    sqlite3_busy_timeout(other, 10000);
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

TEST_F(HistoryStoreTest, ReadOnlyFileOrFolderIsReadAndOnlyStoringIsOff) {
    {
        HistoryStore store(path);
        store.store(report("160127", "2026-06-30", 10));
        store_estimate(store, {"160127", "2026-09-30", 0.61, 0.9, "2026-06-30", ""});
    }
    for (const std::string& read_only : {path, dir.file("data")}) {
        SCOPED_TRACE(read_only);
        const std::string before = read_whole_file(path);
        if (!testing_support::make_read_only(read_only, true)) {
            std::cout << "skipped: a folder cannot be made read-only on this system\n";
            continue;
        }
        HistoryStore store(path);
        const HistoryNotice notice = store.take_notice();
        EXPECT_EQ(notice.fault, HistoryFault::read_only);
        EXPECT_EQ(notice.path, path);
        expect_notice_once(store, HistoryFault::none, true);
        EXPECT_FALSE(store.store(report("160127", "2026-09-30", 10)));
        ASSERT_TRUE(store.newest("160127"));
        EXPECT_EQ(store.newest("160127")->rows.size(), 10u);
        EXPECT_FALSE(store_estimate(store, {"160127", "2026-10-08", 1, 1, "2026-06-30", ""}));
        EXPECT_FALSE(store_published_values(store, "160127", {{"2026-09-30", 1.5, 0.52}}));
        EXPECT_EQ(estimated_days(store, "160127").size(), 1u);
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
    sqlite3_exec(db, "PRAGMA journal_mode = DELETE; PRAGMA user_version = 3", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    const std::string before = read_whole_file(path);

    HistoryStore store(path);
    const HistoryNotice notice = store.take_notice();
    EXPECT_EQ(notice.fault, HistoryFault::newer_schema);
    EXPECT_EQ(notice.detail, "3");
    expect_notice_once(store, HistoryFault::none, false);
    EXPECT_FALSE(store_estimate(store, {"160127", "2026-09-30", 0.61, 0.9, "2026-06-30", ""}));
    EXPECT_TRUE(estimated_days(store, "160127").empty());
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
    EXPECT_EQ(notice.detail, "disk full");
    expect_notice_once(store, HistoryFault::none, false);
    EXPECT_EQ(query(path, "PRAGMA integrity_check"), "ok");
    HistoryStore later(path);
    EXPECT_EQ(later.newest("160127")->rows.size(), 10u);
}

// A store that fails partway leaves the report it was replacing whole: a
// short top ten would pass for the truth later (offline, the next quarter).
TEST_F(HistoryStoreTest, FailedReStoreLeavesTheReportItWasToReplace) {
    HistoryStore store(path);
    ASSERT_TRUE(store.store(report("160127", "2026-06-30", 10)));
    execute(path,
            "CREATE TRIGGER fail_midway BEFORE INSERT ON holding WHEN NEW.position = 4"
            " BEGIN SELECT RAISE(ABORT, 'failed midway'); END");
    StoredReport again = report("160127", "2026-06-30", 10);
    again.rows[0].ratio = 1;
    EXPECT_FALSE(store.store(again));

    HistoryStore later(path);
    const std::vector<StoredRow> rows = later.newest("160127")->rows;
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0].ratio, 9.66f);
}

}  // namespace
}  // namespace qinghe::app
