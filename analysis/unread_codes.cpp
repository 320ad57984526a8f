#include "analysis/unread_codes.h"

#include <algorithm>

#include "platform/gbk_bytes.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

// Longer lines (a pasted paragraph) are cut, so the line stays readable.
constexpr size_t kMostShownBytes = 24;

const char* reason_utf8(FundOutcome outcome) {
    switch (outcome) {
    case FundOutcome::download_failed: return "下载失败";
    case FundOutcome::no_holdings: return "无持仓";
    case FundOutcome::not_six_bytes: return "不是6位";
    case FundOutcome::nothing_stored: return "无缓存";
    case FundOutcome::bad_amount: return "金额无效";
    case FundOutcome::repeated:
    case FundOutcome::read: break;
    }
    return "";
}

std::string gbk(const char* utf8) { return platform::gbk_from_utf8(utf8); }

// The length of the longest prefix of `text` within `limit` bytes that does
// not cut a GBK character in two.
size_t whole_characters(const std::string& text, size_t limit) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t step = gbk::is_lead_byte(text[at]) ? 2 : 1;
        if (at + step > limit) break;
        at += step;
    }
    return at;
}

}  // namespace

std::string visible_code(const std::string& line) {
    const std::string box = gbk("□"), ellipsis = gbk("…");
    const size_t kept = whole_characters(line, kMostShownBytes);
    std::string shown;
    for (size_t i = 0; i < kept; ++i) {
        const unsigned char byte = static_cast<unsigned char>(line[i]);
        if (gbk::is_lead_byte(line[i]) && i + 1 < kept) {
            shown.append(line, i++, 2);
        } else if (byte <= 0x20 || byte == 0x7F) {
            shown += box;
        } else {
            shown += char(byte);
        }
    }
    if (kept < line.size()) shown += ellipsis;
    return shown;
}

std::string unread_codes_line(const std::vector<FundReport>& reports) {
    std::string unread, cached, repeated, no_amount, feeders;
    const bool amounts = std::any_of(reports.begin(), reports.end(),
                                     [](const FundReport& r) { return r.amount.has_value(); });
    for (const FundReport& report : reports) {
        if (amounts && !report.amount && report.outcome == FundOutcome::read)
            no_amount += ' ' + visible_code(report.code);
        if (report.cached)
            cached += ' ' + visible_code(report.code) + '(' + report.facts.report_date + ')';
        if (report.outcome == FundOutcome::repeated) repeated += ' ' + visible_code(report.code);
        if (report.target_etf && report.through_etf != ThroughEtf::added)
            feeders += ' ' + visible_code(report.code) + '(' +
                       gbk(report.through_etf == ThroughEtf::share_unknown ? "目标ETF份额未知"
                                                                           : "目标ETF持仓未读到") +
                       ')';
        if (report.outcome == FundOutcome::read || report.outcome == FundOutcome::repeated ||
            report.code.empty())
            continue;
        unread += ' ';
        unread += visible_code(report.code);
        const char* reason =
            report.fault.empty() ? reason_utf8(report.outcome) : report.fault.c_str();
        unread += '(' + gbk(reason) + ')';
    }
    std::string line = unread.empty() ? unread : gbk("未读到:") + unread;
    for (const auto& [part, codes] :
         {std::pair{"用缓存:", &cached}, std::pair{"重复:", &repeated},
          std::pair{"未填金额:", &no_amount}, std::pair{"联接基金:", &feeders}})
        if (!codes->empty()) line += (line.empty() ? "" : " ") + gbk(part) + *codes;
    return line;
}

}  // namespace qinghe::app
