// The program's resources as read from their readable sources: the window
// descriptions, the handler list, the constants and the program header.
// Every text is converted to GBK here, and every inconsistency (unknown
// property, missing property, unknown handler, bad id) is a CompileError.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runtime/form_resource.h"

namespace qinghe::tools {

struct Constant {
    std::string name;
    bool byte_set = false;
    std::string bytes;   // GBK text (without terminator) or raw bytes
    std::string source;  // the UTF-8 text, for comments; empty for byte sets
};

struct NamedId {
    std::string symbol;
    uint32_t id = 0;
};

struct DllCommand {
    std::string file;
    std::string name;
};

struct ProgramSource {
    WindowTable windows;
    std::vector<NamedId> window_ids;
    std::vector<NamedId> unit_ids;
    std::vector<std::string> handlers;
    std::vector<Constant> constants;
    uint32_t run_mode = 3;
    uint32_t word1 = 0;
    uint32_t word2 = 0;
    int32_t library_count = 0;
    std::vector<DllCommand> dll_commands;
};

// Files given on the command line by name (the picture, the tune).
using NamedFiles = std::map<std::string, std::string>;

// Reads program.json in `dir` and everything it names.
ProgramSource read_program_source(const std::string& dir, const NamedFiles& files);

// Checks a Standard MIDI File for the tune: its size, header, track count,
// division and first tempo. Throws CompileError.
void check_midi_tune(const std::string& bytes);

}  // namespace qinghe::tools
