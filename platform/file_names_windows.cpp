#include "platform/file_names.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <vector>

namespace qinghe::platform {

std::filesystem::path native_path(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_path(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

int open_file(const std::string& path, int flags, int mode) {
    return ::_wopen(native_path(path).c_str(), flags | O_BINARY | O_NOINHERIT, mode);
}

int open_for_sole_writing(const std::string& path) {
    int fd = -1;
    ::_wsopen_s(&fd, native_path(path).c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                _SH_DENYWR, _S_IREAD | _S_IWRITE);
    return fd;
}

bool sync_file(int fd) { return ::_commit(fd) == 0; }

bool truncate_file(int fd, int64_t size) { return ::_chsize_s(fd, size) == 0; }

bool rename_over(const std::string& from, const std::string& to) {
    if (MoveFileExW(native_path(from).c_str(), native_path(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}

std::string program_file() {
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (n == 0) return {};
        if (n < name.size()) return utf8_path(std::filesystem::path(name.data()));
        name.resize(name.size() * 2);
    }
}

}  // namespace qinghe::platform
