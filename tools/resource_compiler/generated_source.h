// Writes the compiled resources: the window resource block, the constant
// area and the program header as a C++ source and its header, and the raw
// block as a file for the dump tool.
#pragma once

#include <string>

#include "tools/resource_compiler/resource_source.h"

namespace qinghe::tools {

struct ConstantArea {
    std::string bytes;
    std::vector<size_t> offsets;  // per constant; npos for an empty byte set
};

// Lays the constants out: texts zero-terminated, byte sets as {1, n, bytes},
// each on an 8-byte boundary.
ConstantArea lay_out_constants(const std::vector<Constant>& constants);

// Encodes the windows and reads the result back with the runtime's reader:
// a block that does not parse, or a property block not consumed exactly,
// is a CompileError.
std::string compile_form_resource(const ProgramSource& program);

struct GeneratedFiles {
    std::string header;
    std::string source;
};
GeneratedFiles generate_sources(const ProgramSource& program, const std::string& form_resource);

}  // namespace qinghe::tools
