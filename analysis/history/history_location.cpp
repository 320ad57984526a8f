#include "analysis/history/history_location.h"

#include <filesystem>

#include "analysis/settings_location.h"
#include "platform/file_names.h"
#include "platform/user_folders.h"

namespace qinghe::app {

std::optional<std::string> user_data_folder(const char* xdg_data_home, const char* home) {
    return user_xdg_folder(xdg_data_home, home, platform::data_folder_rule().below_home);
}

std::string history_file_path() {
    if (settings_beside_program()) {
        std::error_code error;
        const std::filesystem::path here = std::filesystem::current_path(error);
        return error ? std::string() : platform::utf8_path(here / kHistoryFileName);
    }
    const std::optional<std::string> base =
        platform::environment_variable(platform::data_folder_rule().variable);
    const std::optional<std::string> folder =
        user_data_folder(base ? base->c_str() : nullptr, home_folder());
    return folder ? *folder + "/" + kHistoryFileName : std::string();
}

}  // namespace qinghe::app
