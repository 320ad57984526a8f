#include "analysis/history/history_store.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sqlite3.h>
#include <utility>

#include "analysis/decimal_numbers.h"
#include "analysis/history/history_sql.h"
#include "analysis/history/stored_asset_mix.h"
#include "platform/file_lock.h"
#include "platform/file_names.h"
#include "platform/file_permission.h"
#include "platform/local_time.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;
using namespace history_sql;

// Long enough for three programs writing a few hundred funds each.
constexpr int kBusyMilliseconds = 10000;
constexpr int kBusyRetryMilliseconds = 5;
// Long enough for another program to rebuild or move aside a large file.
constexpr auto kRepairWait = std::chrono::seconds(60);
constexpr const char* kRepairing = "another program is repairing the file";

// The schema, step by step: step k takes user_version k to k + 1. A newer
// program appends a step; a file of any older version is brought forward in
// one transaction.
constexpr const char* kMigrations[] = {
    // Stocks are kept once per (name, link), so a row is a few numbers.
    "CREATE TABLE stock(id INTEGER PRIMARY KEY, name TEXT NOT NULL, link TEXT NOT NULL,"
    " UNIQUE(name, link));"
    "CREATE TABLE report(id INTEGER PRIMARY KEY, code TEXT NOT NULL,"
    " report_date TEXT NOT NULL, source TEXT NOT NULL, fund_name TEXT NOT NULL,"
    " read_at TEXT NOT NULL, UNIQUE(code, report_date));"
    "CREATE TABLE holding(report_id INTEGER NOT NULL REFERENCES report(id),"
    " exited INTEGER NOT NULL, position INTEGER NOT NULL,"
    " stock_id INTEGER NOT NULL REFERENCES stock(id), ratio REAL NOT NULL,"
    " change TEXT, change_points REAL,"
    " PRIMARY KEY(report_id, exited, position)) WITHOUT ROWID;",
    // A fund's asset allocation as of its date; its estimates of the day's
    // change (the last one of each trading day) and the changes it published.
    "CREATE TABLE asset_mix(code TEXT NOT NULL, mix_date TEXT NOT NULL, stocks REAL,"
    " bonds REAL, cash REAL, funds REAL, other REAL, net_assets REAL, read_at TEXT NOT NULL,"
    " PRIMARY KEY(code, mix_date)) WITHOUT ROWID;"
    "CREATE TABLE estimate(code TEXT NOT NULL, trading_day TEXT NOT NULL, change REAL NOT NULL,"
    " coverage REAL NOT NULL, holdings_date TEXT NOT NULL, estimated_at TEXT NOT NULL,"
    " PRIMARY KEY(code, trading_day)) WITHOUT ROWID;"
    "CREATE TABLE net_value(code TEXT NOT NULL, value_date TEXT NOT NULL, unit_value REAL,"
    " change REAL, read_at TEXT NOT NULL, PRIMARY KEY(code, value_date)) WITHOUT ROWID;",
};
static_assert(std::size(kMigrations) == HistoryStore::kSchemaVersion);

constexpr const char* kReportColumns =
    "SELECT id, code, report_date, source, fund_name, read_at FROM report ";

// What the user is told: "disk full" where that is the cause (a write cut
// short by a full disk or by the file size limit), else SQLite's words.
std::string described(const SqlFailure& failure) {
    const int primary = failure.code & 0xFF;
    const bool out_of_space = failure.system_error == ENOSPC || failure.system_error == EFBIG;
    if (primary == SQLITE_FULL || (primary == SQLITE_IOERR && out_of_space)) return "disk full";
    return failure.message;
}

bool unreadable(const SqlFailure& failure) {
    const int primary = failure.code & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// The first column of the first row of a statement run once; empty when
// it gives no row.
std::string first_text(sqlite3* db, const char* sql) {
    Statement statement(db, sql);
    return statement.step() ? text_column(statement.get(), 0) : std::string();
}

// The first day of the calendar quarter of `date` (YYYY-MM-DD) and of the
// quarter before; nullopt for a malformed date.
std::optional<std::pair<std::string, std::string>> quarter_bounds(const std::string& date) {
    int year = 0, month = 0;
    if (date.size() < 7 || date[4] != '-') return std::nullopt;
    if (std::from_chars(date.data(), date.data() + 4, year).ptr != date.data() + 4 ||
        std::from_chars(date.data() + 5, date.data() + 7, month).ptr != date.data() + 7 ||
        month < 1 || month > 12)
        return std::nullopt;
    const int first_month = (month - 1) / 3 * 3 + 1;
    const int before_year = first_month == 1 ? year - 1 : year;
    const int before_month = first_month == 1 ? 10 : first_month - 3;
    char start[24], before[24];  // room for any int the format may be given
    std::snprintf(start, sizeof start, "%04d-%02d-01", year, first_month);
    std::snprintf(before, sizeof before, "%04d-%02d-01", before_year, before_month);
    return std::pair{std::string(before), std::string(start)};
}

// A path the store may hand to SQLite: nothing there yet, or a regular
// file (a link to one included). A device, a pipe or a folder is not.
bool regular_or_missing(const std::string& path) {
    std::error_code error;
    const fs::path file = platform::native_path(path);
    const fs::file_type type = fs::symlink_status(file, error).type();
    // A path that cannot be looked at is left to SQLite to fail on.
    if (error || type == fs::file_type::not_found) return true;
    return fs::is_regular_file(fs::status(file, error));
}

// Makes the folder when missing. Checked by the mode bits, so a read-only
// file stays read-only for root.
bool writable_place(const std::string& path) {
    std::error_code error;
    fs::path folder = platform::native_path(path).parent_path();
    if (folder.empty()) folder = ".";
    fs::create_directories(folder, error);
    return platform::writable_by_user(platform::utf8_path(folder)) &&
           (!fs::exists(platform::native_path(path), error) || platform::writable_by_user(path));
}

// Every program takes it shared to look at the file and exclusive to
// replace it, so no program has a file open that another moves away.
std::optional<platform::FileLock> repair_lock(const std::string& path,
                                              platform::FileLock::Kind kind) {
    return platform::FileLock::take(path + "-lock", kind, kRepairWait);
}

bool passes_quick_check(const std::string& path) {
    sqlite3* db = nullptr;
    bool whole = false;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        try {
            whole = first_text(db, "PRAGMA quick_check") == "ok";
        } catch (const SqlFailure&) {
        }
    }
    sqlite3_close_v2(db);
    return whole;
}

// The first name of the pattern path.broken-YYYYMMDD-HHMMSS[-N] not taken.
std::string aside_name(const std::string& path) {
    const std::string base = path + ".broken-" + platform::local_time_now("%Y%m%d-%H%M%S");
    std::string name = base;
    std::error_code error;
    for (int n = 2; fs::exists(fs::symlink_status(platform::native_path(name), error)); ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

}  // namespace

// What a file holds, as far as this program is concerned.
enum class HistoryStore::Content {
    empty,    // no schema yet: this program may make its own
    ours,     // this program's schema, at its version or an older one
    newer,    // a newer version of this program's schema
    foreign,  // another program's database
    damaged,  // fails its quick check
};

struct HistoryStore::Statements {
    explicit Statements(sqlite3* db)
        : upsert_report(db,
                        "INSERT INTO report(code, report_date, source, fund_name, read_at)"
                        " VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(code, report_date) DO UPDATE"
                        " SET source = excluded.source, read_at = excluded.read_at,"
                        " fund_name = CASE WHEN excluded.fund_name = '' THEN fund_name"
                        " ELSE excluded.fund_name END RETURNING id"),
          report_at(db,
                    "SELECT id, source, fund_name FROM report WHERE code = ?1 AND"
                    " report_date = ?2"),
          touch_report(db, "UPDATE report SET read_at = ?2 WHERE id = ?1"),
          delete_rows(db, "DELETE FROM holding WHERE report_id = ?1"),
          upsert_stock(db,
                       "INSERT INTO stock(name, link) VALUES(?1, ?2) ON CONFLICT(name, link)"
                       " DO UPDATE SET name = excluded.name RETURNING id"),
          insert_row(db,
                     "INSERT INTO holding(report_id, exited, position, stock_id, ratio, change,"
                     " change_points) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)"),
          select_rows(db,
                      "SELECT h.exited, s.name, h.ratio, s.link, h.change, h.change_points"
                      " FROM holding h JOIN stock s ON s.id = h.stock_id"
                      " WHERE h.report_id = ?1 ORDER BY h.exited, h.position"),
          newest(db,
                 (std::string(kReportColumns) + "WHERE code = ?1 ORDER BY report_date DESC LIMIT 1")
                     .c_str()),
          in_range(db, (std::string(kReportColumns) +
                        "WHERE code = ?1 AND report_date >= ?2 AND report_date < ?3"
                        " ORDER BY report_date DESC LIMIT 1")
                           .c_str()),
          of_code(
              db,
              (std::string(kReportColumns) + "WHERE code = ?1 ORDER BY report_date DESC").c_str()),
          funds(db,
                "SELECT code, (SELECT fund_name FROM report n WHERE n.code = r.code"
                " AND n.fund_name <> '' ORDER BY n.report_date DESC LIMIT 1),"
                " MAX(report_date), COUNT(*) FROM report r GROUP BY code ORDER BY code"),
          name(db,
               "SELECT fund_name FROM report WHERE code = ?1 AND fund_name <> ''"
               " ORDER BY report_date DESC LIMIT 1") {}

    Statement upsert_report, report_at, touch_report, delete_rows, upsert_stock, insert_row,
        select_rows;
    Statement newest, in_range, of_code, funds, name;
};

HistoryStore::HistoryStore(std::string path, HistoryAccess access)
    : path_(std::move(path)), access_(access) {
    open();
}

HistoryStore::~HistoryStore() { close(); }

HistoryNotice HistoryStore::take_notice() { return std::exchange(notice_, HistoryNotice{}); }

void HistoryStore::open() {
    if (!regular_or_missing(path_)) return turn_off(HistoryFault::not_ours, "not a regular file");
    if (access_ == HistoryAccess::read_write && !writable_place(path_)) {
        notice_ = {HistoryFault::read_only, path_, "read-only file or folder"};
        access_ = HistoryAccess::read_only;
    }
    std::error_code error;
    try {
        if (access_ == HistoryAccess::read_write) open_read_write();
        else if (fs::exists(platform::native_path(path_), error)) open_read_only();
    } catch (const SqlFailure& failure) {
        turn_off(access_ == HistoryAccess::read_write ? HistoryFault::cannot_write
                                                      : HistoryFault::cannot_read,
                 described(failure));
    }
}

// Reads without a lock, a repair or a write of any kind.
void HistoryStore::open_read_only() {
    connect(SQLITE_OPEN_READONLY);
    use(schema_content());
}

void HistoryStore::open_read_write() {
    Content found = examined();
    if (found == Content::damaged) {
        repair();
        found = examined();
    }
    use(found);
}

void HistoryStore::connect(int flags) {
    const int result = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
    check(db_, result);
    sqlite3_busy_timeout(db_, kBusyMilliseconds);
}

// Opens the file and looks at it under the shared lock; a damaged one is
// closed again before the lock is let go.
HistoryStore::Content HistoryStore::examined() {
    const auto lock = repair_lock(path_, platform::FileLock::Kind::shared);
    if (!lock) throw SqlFailure{SQLITE_BUSY, kRepairing};
    try {
        connect(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        const Content found = content();
        if (found == Content::damaged) close();
        return found;
    } catch (const SqlFailure&) {
        close();
        throw;
    }
}

// The schema, then the quick check of a file of ours.
HistoryStore::Content HistoryStore::content() {
    try {
        const Content found = schema_content();
        if (found != Content::ours) return found;
        return first_text(db_, "PRAGMA quick_check") == "ok" ? Content::ours : Content::damaged;
    } catch (const SqlFailure& failure) {
        if (unreadable(failure)) return Content::damaged;
        throw;
    }
}

// What the schema says; reads only. One statement, so that the version and
// the tables come from one state of a file another program is making.
HistoryStore::Content HistoryStore::schema_content() {
    Statement schema(db_,
                     "SELECT (SELECT user_version FROM pragma_user_version), COUNT(*),"
                     " COUNT(CASE WHEN type = 'table' AND name IN ('stock', 'report', 'holding')"
                     " THEN 1 END) FROM sqlite_master");
    schema.step();
    const int version = sqlite3_column_int(schema.get(), 0);
    const int objects = sqlite3_column_int(schema.get(), 1);
    const int tables = sqlite3_column_int(schema.get(), 2);
    if (version > kSchemaVersion) return Content::newer;
    if (version == 0 && objects == 0) return Content::empty;
    return version > 0 && tables == 3 ? Content::ours : Content::foreign;
}

// Under the exclusive lock, so that one program repairs the file and the
// others then use what it made: a file that another program repaired
// meanwhile is left as it is; one that still fails its check is rebuilt in
// place when every report can be read, else moved aside.
void HistoryStore::repair() {
    const auto lock = repair_lock(path_, platform::FileLock::Kind::exclusive);
    if (!lock) throw SqlFailure{SQLITE_BUSY, kRepairing};
    try {
        connect(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (content() == Content::damaged && !rebuilt_in_place()) {
            close();
            move_aside();
        }
        close();
    } catch (const SqlFailure&) {
        close();
        throw;
    }
}

// A copy of every table (VACUUM INTO) replaces the file when SQLite could
// read all of it and the copy passes the check.
bool HistoryStore::rebuilt_in_place() {
    const std::string rebuilt = path_ + "-rebuilt";
    std::error_code error;
    fs::remove(platform::native_path(rebuilt), error);
    bool copied = true;
    try {
        Statement(db_, "VACUUM INTO ?1").with(rebuilt).run();
    } catch (const SqlFailure&) {
        copied = false;
    }
    if (!copied || !passes_quick_check(rebuilt)) {
        fs::remove(platform::native_path(rebuilt), error);
        return false;
    }
    close();
    // The old log belongs to the old file; the copy holds what it had.
    fs::remove(platform::native_path(path_ + "-wal"), error);
    fs::remove(platform::native_path(path_ + "-shm"), error);
    if (!platform::rename_over(rebuilt, path_))
        throw SqlFailure{SQLITE_CANTOPEN, "cannot replace the file with its rebuilt copy"};
    notice_ = {HistoryFault::rebuilt, path_, {}};
    return true;
}

// Renames the file (and its write-ahead log) out of the way; the next
// look at the path makes a new one.
void HistoryStore::move_aside() {
    const std::string aside = aside_name(path_);
    std::error_code error;
    fs::rename(platform::native_path(path_), platform::native_path(aside), error);
    if (error) throw SqlFailure{SQLITE_CANTOPEN, error.message()};
    fs::rename(platform::native_path(path_ + "-wal"), platform::native_path(aside + "-wal"), error);
    fs::remove(platform::native_path(path_ + "-shm"), error);
    notice_ = {HistoryFault::moved_aside, aside, {}};
}

// A file of ours is read, and made ready for storing where that is
// allowed; any other is left as it is and turns the store off.
void HistoryStore::use(Content found) {
    if (left_alone(found)) return;
    if (access_ == HistoryAccess::read_write) prepare_schema();
    else if (found == Content::ours) statements_ = new Statements(db_);
}

bool HistoryStore::left_alone(Content found) {
    switch (found) {
    case Content::newer: {
        const int version = schema_version();
        turn_off(HistoryFault::newer_schema, std::to_string(version));
        return true;
    }
    case Content::foreign:
        turn_off(HistoryFault::not_ours, "another program's database");
        return true;
    case Content::damaged: throw SqlFailure{SQLITE_CORRUPT, "damaged again after its repair"};
    case Content::empty:
    case Content::ours: break;
    }
    return false;
}

void HistoryStore::prepare_schema() {
    if (switch_to_write_ahead_log() != "wal")
        throw SqlFailure{SQLITE_CANTOPEN, "no write-ahead log"};
    execute(db_, "PRAGMA synchronous = NORMAL");
    // Looked at again under the write lock: another program may have made
    // the schema since.
    if (left_alone(migrate())) return;
    statements_ = new Statements(db_);
    storing_ = true;
}

// The switch of a new file needs the only lock on it, and SQLite answers
// "busy" at once instead of waiting for it: so when programs open one new
// file together, it is tried again until the busy time is spent.
std::string HistoryStore::switch_to_write_ahead_log() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyMilliseconds);
    while (true) {
        try {
            return first_text(db_, "PRAGMA journal_mode = WAL");
        } catch (const SqlFailure& failure) {
            if ((failure.code & 0xFF) != SQLITE_BUSY || std::chrono::steady_clock::now() > deadline)
                throw;
        }
        sqlite3_sleep(kBusyRetryMilliseconds);
    }
}

HistoryStore::Content HistoryStore::migrate() {
    Transaction transaction(db_);
    const Content found = schema_content();
    if (found != Content::empty && found != Content::ours) return found;
    const int version = schema_version();
    for (int step = version; step < kSchemaVersion; ++step) execute(db_, kMigrations[step]);
    if (version < kSchemaVersion)
        execute(db_, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
    transaction.commit();
    return found;
}

int HistoryStore::schema_version() {
    return std::atoi(first_text(db_, "PRAGMA user_version").c_str());
}

void HistoryStore::close() {
    delete statements_;
    statements_ = nullptr;
    storing_ = false;
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void HistoryStore::turn_off(HistoryFault fault, std::string detail) {
    close();
    // A store moved aside and then turned off tells the later fault.
    notice_ = {fault, path_, std::move(detail)};
}

template <class Result, class Work>
Result HistoryStore::guarded(Work work) {
    if (!statements_) return Result{};
    try {
        return work();
    } catch (const SqlFailure& failure) {
        turn_off(access_ == HistoryAccess::read_write ? HistoryFault::cannot_write
                                                      : HistoryFault::cannot_read,
                 described(failure));
        return Result{};
    }
}

// A read of a report already stored as it is (a fund read again within its
// quarter) changes only the report's read time; any other read replaces
// the report's rows.
bool HistoryStore::store(const StoredReport& report) {
    if (!storing_) return false;
    return guarded<bool>([&] {
        const std::string read_at = report.read_at.empty() ? now_iso8601() : report.read_at;
        Transaction transaction(db_);
        if (const std::optional<int64_t> id = unchanged_report_id(report))
            statements_->touch_report.with(sqlite3_int64(*id), read_at).run();
        else write_report(report, read_at);
        if (report.assets) check(db_, store_asset_mix(db_, report.code, *report.assets, read_at));
        transaction.commit();
        return true;
    });
}

namespace {

// Whether the stored row `r` (of select_rows) holds what storing `row` would write.
bool same_row(sqlite3_stmt* r, int exited, const StoredRow& row) {
    return sqlite3_column_int(r, 0) == exited && text_column(r, 1) == row.stock_name &&
           sqlite3_column_double(r, 2) == decimal_ratio(row.ratio) &&
           text_column(r, 3) == row.link && optional_text(r, 4) == row.change &&
           optional_number(r, 5) == row.change_points;
}

// Leaves a statement reset at the end of a scope, whichever way it ends.
struct ResetAtEnd {
    sqlite3_stmt* statement;
    ~ResetAtEnd() { sqlite3_reset(statement); }
};

}  // namespace

// The id of the report of the read's code and date when it is stored with
// the read's source, name (or the read names none) and rows in their order.
std::optional<int64_t> HistoryStore::unchanged_report_id(const StoredReport& report) {
    Statement& found = statements_->report_at.with(report.code, report.report_date);
    const ResetAtEnd found_reset{found.get()};
    if (!found.step()) return std::nullopt;
    const sqlite3_int64 id = sqlite3_column_int64(found.get(), 0);
    if (text_column(found.get(), 1) != report.source ||
        (!report.fund_name.empty() && text_column(found.get(), 2) != report.fund_name))
        return std::nullopt;
    Statement& rows = statements_->select_rows.with(id);
    const ResetAtEnd rows_reset{rows.get()};
    for (int exited : {0, 1})
        for (const StoredRow& row : exited ? report.exited : report.rows)
            if (!rows.step() || !same_row(rows.get(), exited, row)) return std::nullopt;
    if (rows.step()) return std::nullopt;
    return id;
}

void HistoryStore::write_report(const StoredReport& report, const std::string& read_at) {
    Statements& s = *statements_;
    s.upsert_report.with(report.code, report.report_date, report.source, report.fund_name, read_at)
        .step();
    const sqlite3_int64 id = sqlite3_column_int64(s.upsert_report.get(), 0);
    s.upsert_report.run();
    s.delete_rows.with(id).run();
    for (int exited : {0, 1}) {
        const auto& rows = exited ? report.exited : report.rows;
        for (size_t i = 0; i < rows.size(); ++i) {
            const StoredRow& row = rows[i];
            s.upsert_stock.with(row.stock_name, row.link).step();
            const sqlite3_int64 stock = sqlite3_column_int64(s.upsert_stock.get(), 0);
            s.upsert_stock.run();
            s.insert_row
                .with(id, exited, int(i + 1), stock, decimal_ratio(row.ratio), row.change,
                      row.change_points)
                .run();
        }
    }
}

std::vector<StoredReport> HistoryStore::select_reports(sqlite3_stmt* query) {
    std::vector<StoredReport> reports;
    std::vector<sqlite3_int64> ids;
    Statement& rows = statements_->select_rows;
    while (true) {
        const int result = sqlite3_step(query);
        check(db_, result);
        if (result != SQLITE_ROW) break;
        ids.push_back(sqlite3_column_int64(query, 0));
        reports.push_back({text_column(query, 1),
                           text_column(query, 2),
                           text_column(query, 3),
                           text_column(query, 4),
                           text_column(query, 5),
                           {},
                           {}});
    }
    sqlite3_reset(query);
    for (size_t k = 0; k < reports.size(); ++k) {
        rows.with(ids[k]);
        while (rows.step()) {
            sqlite3_stmt* r = rows.get();
            StoredRow row{text_column(r, 1), float(sqlite3_column_double(r, 2)), text_column(r, 3),
                          optional_text(r, 4), optional_number(r, 5)};
            (sqlite3_column_int(r, 0) ? reports[k].exited : reports[k].rows)
                .push_back(std::move(row));
        }
    }
    return reports;
}

namespace {

std::optional<StoredReport> first(std::vector<StoredReport> reports) {
    if (reports.empty()) return std::nullopt;
    return std::move(reports.front());
}

}  // namespace

std::optional<StoredReport> HistoryStore::newest(const std::string& code) {
    return guarded<std::optional<StoredReport>>([&] {
        std::optional<StoredReport> report =
            first(select_reports(statements_->newest.with(code).get()));
        if (report) check(db_, newest_asset_mix(db_, code, report->assets));
        return report;
    });
}

std::optional<StoredReport> HistoryStore::previous_quarter(const std::string& code,
                                                           const std::string& report_date) {
    const auto bounds = quarter_bounds(report_date);
    if (!bounds) return std::nullopt;
    return guarded<std::optional<StoredReport>>([&] {
        return first(
            select_reports(statements_->in_range.with(code, bounds->first, bounds->second).get()));
    });
}

std::vector<StoredReport> HistoryStore::reports(const std::string& code) {
    return guarded<std::vector<StoredReport>>(
        [&] { return select_reports(statements_->of_code.with(code).get()); });
}

std::string HistoryStore::fund_name(const std::string& code) {
    return guarded<std::string>([&] {
        Statement& query = statements_->name.with(code);
        return query.step() ? text_column(query.get(), 0) : std::string();
    });
}

std::vector<StoredFund> HistoryStore::funds() {
    return guarded<std::vector<StoredFund>>([&] {
        std::vector<StoredFund> funds;
        Statement& query = statements_->funds.with();
        while (query.step()) {
            sqlite3_stmt* f = query.get();
            funds.push_back({text_column(f, 0), text_column(f, 1), text_column(f, 2),
                             sqlite3_column_int(f, 3)});
        }
        return funds;
    });
}

bool HistoryStore::write(const std::function<void(sqlite3*)>& work) {
    if (!storing_) return false;
    return guarded<bool>([&] {
        Transaction transaction(db_);
        work(db_);
        transaction.commit();
        return true;
    });
}

bool HistoryStore::read(const std::function<void(sqlite3*)>& work) {
    return guarded<bool>([&] {
        work(db_);
        return true;
    });
}

}  // namespace qinghe::app
