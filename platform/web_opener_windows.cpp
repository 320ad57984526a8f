// The Windows side of the desktop opener: the shell's "open" verb, which
// finds the user's browser (or mail program) itself; the options of the
// POSIX side have no use here.
#include "platform/web_opener.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/file_names.h"

namespace qinghe::platform {

DesktopOpener::DesktopOpener() : DesktopOpener(Options{}) {}

DesktopOpener::DesktopOpener(Options options) : options_(std::move(options)) {}

bool DesktopOpener::open(const std::string& target) {
    const std::wstring wide = native_path(target).wstring();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace qinghe::platform
