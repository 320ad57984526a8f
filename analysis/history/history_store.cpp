#include "analysis/history/history_store.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sqlite3.h>
#include <utility>

#include "analysis/decimal_numbers.h"
#include "platform/file_identity.h"
#include "platform/file_names.h"
#include "platform/file_permission.h"
#include "platform/local_time.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;

// Long enough for three programs writing a few hundred funds each.
constexpr int kBusyMilliseconds = 10000;
constexpr int kBusyRetryMilliseconds = 5;

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
};
static_assert(std::size(kMigrations) == HistoryStore::kSchemaVersion);

constexpr const char* kReportColumns =
    "SELECT id, code, report_date, source, fund_name, read_at FROM report ";

// A failed SQLite call, carried to the public member that made it.
struct SqlFailure {
    int code;
    std::string message;
};

void check(sqlite3* db, int result) {
    if (result != SQLITE_OK && result != SQLITE_ROW && result != SQLITE_DONE)
        throw SqlFailure{result, db ? sqlite3_errmsg(db) : sqlite3_errstr(result)};
}

void execute(sqlite3* db, const char* sql) {
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

// A prepared statement, reset after each use.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        check(db, sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }

    // Binds the values to ?1, ?2, … after clearing the last use.
    template <class... Values>
    Statement& with(const Values&... values) {
        sqlite3_reset(stmt_);
        [[maybe_unused]] int index = 0;
        (bind(++index, values), ...);
        return *this;
    }
    // True while a row is there.
    bool step() {
        const int result = sqlite3_step(stmt_);
        check(db_, result);
        return result == SQLITE_ROW;
    }
    void run() {
        while (step()) {
        }
    }

private:
    void bind(int i, const std::string& text) {
        check(db_, sqlite3_bind_text(stmt_, i, text.data(), int(text.size()), SQLITE_TRANSIENT));
    }
    void bind(int i, sqlite3_int64 number) { check(db_, sqlite3_bind_int64(stmt_, i, number)); }
    void bind(int i, int number) { bind(i, sqlite3_int64(number)); }
    void bind(int i, double number) { check(db_, sqlite3_bind_double(stmt_, i, number)); }
    void bind(int i, const std::optional<std::string>& text) {
        if (text) bind(i, *text);
        else check(db_, sqlite3_bind_null(stmt_, i));
    }
    void bind(int i, const std::optional<double>& number) {
        if (number) bind(i, *number);
        else check(db_, sqlite3_bind_null(stmt_, i));
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

std::string text_column(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(stmt, column))) : std::string();
}

// The first column of the first row of a statement run once; empty when
// it gives no row.
std::string first_text(sqlite3* db, const char* sql) {
    Statement statement(db, sql);
    return statement.step() ? text_column(statement.get(), 0) : std::string();
}

std::optional<std::string> optional_text(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return std::nullopt;
    return text_column(stmt, column);
}

std::optional<double> optional_number(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(stmt, column);
}

// "+0800" as "+08:00".
std::string now_iso8601() {
    std::string time = platform::local_time_now("%Y-%m-%dT%H:%M:%S%z");
    if (time.size() > 2) time.insert(time.size() - 2, ":");
    return time;
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
    char start[16], before[16];
    std::snprintf(start, sizeof start, "%04d-%02d-01", year, first_month);
    std::snprintf(before, sizeof before, "%04d-%02d-01", before_year, before_month);
    return std::pair{std::string(before), std::string(start)};
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

// One immediate (write-locking) transaction, rolled back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) { execute(db_, "BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (db_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() {
        execute(db_, "COMMIT");
        db_ = nullptr;
    }

private:
    sqlite3* db_;
};

}  // namespace

struct HistoryStore::Statements {
    explicit Statements(sqlite3* db)
        : upsert_report(db,
                        "INSERT INTO report(code, report_date, source, fund_name, read_at)"
                        " VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(code, report_date) DO UPDATE"
                        " SET source = excluded.source, read_at = excluded.read_at,"
                        " fund_name = CASE WHEN excluded.fund_name = '' THEN fund_name"
                        " ELSE excluded.fund_name END RETURNING id"),
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

    Statement upsert_report, delete_rows, upsert_stock, insert_row, select_rows;
    Statement newest, in_range, of_code, funds, name;
};

HistoryStore::HistoryStore(std::string path) : path_(std::move(path)) { open(); }

HistoryStore::~HistoryStore() { close(); }

HistoryNotice HistoryStore::take_notice() { return std::exchange(notice_, HistoryNotice{}); }

void HistoryStore::open() {
    std::error_code error;
    const fs::path folder = platform::native_path(path_).parent_path();
    fs::create_directories(folder, error);
    // Checked by the mode bits, so a read-only file stays read-only for root.
    if (!platform::writable_by_user(platform::utf8_path(folder)) ||
        (fs::exists(platform::native_path(path_), error) && !platform::writable_by_user(path_)))
        return turn_off(HistoryFault::cannot_write, "read-only file or folder");
    try {
        const uint64_t checked = platform::file_identity(path_);
        connect();
        if (damaged()) move_aside(checked);
        if (db_) prepare_schema();
    } catch (const SqlFailure& failure) {
        turn_off(HistoryFault::cannot_write, failure.message);
    }
}

void HistoryStore::connect() {
    const int result =
        sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    check(db_, result);
    sqlite3_busy_timeout(db_, kBusyMilliseconds);
}

// Not a database, or its quick check finds a fault. A newer schema turns
// the store off here, before anything is written.
bool HistoryStore::damaged() {
    try {
        const int found = schema_version();
        if (found > kSchemaVersion) {
            turn_off(HistoryFault::newer_schema, std::to_string(found));
            return false;
        }
        return first_text(db_, "PRAGMA quick_check") != "ok";
    } catch (const SqlFailure& failure) {
        const int primary = failure.code & 0xFF;
        if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) return true;
        throw;
    }
}

// Renames the file (and its write-ahead log) out of the way and starts a
// new one. When another process already did so (the file is not the one
// checked), its new file is used as it is.
void HistoryStore::move_aside(uint64_t checked) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    if (platform::file_identity(path_) == checked) {
        const std::string aside = aside_name(path_);
        std::error_code error;
        fs::rename(platform::native_path(path_), platform::native_path(aside), error);
        if (error) throw SqlFailure{SQLITE_CANTOPEN, error.message()};
        fs::rename(platform::native_path(path_ + "-wal"), platform::native_path(aside + "-wal"),
                   error);
        fs::remove(platform::native_path(path_ + "-shm"), error);
        notice_ = {HistoryFault::moved_aside, aside, {}};
    }
    connect();
}

void HistoryStore::prepare_schema() {
    if (switch_to_write_ahead_log() != "wal")
        throw SqlFailure{SQLITE_CANTOPEN, "no write-ahead log"};
    execute(db_, "PRAGMA synchronous = NORMAL");
    // Read again under the write lock: another program may have made the
    // schema since.
    const int found = migrate();
    if (found > kSchemaVersion) return turn_off(HistoryFault::newer_schema, std::to_string(found));
    statements_ = new Statements(db_);
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

int HistoryStore::migrate() {
    Transaction transaction(db_);
    const int found = schema_version();
    if (found > kSchemaVersion) return found;
    for (int step = found; step < kSchemaVersion; ++step) execute(db_, kMigrations[step]);
    if (found < kSchemaVersion)
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
    if (!db_) return Result{};
    try {
        return work();
    } catch (const SqlFailure& failure) {
        turn_off(HistoryFault::cannot_write, failure.message);
        return Result{};
    }
}

bool HistoryStore::store(const StoredReport& report) {
    return guarded<bool>([&] {
        Statements& s = *statements_;
        const std::string read_at = report.read_at.empty() ? now_iso8601() : report.read_at;
        Transaction transaction(db_);
        s.upsert_report
            .with(report.code, report.report_date, report.source, report.fund_name, read_at)
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
        transaction.commit();
        return true;
    });
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
    return guarded<std::optional<StoredReport>>(
        [&] { return first(select_reports(statements_->newest.with(code).get())); });
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

}  // namespace qinghe::app
