// A fund's asset allocation in the history's asset_mix table: one row per
// (fund code, allocation date), written in the transaction that stores the
// fund's report, and the newest one read back for a fund analysed from the
// history, so its coverage still shows offline. Only parameters reach SQL.
#pragma once

#include <optional>
#include <string>

#include "analysis/sources/asset_mix_answer.h"

struct sqlite3;

namespace qinghe::app {

// Stores `mix` of `code` in place of the one of the same date; SQLite's
// result code (SQLITE_DONE when it was stored).
int store_asset_mix(sqlite3* db, const std::string& code, const AssetMix& mix,
                    const std::string& read_at);

// The mix of `code` with the latest date into `mix` (none when none is
// stored); SQLite's result code (SQLITE_DONE when the query ran).
int newest_asset_mix(sqlite3* db, const std::string& code, std::optional<AssetMix>& mix);

}  // namespace qinghe::app
