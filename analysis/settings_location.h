// Where the program keeps its own files (配置.ini, the dump file 333.txt),
// chosen once at start-up. A program whose folder the user may write keeps
// them beside itself, in the current directory that start-up made the
// program's folder, as a portable copy always has. An installed program
// (folder not writable) keeps them in the user's configuration folder,
// $XDG_CONFIG_HOME/qinghe or ~/.config/qinghe, created when first written;
// a file shipped beside such a program is read while the user has none.
// Paths here are in the file system's encoding (UTF-8).
#pragma once

#include <optional>
#include <string>

namespace qinghe::app {

// The user's folder for the program's files: an absolute
// `xdg_config_home` (a relative one is ignored) or `home`/.config, with
// "/qinghe" appended; nullopt when neither is absolute.
std::optional<std::string> user_settings_folder(const char* xdg_config_home, const char* home);

// Makes the choice from the current directory and the environment.
void choose_settings_location();

// True when the files live beside the program (the current directory), as
// before any choice is made.
bool settings_beside_program();

// The file `name` to read: the user's own, else the one shipped beside the
// program, else the user's path. Only when not beside the program.
std::string settings_file_to_read(const std::string& name);

// The file `name` to write, its folder created; a file shipped beside the
// program is first copied there, so a change keeps its other settings.
// Only when not beside the program.
std::string settings_file_to_write(const std::string& name);

}  // namespace qinghe::app
