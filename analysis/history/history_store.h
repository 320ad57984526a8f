// The history of fund reads in SQLite: one report per (fund code, report
// date) with its rows, kept across runs, so a later run can tell each
// stock's change since the quarter before and can analyse a fund without
// the network. Texts are UTF-8. Several processes may write one file at
// once (WAL, a busy time-out, every write one immediate transaction).
//
// A store that cannot be used turns itself off for the rest of the process
// and says why once (take_notice): a file that is not a database or fails
// its quick check is moved aside and a new one made; a read-only folder or
// file, a full disk or a lock held too long turn it off; a file written by
// a newer program is left untouched and turns it off.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace qinghe::app {

struct StoredRow {
    std::string stock_name;
    float ratio = 0;
    std::string link;
    std::optional<std::string> change;    // as the source gave it: 新增, 增持, …
    std::optional<double> change_points;  // percentage points, where given
};

struct StoredReport {
    std::string code;
    std::string report_date;        // YYYY-MM-DD
    std::string source;             // page, archive, mobile
    std::string fund_name;          // empty when the source gave none
    std::string read_at;            // local time, ISO 8601 with offset; set by store() when empty
    std::vector<StoredRow> rows;    // in the source's order
    std::vector<StoredRow> exited;  // stocks that left the top ten, where the source named them
};

struct StoredFund {
    std::string code;
    std::string name;  // the newest name stored
    std::string newest_report_date;
    int reports = 0;
};

enum class HistoryFault {
    none,
    moved_aside,   // not a database or damaged: renamed, a new one made, history on
    cannot_write,  // read-only folder or file, full disk, I/O error, locked too long: off
    newer_schema,  // written by a newer program: left untouched, off
};

struct HistoryNotice {
    HistoryFault fault = HistoryFault::none;
    std::string path;    // the store; for moved_aside the name it now has
    std::string detail;  // what SQLite or the system said, or the file's schema version
};

class HistoryStore {
public:
    // The schema this program writes (PRAGMA user_version).
    static constexpr int kSchemaVersion = 1;

    // Opens `path`, creating the file and its folder when missing.
    explicit HistoryStore(std::string path);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    bool on() const { return db_ != nullptr; }
    const std::string& path() const { return path_; }
    // The fault met since the store was opened, once; `none` afterwards.
    HistoryNotice take_notice();

    // Stores `report` in place of the one of the same code and report
    // date, in one transaction. False when the history is or turns off.
    bool store(const StoredReport& report);

    // The report with the latest report date of `code`.
    std::optional<StoredReport> newest(const std::string& code);
    // The latest report of `code` in the calendar quarter before the one
    // of `report_date`.
    std::optional<StoredReport> previous_quarter(const std::string& code,
                                                 const std::string& report_date);
    // Every report of `code`, newest first.
    std::vector<StoredReport> reports(const std::string& code);
    // The newest name stored for `code`; empty when none was.
    std::string fund_name(const std::string& code);
    // Every stored fund once, in code order.
    std::vector<StoredFund> funds();

private:
    struct Statements;

    void open();
    void connect();
    bool damaged();
    void move_aside(uint64_t checked);
    void prepare_schema();
    std::string switch_to_write_ahead_log();
    int migrate();
    int schema_version();
    void close();
    void turn_off(HistoryFault fault, std::string detail);
    std::vector<StoredReport> select_reports(sqlite3_stmt* query);
    // Runs `work`; a failure turns the store off and gives Result{}.
    template <class Result, class Work>
    Result guarded(Work work);

    std::string path_;
    sqlite3* db_ = nullptr;
    Statements* statements_ = nullptr;
    HistoryNotice notice_;
};

}  // namespace qinghe::app
