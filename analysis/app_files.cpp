#include "analysis/app_files.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "analysis/app_texts.h"
#include "analysis/core_calls.h"
#include "analysis/sources/funds_ahead.h"
#include "analysis/sources/link_resolution.h"
#include "analysis/settings_location.h"
#include "net/http_settings.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

constexpr char kParallelKey[] = "\xCD\xAC\xCA\xB1\xCF\xC2\xD4\xD8";           // "同时下载"
constexpr char kTimeoutKey[] = "\xCF\xC2\xD4\xD8\xB3\xAC\xCA\xB1";            // "下载超时"
constexpr char kOfflineKey[] = "\xC0\xEB\xCF\xDF";                            // "离线"
constexpr char kSourcesKey[] = "\xB3\xD6\xB2\xD6\xC0\xB4\xD4\xB4";            // "持仓来源"
constexpr char kUserAgentKey[] = "\xE4\xAF\xC0\xC0\xC6\xF7\xB1\xEA\xCA\xB6";  // "浏览器标识"
constexpr char kQuoteSourcesKey[] = "\xD0\xD0\xC7\xE9\xC0\xB4\xD4\xB4";       // "行情来源"

}  // namespace

char* with_trailing_backslash(const char* path) {
    OwnedText last(right_text(path, 1));
    const char* backslash = app_text(AppText::backslash);
    if (last && std::string_view(last.get()) == backslash) return join_texts({path});
    return join_texts({path, backslash});
}

namespace {

char* file_beside_program(const char* name) {
    OwnedText directory(current_directory());
    OwnedText with_separator(with_trailing_backslash(directory.get()));
    return join_texts({with_separator.get(), name});
}

char* program_text(const std::string& path) { return make_text(platform::gbk_from_utf8(path)); }

}  // namespace

char* program_file_path(const char* name) {
    if (settings_beside_program()) return file_beside_program(name);
    return program_text(settings_file_to_read(platform::utf8_from_gbk(name)));
}

char* writable_program_file_path(const char* name) {
    if (settings_beside_program()) return file_beside_program(name);
    return program_text(settings_file_to_write(platform::utf8_from_gbk(name)));
}

namespace {

// A key of section 设置, as written (GBK); empty when missing.
std::string setting_of(const char* key) {
    OwnedText config(program_file_path(app_text(AppText::config_file)));
    OwnedText setting(read_config_item(config.get(), app_text(AppText::config_section), key));
    return setting ? setting.get() : "";
}

std::string base_url_setting(const char* key, const char* fallback) {
    const std::string url = setting_of(key);
    return is_base_url(url) ? url : fallback;
}

bool is_printable_ascii(std::string_view text) {
    for (char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

}  // namespace

char* fund_site_base_url() {
    return make_text(
        base_url_setting(app_text(AppText::config_key_site), app_text(AppText::default_site)));
}

int parallel_download_setting() { return parallel_downloads(setting_of(kParallelKey).c_str()); }

HostBases host_settings() {
    HostBases bases;
    for (const HostRow& row : host_table())
        bases[row.host] =
            base_url_setting(platform::gbk_from_utf8(row.key).c_str(), row.fallback.c_str());
    return bases;
}

SourceSettings source_settings() { return source_settings(host_settings()); }

SourceSettings source_settings(const HostBases& bases) {
    SourceSettings settings;
    const std::string order = platform::utf8_from_gbk(setting_of(kSourcesKey));
    settings.order = source_order(order, nullptr);
    if (settings.order.empty()) settings.order = default_source_order();
    settings.page_base = bases[Host::page];
    settings.archive_base = bases[Host::archive];
    settings.mobile_base = bases[Host::mobile];
    const std::string agent = user_agent_setting();
    if (agent != net::limit::kUserAgent) settings.mobile_user_agent = agent;
    return settings;
}

std::string quote_source_setting() { return platform::utf8_from_gbk(setting_of(kQuoteSourcesKey)); }

std::string net_value_base_setting() { return host_settings()[Host::nav]; }

std::string user_agent_setting() {
    const std::string agent = setting_of(kUserAgentKey);
    return !agent.empty() && is_printable_ascii(agent) ? agent : net::limit::kUserAgent;
}

void use_user_agent(const std::string& user_agent) {
    net::HttpSettings settings = net::http_settings();
    settings.user_agent = user_agent;
    net::set_http_settings(std::move(settings));
}

int download_timeout_setting() {
    return whole_number_setting(
        setting_of(kTimeoutKey).c_str(), int(net::limit::kTransferTimeout.count()),
        int(net::limit::kMinTransferTimeout.count()), int(net::limit::kMaxTransferTimeout.count()));
}

int whole_number_setting(const char* text, int fallback, int min, int max) {
    std::string_view digits = text ? std::string_view(text) : std::string_view();
    long long number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error == std::errc::invalid_argument ||
        end != digits.data() + digits.size())
        return fallback;
    if (error == std::errc::result_out_of_range) return digits.starts_with('-') ? min : max;
    return int(std::clamp<long long>(number, min, max));
}

bool offline_setting() { return setting_of(kOfflineKey) == "1"; }

}  // namespace qinghe::app
