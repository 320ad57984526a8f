#include "analysis/sources/mobile_source.h"

#include "analysis/sources/character_references.h"
#include "analysis/sources/mobile_answer.h"
#include "analysis/sources/url_encoding.h"
#include "platform/text_encoding.h"

namespace qinghe::app {

std::string mobile_url(std::string_view base, std::string_view code) {
    return std::string(base) + "FundMNewApi/FundMNInverstPosition?FCODE=" + percent_encoded(code) +
           "&deviceid=Wap&plat=Wap&product=EFund&version=2.0.0";
}

SourceAnswer MobileSource::ask(const std::string& code, const Fetch& fetch) const {
    SourceAnswer answer;
    answer.kind = SourceKind::mobile;
    answer.url = mobile_url(base_, code);
    net::FetchResult result = fetch({answer.url, {}, user_agent_});
    count_response(answer, result);
    answer.reason = failed_response_reason(result);
    if (!answer.reason.empty()) return answer;
    answer.charset = "utf-8";
    const MobileAnswer read = read_mobile_answer(result.body);
    std::string().swap(result.body);
    answer.reason = read.error;
    answer.dropped = read.dropped;
    answer.facts.report_date = read.report_date;
    if (read.target)
        answer.target_etf = TargetEtf{read.target->code, platform::gbk_from_utf8(read.target->name),
                                      read.target->share};
    for (const MobileRow& row : read.rows)
        answer.rows.push_back({{name_text(platform::gbk_from_utf8(row.name)), row.ratio,
                                platform::gbk_from_utf8(row.change), row.change_points},
                               row.link});
    return answer;
}

}  // namespace qinghe::app
