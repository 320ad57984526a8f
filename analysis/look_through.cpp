#include "analysis/look_through.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>

#include "analysis/holding_list.h"

namespace qinghe::app {

std::vector<std::vector<FundShare>> look_through(const ArrayBlock* merged,
                                                 const std::vector<FundReport>& funds) {
    const int32_t count = record_count(merged);
    std::unordered_map<std::string_view, size_t> position;
    for (int32_t i = 1; i <= count; ++i) {
        const char* name = record_at(merged, i)->stock_name;
        position.emplace(name ? name : "", size_t(i - 1));
    }
    std::vector<std::vector<FundShare>> holders(static_cast<size_t>(count));
    for (size_t f = 0; f < funds.size(); ++f)
        for (size_t r = 0; r < funds[f].rows.size(); ++r) {
            const FundRow& row = funds[f].rows[r];
            auto found = position.find(row.stock_name);
            if (found != position.end()) holders[found->second].push_back({f, row.ratio, r});
        }
    return holders;
}

double exposure(const std::vector<FundShare>& holders, const std::vector<double>& amounts) {
    const double total = std::accumulate(amounts.begin(), amounts.end(), 0.0);
    if (total <= 0) return 0;
    double money = 0;
    for (const FundShare& share : holders) money += amounts.at(share.fund) * share.ratio;
    return money / total;
}

double money_part(const FundShare& share, const std::vector<double>& amounts) {
    return amounts.at(share.fund) * share.ratio / 100;
}

double money(const std::vector<FundShare>& holders, const std::vector<double>& amounts) {
    double sum = 0;
    for (const FundShare& share : holders) sum += money_part(share, amounts);
    return sum;
}

std::unordered_map<std::string, double> money_by_stock(const ArrayBlock* merged,
                                                       const std::vector<FundReport>& funds,
                                                       const std::vector<double>& amounts) {
    std::unordered_map<std::string, double> by_name;
    if (amounts.empty()) return by_name;
    const auto holders = look_through(merged, funds);
    for (size_t i = 0; i < holders.size(); ++i) {
        const char* name = record_at(merged, int32_t(i + 1))->stock_name;
        by_name.emplace(name ? name : "", money(holders[i], amounts));
    }
    return by_name;
}

namespace {

// The rows as one key: each name, a zero byte and the ratio's bits.
std::string rows_key(const std::vector<FundRow>& rows) {
    std::string key;
    for (const FundRow& row : rows) {
        key += row.stock_name;
        key += '\0';
        key.append(reinterpret_cast<const char*>(&row.ratio), sizeof row.ratio);
    }
    return key;
}

}  // namespace

std::vector<std::pair<size_t, size_t>> same_holdings(const std::vector<FundReport>& funds) {
    std::unordered_map<std::string, std::vector<size_t>> groups;
    for (size_t i = 0; i < funds.size(); ++i)
        if (!funds[i].rows.empty()) groups[rows_key(funds[i].rows)].push_back(i);
    std::vector<std::pair<size_t, size_t>> pairs;
    for (const auto& [key, members] : groups)
        for (size_t a = 0; a < members.size(); ++a)
            for (size_t b = a + 1; b < members.size(); ++b)
                pairs.push_back({members[a], members[b]});
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

}  // namespace qinghe::app
