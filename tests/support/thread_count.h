// The threads of this process, to see that none outlives the work that
// started it.
#pragma once

#include <dirent.h>

#include <chrono>
#include <thread>

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

// The count once the threads that ended are gone: the system may list a
// thread for a moment after its join returned. Waits up to 100 ms for the
// count to come down to `expected`, and gives the count then.
inline int thread_count_settled(int expected) {
    int count = thread_count();
    for (int waited = 0; count > expected && waited < 100; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        count = thread_count();
    }
    return count;
}

}  // namespace qinghe::testing
