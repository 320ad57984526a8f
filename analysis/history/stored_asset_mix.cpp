#include "analysis/history/stored_asset_mix.h"

#include <sqlite3.h>

namespace qinghe::app {
namespace {

// A statement prepared for one use, finalized on every way out.
class OneStatement {
public:
    OneStatement(sqlite3* db, const char* sql) {
        result_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    }
    ~OneStatement() { sqlite3_finalize(stmt_); }
    OneStatement(const OneStatement&) = delete;
    OneStatement& operator=(const OneStatement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    int result() const { return result_; }
    // Binds while every call so far succeeded.
    void text(int i, const std::string& value) {
        if (result_ == SQLITE_OK)
            result_ =
                sqlite3_bind_text(stmt_, i, value.data(), int(value.size()), SQLITE_TRANSIENT);
    }
    void number(int i, const std::optional<double>& value) {
        if (result_ == SQLITE_OK)
            result_ = value ? sqlite3_bind_double(stmt_, i, *value) : sqlite3_bind_null(stmt_, i);
    }
    int step() { return result_ == SQLITE_OK ? sqlite3_step(stmt_) : result_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int result_ = SQLITE_OK;
};

std::optional<double> number_column(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(stmt, column);
}

std::string text_column(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(stmt, column))) : std::string();
}

}  // namespace

int store_asset_mix(sqlite3* db, const std::string& code, const AssetMix& mix,
                    const std::string& read_at) {
    OneStatement insert(db,
                        "INSERT OR REPLACE INTO asset_mix(code, mix_date, stocks, bonds, cash,"
                        " funds, other, net_assets, read_at) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7,"
                        " ?8, ?9)");
    insert.text(1, code);
    insert.text(2, mix.date);
    int column = 3;
    for (const std::optional<double>& share :
         {mix.stocks, mix.bonds, mix.cash, mix.funds, mix.other, mix.net_assets})
        insert.number(column++, share);
    insert.text(9, read_at);
    return insert.step();
}

int newest_asset_mix(sqlite3* db, const std::string& code, std::optional<AssetMix>& mix) {
    mix.reset();
    OneStatement select(db,
                        "SELECT mix_date, stocks, bonds, cash, funds, other, net_assets"
                        " FROM asset_mix WHERE code = ?1 ORDER BY mix_date DESC LIMIT 1");
    select.text(1, code);
    const int result = select.step();
    if (result != SQLITE_ROW) return result;
    sqlite3_stmt* row = select.get();
    mix = AssetMix{text_column(row, 0),   number_column(row, 1), number_column(row, 2),
                   number_column(row, 3), number_column(row, 4), number_column(row, 5),
                   number_column(row, 6)};
    return SQLITE_DONE;
}

}  // namespace qinghe::app
