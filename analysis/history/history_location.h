// Where the history of fund reads lives: history.sqlite3 beside 配置.ini
// while the program keeps its settings beside itself (build tree, portable
// copy), else in the user's data folder, $XDG_DATA_HOME/qinghe or
// ~/.local/share/qinghe. It follows the settings' own choice, made once at
// start-up.
#pragma once

#include <optional>
#include <string>

namespace qinghe::app {

inline constexpr const char* kHistoryFileName = "history.sqlite3";

// The user's data folder: an absolute `xdg_data_home` (a relative one is
// ignored) or `home`/.local/share, with "/qinghe" appended; nullopt when
// neither is absolute.
std::optional<std::string> user_data_folder(const char* xdg_data_home, const char* home);

// The history file's path (UTF-8) for the settings' choice and the
// environment; empty when the program keeps its files in the user's
// folders and no home folder is known.
std::string history_file_path();

}  // namespace qinghe::app
