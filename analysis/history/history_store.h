// The history of fund reads in SQLite: one report per (fund code, report
// date) with its rows, kept across runs, so a later run can tell each
// stock's change since the quarter before and can analyse a fund without
// the network. Texts are UTF-8. Several processes may write one file at
// once (WAL, a busy time-out, every write one immediate transaction).
//
// What the store meets in its file is told once (take_notice):
// - a file that fails its quick check is rebuilt in place when every report
//   can still be read, else (and a file that is not a database) moved
//   aside and a new one made. Only one program repairs a file: the others
//   wait for it and then use the new file;
// - a read-only folder or file is read, and only storing is off;
// - a full disk, an I/O error or a lock held too long turn the store off;
// - a file written by a newer program, another program's database or a
//   path that is not a regular file is left untouched and not used.
// Opened for reading only (a listing), the store never writes anything.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/sources/asset_mix_answer.h"

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
    // The fund's asset allocation stored with the report; newest() gives
    // the newest one stored for the code, whatever report it came with.
    std::optional<AssetMix> assets{};
};

struct StoredFund {
    std::string code;
    std::string name;  // the newest name stored
    std::string newest_report_date;
    int reports = 0;
};

enum class HistoryFault {
    none,
    moved_aside,   // cannot be read: renamed, a new one made, history on
    rebuilt,       // failed its check but could be read: rebuilt in place, every report kept
    read_only,     // read-only folder or file: read, nothing stored
    cannot_write,  // full disk, I/O error, locked too long: off
    cannot_read,   // opened for reading only and cannot be read: left as it is, off
    newer_schema,  // written by a newer program: left untouched, off
    not_ours,      // another program's database or not a regular file: left untouched, off
};

struct HistoryNotice {
    HistoryFault fault = HistoryFault::none;
    std::string path;    // the store; for moved_aside the name it now has
    std::string detail;  // what SQLite or the system said ("disk full"), or the schema version
    int unstored = 0;    // reads of the run that were not stored (set by the run)
};

enum class HistoryAccess { read_write, read_only };

class HistoryStore {
public:
    // The schema this program writes (PRAGMA user_version).
    static constexpr int kSchemaVersion = 2;

    // Opens `path`; for read_write, creating the file and its folder when
    // missing.
    explicit HistoryStore(std::string path, HistoryAccess access = HistoryAccess::read_write);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // The history can be read (an empty file holds nothing yet).
    bool on() const { return db_ != nullptr; }
    const std::string& path() const { return path_; }
    // The fault met since the store was opened, once; `none` afterwards.
    HistoryNotice take_notice();

    // Stores `report` in place of the one of the same code and report
    // date, in one transaction: whole or not at all. False when the history
    // is read-only, off or turns off.
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

    // For the stores of the file's other tables (estimate_store.h): `work`
    // runs on the connection within one immediate transaction, committed
    // when it returns. False when the history is read-only or off, or when
    // `work` fails (it throws history_sql::SqlFailure), which turns it off.
    bool write(const std::function<void(sqlite3*)>& work);
    // `work` reads through the connection; false when the history is off or
    // a read fails, which turns it off.
    bool read(const std::function<void(sqlite3*)>& work);

private:
    struct Statements;
    enum class Content;

    void open();
    void open_read_only();
    void open_read_write();
    void connect(int flags);
    Content examined();
    Content content();
    Content schema_content();
    void repair();
    bool rebuilt_in_place();
    void move_aside();
    void use(Content found);
    bool left_alone(Content found);
    void prepare_schema();
    std::string switch_to_write_ahead_log();
    Content migrate();
    int schema_version();
    void close();
    void turn_off(HistoryFault fault, std::string detail);
    std::vector<StoredReport> select_reports(sqlite3_stmt* query);
    std::optional<int64_t> unchanged_report_id(const StoredReport& report);
    void write_report(const StoredReport& report, const std::string& read_at);
    // Runs `work`; a failure turns the store off and gives Result{}.
    template <class Result, class Work>
    Result guarded(Work work);

    std::string path_;
    HistoryAccess access_;
    bool storing_ = false;
    sqlite3* db_ = nullptr;
    Statements* statements_ = nullptr;
    HistoryNotice notice_;
};

}  // namespace qinghe::app
