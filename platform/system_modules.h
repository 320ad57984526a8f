// Named system modules that declared DLL commands resolve against first
// ("kernel32.dll", "ole32.dll", ...), and other module files through the
// dynamic loader.
//
// Calling convention: every procedure takes its arguments as an array of
// machine words. A system export declares how many words it takes; a
// foreign export (found with dlsym) declares nothing and is called as a C
// function of up to kForeignWordLimit integer or pointer arguments.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::platform {

using WordProcedure = intptr_t (*)(const intptr_t* words);

struct SystemExport {
    const char* name;
    uint16_t ordinal;        // 0 = reachable by name only
    int32_t argument_words;  // the number of words the procedure reads
    WordProcedure entry;
};

inline constexpr int32_t kForeignWordLimit = 8;

struct Procedure {
    WordProcedure entry = nullptr;  // a system export
    void* foreign = nullptr;        // a foreign export
    int32_t argument_words = -1;    // declared count; -1 = not declared

    explicit operator bool() const { return entry || foreign; }
    // Whether a call with `count` words fits what the procedure declares.
    bool accepts(int32_t count) const;
};

class Module;

// Registers (or replaces) a system module; names compare case-insensitively.
void register_system_module(std::string name, std::vector<SystemExport> exports);
bool is_system_module(std::string_view file);

// A system module by name, else the file through dlopen (UTF-8 path); null
// when neither works. Every loaded module is released with release_module.
Module* load_module(std::string_view file);
void release_module(Module* module);

Procedure find_procedure(const Module* module, std::string_view name);
// Ordinals exist only in system modules; a foreign module never has one.
Procedure find_procedure(const Module* module, uint16_t ordinal);

// Calls a procedure that accepts(count).
intptr_t call_procedure(const Procedure& procedure, const intptr_t* words, int32_t count);

}  // namespace qinghe::platform
