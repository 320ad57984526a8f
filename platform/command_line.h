// A command-line program's start: its arguments as UTF-8, and standard
// output and error set up to carry UTF-8 bytes unchanged (on Windows in
// binary mode, no "\r\n" for "\n", and a console that shows UTF-8).
#pragma once

#include <string>
#include <vector>

namespace qinghe::platform {

// The arguments after the program's name.
std::vector<std::string> command_line_arguments(int argc, char** argv);

}  // namespace qinghe::platform
