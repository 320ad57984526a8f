// The published changes of funds brought into the history: asked at once
// through a run's download engine, each answer stored in one transaction.
// What --accuracy does before it lists, and what shows yesterday's estimate
// beside the change the fund published for it (estimate_store.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/history/history_store.h"
#include "net/download_engine.h"

namespace qinghe::app {

// For each of `codes`, in their order, why no published values came
// ("failure (ErrCode -999)", "status 404" …), empty for a fund whose values
// came; `base` the endpoint's (net_value_base_setting()).
std::vector<std::string> refresh_published_values(HistoryStore& store, net::DownloadEngine& engine,
                                                  std::string_view base,
                                                  const std::vector<std::string>& codes);

}  // namespace qinghe::app
