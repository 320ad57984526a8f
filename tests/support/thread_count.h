// The threads of this process, to see that none outlives the work that
// started it.
#pragma once

#include <dirent.h>

namespace qinghe::testing {

inline int thread_count() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks))
            if (entry->d_name[0] != '.') ++count;
        closedir(tasks);
    }
    return count;
}

}  // namespace qinghe::testing
