#include "platform/file_identity.h"

#include <windows.h>

#include "platform/file_names.h"

namespace qinghe::platform {

uint64_t file_identity(const std::string& path) {
    HANDLE file = CreateFileW(native_path(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return known ? (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
}

}  // namespace qinghe::platform
