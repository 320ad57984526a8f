// What the history's stores share to reach its SQLite file: a failed call
// as an exception, prepared statements that take parameters only, one
// immediate transaction, columns read back, the time stamps they write.
#pragma once

#include <optional>
#include <sqlite3.h>
#include <string>

namespace qinghe::app::history_sql {

// A failed SQLite call, carried to the public member that made it.
struct SqlFailure {
    int code;
    std::string message;
    int system_error = 0;  // errno of the failed file operation, where one failed
};

// Throws SqlFailure unless `result` is OK, a row or done.
void check(sqlite3* db, int result);
void execute(sqlite3* db, const char* sql);

// A prepared statement, reset after each use.
class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
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
    bool step();
    void run();

private:
    void bind(int i, const std::string& text);
    void bind(int i, sqlite3_int64 number);
    void bind(int i, int number);
    void bind(int i, double number);
    void bind(int i, const std::optional<std::string>& text);
    void bind(int i, const std::optional<double>& number);

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// One immediate (write-locking) transaction, rolled back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    sqlite3* db_;
};

std::string text_column(sqlite3_stmt* stmt, int column);
std::optional<std::string> optional_text(sqlite3_stmt* stmt, int column);
std::optional<double> optional_number(sqlite3_stmt* stmt, int column);

// Local time, ISO 8601 with the offset as "+08:00".
std::string now_iso8601();

}  // namespace qinghe::app::history_sql
