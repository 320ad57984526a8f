// The Windows side: the arguments come from the wide command line, since
// argv holds them in the code page, which may not hold every character.
#include "platform/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "platform/file_names.h"

namespace qinghe::platform {

std::vector<std::string> command_line_arguments(int, char**) {
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(utf8_path(std::filesystem::path(wide[i])));
    LocalFree(wide);
    return arguments;
}

}  // namespace qinghe::platform
