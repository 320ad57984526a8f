#include "platform/user_folders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace qinghe::platform {

UserFolderRule settings_folder_rule() { return {"XDG_CONFIG_HOME", ".config"}; }

UserFolderRule data_folder_rule() { return {"XDG_DATA_HOME", ".local/share"}; }

std::optional<std::string> environment_variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

const char* home_folder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? entry->pw_dir : nullptr;
}

std::vector<std::string> installed_program_folders() { return {"/usr", "/opt"}; }

char folder_list_separator() { return ':'; }

}  // namespace qinghe::platform
