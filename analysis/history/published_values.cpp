#include "analysis/history/published_values.h"

#include "analysis/history/estimate_store.h"
#include "analysis/sources/net_value_request.h"

namespace qinghe::app {

std::vector<std::string> refresh_published_values(HistoryStore& store, net::DownloadEngine& engine,
                                                  std::string_view base,
                                                  const std::vector<std::string>& codes) {
    const std::vector<NetValueAnswer> answers = ask_net_values(engine, base, codes);
    std::vector<std::string> errors;
    for (size_t i = 0; i < codes.size(); ++i) {
        if (!answers[i].values.empty()) store_published_values(store, codes[i], answers[i].values);
        errors.push_back(answers[i].values.empty() ? answers[i].error : std::string());
    }
    return errors;
}

}  // namespace qinghe::app
