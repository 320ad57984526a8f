// A fund's published net values asked of the site's history endpoint:
//   GET {base}f10/lsjz?fundCode=C&pageIndex=1&pageSize=20
// with the Referer of the fund's net-value page, which the endpoint wants:
//   https://fundf10.eastmoney.com/jjjz_C.html
// The first page holds the newest twenty trading days.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/sources/net_value_answer.h"
#include "net/download_engine.h"

namespace qinghe::app {

// `base` an http or https URL ending in "/", `code` six digits.
net::Request net_value_request(std::string_view base, std::string_view code);
// What a response holds, or why it is none ("status 404", "cut short" …).
NetValueAnswer net_value_answer(const net::FetchResult& result);
// The answers for `codes`, in their order, asked all at once through `engine`.
std::vector<NetValueAnswer> ask_net_values(net::DownloadEngine& engine, std::string_view base,
                                           const std::vector<std::string>& codes);

}  // namespace qinghe::app
