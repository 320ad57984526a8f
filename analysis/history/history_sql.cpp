#include "analysis/history/history_sql.h"

#include <cerrno>

#include "platform/local_time.h"

namespace qinghe::app::history_sql {

// SQLite keeps the errno of a failed write only in its file object: the
// errno it left behind is what the system said last.
void check(sqlite3* db, int result) {
    const int system_error = errno;
    if (result != SQLITE_OK && result != SQLITE_ROW && result != SQLITE_DONE)
        throw SqlFailure{result, db ? sqlite3_errmsg(db) : sqlite3_errstr(result),
                         db && sqlite3_system_errno(db) ? sqlite3_system_errno(db) : system_error};
}

void execute(sqlite3* db, const char* sql) {
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
    check(db, sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr));
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

bool Statement::step() {
    const int result = sqlite3_step(stmt_);
    check(db_, result);
    return result == SQLITE_ROW;
}

void Statement::run() {
    while (step()) {
    }
}

void Statement::bind(int i, const std::string& text) {
    check(db_, sqlite3_bind_text(stmt_, i, text.data(), int(text.size()), SQLITE_TRANSIENT));
}
void Statement::bind(int i, sqlite3_int64 number) {
    check(db_, sqlite3_bind_int64(stmt_, i, number));
}
void Statement::bind(int i, int number) { bind(i, sqlite3_int64(number)); }
void Statement::bind(int i, double number) { check(db_, sqlite3_bind_double(stmt_, i, number)); }
void Statement::bind(int i, const std::optional<std::string>& text) {
    if (text) bind(i, *text);
    else check(db_, sqlite3_bind_null(stmt_, i));
}
void Statement::bind(int i, const std::optional<double>& number) {
    if (number) bind(i, *number);
    else check(db_, sqlite3_bind_null(stmt_, i));
}

Transaction::Transaction(sqlite3* db) : db_(db) { execute(db_, "BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
    if (db_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    execute(db_, "COMMIT");
    db_ = nullptr;
}

std::string text_column(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(stmt, column))) : std::string();
}

std::optional<std::string> optional_text(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return std::nullopt;
    return text_column(stmt, column);
}

std::optional<double> optional_number(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(stmt, column);
}

std::string now_iso8601() {
    std::string time = platform::local_time_now("%Y-%m-%dT%H:%M:%S%z");
    if (time.size() > 2) time.insert(time.size() - 2, ":");
    return time;
}

}  // namespace qinghe::app::history_sql
