#include "platform/file_permission.h"

#include <windows.h>

#include "platform/file_names.h"

namespace qinghe::platform {
namespace {

// A folder is writable when a file can be made in it: the read-only
// attribute of a folder means nothing to Windows, its access list does.
bool can_create_file_in(const std::wstring& folder) {
    const std::wstring probe = folder + L"\\.qinghe-write-probe";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// A file is writable when it is not read-only and may be opened for writing.
bool can_open_for_writing(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace

bool writable_by_user(const std::string& path) {
    const std::wstring name = native_path(path).wstring();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return can_create_file_in(name);
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0 && can_open_for_writing(name);
}

}  // namespace qinghe::platform
