#include "analysis/settings_location.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "platform/file_names.h"
#include "platform/file_permission.h"
#include "platform/user_folders.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;

// A shipped file larger than a setting file is not copied.
constexpr std::uintmax_t kMaxShippedBytes = std::uintmax_t(1) << 20;

struct UserLocation {
    std::string program_folder;
    std::string settings_folder;
};

// Empty while the files live beside the program.
std::optional<UserLocation> g_location;

bool is_absolute(const char* path) { return path && platform::native_path(path).is_absolute(); }

bool exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(platform::native_path(path), error));
}

// The bytes only: the copy gets the user's default mode, writable even
// when the shipped file is read-only.
void copy_shipped_file(const std::string& shipped, const std::string& own) {
    std::error_code error;
    const fs::path from = platform::native_path(shipped);
    if (!fs::is_regular_file(from, error) || fs::file_size(from, error) > kMaxShippedBytes) return;
    std::ifstream in(from, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) return;
    std::ofstream(platform::native_path(own), std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

// Whether `folder` is `prefix` or lies below it, both with links resolved;
// nothing lies below a prefix that does not exist.
bool lies_under(const fs::path& folder, const std::string& prefix) {
    std::error_code error;
    const fs::path resolved = fs::canonical(platform::native_path(prefix), error);
    if (error) return false;
    return std::mismatch(resolved.begin(), resolved.end(), folder.begin(), folder.end()).first ==
           resolved.end();
}

}  // namespace

std::vector<std::string> system_prefixes() {
    const std::optional<std::string> chosen =
        platform::environment_variable("QINGHE_SYSTEM_PREFIXES");
    if (!chosen) return platform::installed_program_folders();
    std::vector<std::string> prefixes;
    const std::string_view list = *chosen;
    const char separator = platform::folder_list_separator();
    for (size_t start = 0; start < list.size();) {
        const size_t colon = std::min(list.find(separator, start), list.size());
        if (colon > start) prefixes.emplace_back(list.substr(start, colon - start));
        start = colon + 1;
    }
    return prefixes;
}

bool keeps_files_beside_itself(const std::string& program_folder) {
    std::error_code error;
    const fs::path folder = fs::canonical(platform::native_path(program_folder), error);
    if (error) return platform::writable_by_user(program_folder);
    for (const std::string& prefix : system_prefixes())
        if (lies_under(folder, prefix)) return false;
    return platform::writable_by_user(platform::utf8_path(folder));
}

const char* home_folder() { return platform::home_folder(); }

std::optional<std::string> user_xdg_folder(const char* xdg_home, const char* home,
                                           const char* below_home) {
    if (is_absolute(xdg_home)) return std::string(xdg_home) + "/qinghe";
    if (is_absolute(home)) return std::string(home) + "/" + below_home + "/qinghe";
    return std::nullopt;
}

std::optional<std::string> user_settings_folder(const char* xdg_config_home, const char* home) {
    return user_xdg_folder(xdg_config_home, home, platform::settings_folder_rule().below_home);
}

void choose_settings_location() {
    g_location.reset();
    std::error_code error;
    std::string program_folder = platform::utf8_path(fs::current_path(error));
    if (error || keeps_files_beside_itself(program_folder)) return;
    const std::optional<std::string> base =
        platform::environment_variable(platform::settings_folder_rule().variable);
    std::optional<std::string> folder =
        user_settings_folder(base ? base->c_str() : nullptr, home_folder());
    if (folder) g_location = UserLocation{program_folder, *folder};
}

bool settings_beside_program() { return !g_location; }

std::string settings_file_to_read(const std::string& name) {
    std::string own = g_location->settings_folder + "/" + name;
    std::string shipped = g_location->program_folder + "/" + name;
    return !exists(own) && exists(shipped) ? shipped : own;
}

std::string settings_file_to_write(const std::string& name) {
    std::error_code error;
    fs::create_directories(platform::native_path(g_location->settings_folder), error);
    std::string own = g_location->settings_folder + "/" + name;
    if (!exists(own)) copy_shipped_file(g_location->program_folder + "/" + name, own);
    return own;
}

}  // namespace qinghe::app
