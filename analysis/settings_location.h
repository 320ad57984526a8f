// Where the program keeps its own files (配置.ini, the dump file 333.txt,
// any store of its own), chosen once at start-up. A portable copy or a
// build tree, whose folder the user may write, keeps them beside itself,
// in the current directory that start-up made the program's folder. An
// installed program keeps them in the user's XDG folders (settings in
// $XDG_CONFIG_HOME/qinghe or ~/.config/qinghe, created when first
// written); a file shipped beside such a program is read while the user
// has none. Installed means: the folder is not writable, or it lies under
// /usr or /opt, links resolved, whoever runs it; root may write /usr/bin,
// but files no package owns would outlive the package there and be shared
// by every user. Paths here are in the file system's encoding (UTF-8).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qinghe::app {

// The folders an installed program lies under: /usr (and so /usr/local)
// and /opt. The variable QINGHE_SYSTEM_PREFIXES, folders separated by
// ":", replaces them, so that tests can point the rule at a fake prefix.
std::vector<std::string> system_prefixes();

// The rule: whether the program in `program_folder` keeps its files beside
// itself (a folder the user may write, under no system prefix).
bool keeps_files_beside_itself(const std::string& program_folder);

// The user's home folder: $HOME when it is absolute, else the password
// database's entry; null when neither is known.
const char* home_folder();

// A folder of the user's for the program: an absolute `xdg_home` (a
// relative one is ignored) or `home`/`below_home`, with "/qinghe"
// appended; nullopt when neither is absolute.
std::optional<std::string> user_xdg_folder(const char* xdg_home, const char* home,
                                           const char* below_home);

// The user's folder for the program's files: an absolute
// `xdg_config_home` (a relative one is ignored) or `home`/.config, with
// "/qinghe" appended; nullopt when neither is absolute.
std::optional<std::string> user_settings_folder(const char* xdg_config_home, const char* home);

// Makes the choice from the current directory and the environment.
void choose_settings_location();

// The choice: true when the program's files, a store of its own too, live
// beside the program (the current directory), as before any choice is
// made; false when they go to the XDG folders.
bool settings_beside_program();

// The file `name` to read: the user's own, else the one shipped beside the
// program, else the user's path. Only when not beside the program.
std::string settings_file_to_read(const std::string& name);

// The file `name` to write, its folder created; a file shipped beside the
// program is first copied there, so a change keeps its other settings.
// Only when not beside the program.
std::string settings_file_to_write(const std::string& name);

}  // namespace qinghe::app
