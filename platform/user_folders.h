// Where the system keeps a user's own files and where installed programs
// live: the XDG folders, /usr and /opt on Linux; %APPDATA%, %LOCALAPPDATA%
// and the Program Files folders on Windows.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qinghe::platform {

// A user folder: the environment variable that names it, and its default
// below the home folder when the variable is unset or not absolute.
struct UserFolderRule {
    const char* variable;
    const char* below_home;
};

// Settings ($XDG_CONFIG_HOME, ~/.config; %APPDATA%).
UserFolderRule settings_folder_rule();
// Data such as the history ($XDG_DATA_HOME, ~/.local/share; %LOCALAPPDATA%).
UserFolderRule data_folder_rule();

// An environment variable's value (UTF-8); nullopt when it is unset.
std::optional<std::string> environment_variable(const char* name);

// The user's home folder: $HOME when it is absolute, else the password
// database's entry (%USERPROFILE% on Windows); null when neither is known.
const char* home_folder();

// The folders installed programs lie under (/usr and /opt; on Windows the
// Program Files folders and %LOCALAPPDATA%\Programs).
std::vector<std::string> installed_program_folders();

// What separates the folders of a list in one variable (':'; ';' on Windows).
char folder_list_separator();

}  // namespace qinghe::platform
