// Start-up of the runtime's core, which every program needs before its first
// command, with or without windows. The form engine's start-up (start_up.h)
// runs it first; the command-line analyser runs only this.
#pragma once

#include <string>

namespace qinghe {

struct ProgramHeader;

// Run mode, program directory made current, constant area, DLL command
// tables, and every library of the header told to start.
void initialise_core(const ProgramHeader& header);

// The program's directory (without trailing separator) and file name, GBK.
const std::string& program_directory();
const std::string& program_file_name();

}  // namespace qinghe
