#include "platform/file_permission.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qinghe::platform {
namespace {

bool in_process_groups(gid_t group) {
    if (group == ::getegid()) return true;
    int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    count = ::getgroups(count, groups.data());
    for (int i = 0; i < count; ++i) {
        if (groups[static_cast<size_t>(i)] == group) return true;
    }
    return false;
}

mode_t write_bit_for_user(const struct stat& info) {
    uid_t user = ::geteuid();
    if (user == 0 || info.st_uid == user) return S_IWUSR;
    return in_process_groups(info.st_gid) ? S_IWGRP : S_IWOTH;
}

}  // namespace

bool writable_by_user(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    if ((info.st_mode & write_bit_for_user(info)) == 0) return false;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace qinghe::platform
