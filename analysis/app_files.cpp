#include "analysis/app_files.h"

#include <string_view>

#include "analysis/app_texts.h"
#include "analysis/core_calls.h"
#include "analysis/link_resolution.h"
#include "analysis/prefetched_pages.h"
#include "analysis/settings_location.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

constexpr char kParallelKey[] = "\xCD\xAC\xCA\xB1\xCF\xC2\xD4\xD8";  // "同时下载"
constexpr char kOfflineKey[] = "\xC0\xEB\xCF\xDF";                   // "离线"

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
    OwnedText config(program_file_path(app_text(AppText::config_file)));
    OwnedText setting(
        read_config_item(config.get(), app_text(AppText::config_section), kParallelKey));
    return parallel_downloads(setting.get());
}

bool offline_setting() {
    OwnedText config(program_file_path(app_text(AppText::config_file)));
    OwnedText setting(
        read_config_item(config.get(), app_text(AppText::config_section), kOfflineKey));
    return setting && std::string_view(setting.get()) == "1";
}

}  // namespace qinghe::app
