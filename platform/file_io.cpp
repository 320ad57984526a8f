#include "platform/file_io.h"

#include <cerrno>
#include <unistd.h>

namespace qinghe::platform {

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

}  // namespace qinghe::platform
