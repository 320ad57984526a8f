// Declared DLL commands: two parallel tables of module file names and
// exported names by command index, resolved on first use and kept
// resolved until the modules are released at exit.
//
// Resolution order: a system module of that name (compared case-
// insensitively); with no file name, "Kernel32.dll", "Gdi32.dll",
// "User32.dll", "Advapi32.dll", "Mpr.dll", "Shell32.dll" in turn; with a
// plain file name, the search directory (if set), the program's directory,
// then the name as given; a path (holding ':' or starting with '/') only
// as given. An exported name "#n" means ordinal n (low 16 bits).
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_modules.h"
#include "runtime/service_table.h"

namespace qinghe {

// Copies the texts (GBK); resolved addresses and modules start null.
void set_dll_command_tables(int32_t count, const char* const* files, const char* const* exports);
// Releases every module and empties the tables.
void release_dll_commands();
int32_t dll_command_count();

// Directory tried before the program's own; empty = none (the default).
void set_dll_search_directory(std::string directory);

// The state of a command: null module and procedure until first use.
struct DllCommandState {
    platform::Procedure procedure;
    platform::Module* module = nullptr;
};
DllCommandState dll_command_state(int32_t index);

// Resolves command `index` if needed and calls it with the words. An
// unresolvable command, or a word count the export does not take (runtime
// error 6), is a runtime error; the call does not proceed.
intptr_t call_dll_command_words(int32_t index, const intptr_t* words, int32_t count);

template <typename... Args>
intptr_t call_dll_command(int32_t index, Args... args) {
    const intptr_t words[] = {to_word(args)..., 0};
    return call_dll_command_words(index, words, int32_t(sizeof...(Args)));
}

// "#12" -> 12; -1 when the name is not an ordinal.
int32_t parse_ordinal(const char* exported_name);

}  // namespace qinghe
