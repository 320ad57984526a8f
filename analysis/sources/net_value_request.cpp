#include "analysis/sources/net_value_request.h"

#include <future>
#include <memory>

#include "analysis/sources/holdings_source.h"
#include "analysis/sources/url_encoding.h"

namespace qinghe::app {

net::Request net_value_request(std::string_view base, std::string_view code) {
    const std::string fund = percent_encoded(code);
    return {std::string(base) + "f10/lsjz?fundCode=" + fund + "&pageIndex=1&pageSize=20",
            "https://fundf10.eastmoney.com/jjjz_" + fund + ".html"};
}

NetValueAnswer net_value_answer(const net::FetchResult& result) {
    const std::string failed = failed_response_reason(result);
    if (!failed.empty()) return {{}, failed};
    return read_net_value_answer(result.body);
}

std::vector<NetValueAnswer> ask_net_values(net::DownloadEngine& engine, std::string_view base,
                                           const std::vector<std::string>& codes) {
    std::vector<std::future<net::FetchResult>> results;
    for (const std::string& code : codes) {
        auto result = std::make_shared<std::promise<net::FetchResult>>();
        results.push_back(result->get_future());
        engine.submit(net_value_request(base, code),
                      [result](net::FetchResult answer) { result->set_value(std::move(answer)); });
    }
    std::vector<NetValueAnswer> answers;
    for (auto& result : results) answers.push_back(net_value_answer(result.get()));
    return answers;
}

}  // namespace qinghe::app
