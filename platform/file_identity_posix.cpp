#include "platform/file_identity.h"

#include <sys/stat.h>

namespace qinghe::platform {

uint64_t file_identity(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? uint64_t(info.st_ino) : 0;
}

}  // namespace qinghe::platform
