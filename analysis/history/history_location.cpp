#include "analysis/history/history_location.h"

#include <cstdlib>
#include <filesystem>

#include "analysis/settings_location.h"

namespace qinghe::app {

std::optional<std::string> user_data_folder(const char* xdg_data_home, const char* home) {
    return user_xdg_folder(xdg_data_home, home, ".local/share");
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
