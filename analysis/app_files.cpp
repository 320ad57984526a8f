#include "analysis/app_files.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "analysis/app_texts.h"
#include "analysis/core_calls.h"
#include "analysis/link_resolution.h"
#include "analysis/prefetched_pages.h"
#include "analysis/settings_location.h"
#include "net/http_settings.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

constexpr char kParallelKey[] = "\xCD\xAC\xCA\xB1\xCF\xC2\xD4\xD8";  // "同时下载"
constexpr char kOfflineKey[] = "\xC0\xEB\xCF\xDF";                   // "离线"
constexpr char kTimeoutKey[] = "\xCF\xC2\xD4\xD8\xB3\xAC\xCA\xB1";   // "下载超时"

// The text of a key of section 设置; a new text, null when missing.
char* setting_text(const char* key) {
    OwnedText config(program_file_path(app_text(AppText::config_file)));
    return read_config_item(config.get(), app_text(AppText::config_section), key);
}

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

char* fund_site_base_url() {
    OwnedText config(program_file_path(app_text(AppText::config_file)));
    OwnedText setting(read_config_item(config.get(), app_text(AppText::config_section),
                                       app_text(AppText::config_key_site)));
    std::string_view url = setting ? std::string_view(setting.get()) : std::string_view();
    if (is_web_address(url) && url.back() == '/') return setting.release();
    return join_texts({app_text(AppText::default_site)});
}

int parallel_download_setting() {
    OwnedText setting(setting_text(kParallelKey));
    return parallel_downloads(setting.get());
}

int download_timeout_setting() {
    OwnedText setting(setting_text(kTimeoutKey));
    return whole_number_setting(setting.get(), int(net::limit::kTransferTimeout.count()),
                                int(net::limit::kMinTransferTimeout.count()),
                                int(net::limit::kMaxTransferTimeout.count()));
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

bool offline_setting() {
    OwnedText setting(setting_text(kOfflineKey));
    return setting && std::string_view(setting.get()) == "1";
}

}  // namespace qinghe::app
