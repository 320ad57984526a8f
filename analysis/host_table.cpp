#include "analysis/host_table.h"

#include "analysis/app_texts.h"
#include "analysis/sources/link_resolution.h"
#include "platform/text_encoding.h"

namespace qinghe::app {

const std::vector<HostRow>& host_table() {
    // The fund page's key and base URL are the program's constants.
    static const std::vector<HostRow> table = {
        {Host::page, "page", platform::utf8_from_gbk(app_text(AppText::config_key_site)),
         app_text(AppText::default_site)},
        {Host::archive, "archive", "档案网址", "https://fundf10.eastmoney.com/"},
        {Host::mobile, "mobile", "移动网址", "https://fundmobapi.eastmoney.com/"},
        {Host::quote, "quote", "行情网址", "https://push2.eastmoney.com/"},
        {Host::quote2, "quote2", "备用行情网址", "https://push2delay.eastmoney.com/"},
        {Host::tencent, "tencent", "文本行情网址", "https://qt.gtimg.cn/"},
        {Host::nav, "nav", "净值网址", "https://api.fund.eastmoney.com/"},
    };
    return table;
}

const HostRow& host_row(Host host) { return host_table()[size_t(host)]; }

std::optional<Host> host_named(std::string_view name) {
    for (const HostRow& row : host_table())
        if (row.name == name) return row.host;
    return std::nullopt;
}

HostBases::HostBases() {
    for (const HostRow& row : host_table()) bases_[size_t(row.host)] = row.fallback;
}

bool is_base_url(std::string_view url) { return is_web_address(url) && url.ends_with('/'); }

}  // namespace qinghe::app
