#include "analysis/history_location.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

#include "analysis/settings_location.h"

namespace qinghe::app {
namespace {

bool is_absolute(const char* path) { return path && path[0] == '/'; }

const char* home_folder() {
    const char* home = std::getenv("HOME");
    if (is_absolute(home)) return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? entry->pw_dir : nullptr;
}

}  // namespace

std::optional<std::string> user_data_folder(const char* xdg_data_home, const char* home) {
    if (is_absolute(xdg_data_home)) return std::string(xdg_data_home) + "/qinghe";
    if (is_absolute(home)) return std::string(home) + "/.local/share/qinghe";
    return std::nullopt;
}

std::string history_file_path() {
    if (settings_beside_program()) {
        std::error_code error;
        const std::filesystem::path here = std::filesystem::current_path(error);
        return error ? std::string() : (here / kHistoryFileName).string();
    }
    const std::optional<std::string> folder =
        user_data_folder(std::getenv("XDG_DATA_HOME"), home_folder());
    return folder ? *folder + "/" + kHistoryFileName : std::string();
}

}  // namespace qinghe::app
