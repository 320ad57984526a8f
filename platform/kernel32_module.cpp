#include "platform/kernel32_module.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace qinghe::platform {
namespace {

// A thread created through CreateThread. The handle keeps the record; the
// running thread shares it until its routine returns.
struct ThreadRecord {
    std::mutex mutex;
    std::condition_variable resumed;
    bool suspended = false;
};

struct HandleTable {
    std::mutex mutex;
    std::map<intptr_t, std::shared_ptr<ThreadRecord>> threads;
    intptr_t next_handle = 0x100;
};

HandleTable& handles() {
    static auto* table = new HandleTable;  // outlives detached threads at exit
    return *table;
}

std::atomic<uint32_t> g_next_thread_id{0x1000};

std::shared_ptr<ThreadRecord> find_thread(intptr_t handle) {
    HandleTable& t = handles();
    std::lock_guard lock(t.mutex);
    auto it = t.threads.find(handle);
    return it == t.threads.end() ? nullptr : it->second;
}

intptr_t create_thread(const intptr_t* w) {
    auto routine = reinterpret_cast<ThreadStartRoutine>(w[2]);
    void* parameter = reinterpret_cast<void*>(w[3]);
    auto flags = uint32_t(w[4]);
    auto* thread_id_out = reinterpret_cast<uint32_t*>(w[5]);
    if (!routine) return 0;

    auto record = std::make_shared<ThreadRecord>();
    record->suspended = (flags & kCreateSuspended) != 0;
    uint32_t id = g_next_thread_id.fetch_add(1);
    try {
        std::thread([record, routine, parameter] {
            {
                std::unique_lock lock(record->mutex);
                record->resumed.wait(lock, [&] { return !record->suspended; });
            }
            routine(parameter);
        }).detach();
    } catch (const std::system_error&) {
        return 0;
    }
    if (thread_id_out) *thread_id_out = id;
    HandleTable& t = handles();
    std::lock_guard lock(t.mutex);
    intptr_t handle = t.next_handle;
    t.next_handle += 4;
    t.threads.emplace(handle, std::move(record));
    return handle;
}

intptr_t resume_thread(const intptr_t* w) {
    auto record = find_thread(w[0]);
    if (!record) return intptr_t(0xFFFFFFFFu);
    std::lock_guard lock(record->mutex);
    bool was = record->suspended;
    record->suspended = false;
    record->resumed.notify_all();
    return was ? 1 : 0;
}

intptr_t close_handle(const intptr_t* w) {
    HandleTable& t = handles();
    std::lock_guard lock(t.mutex);
    return t.threads.erase(w[0]) ? 1 : 0;
}

}  // namespace

std::vector<SystemExport> kernel32_exports() {
    return {
        {"CreateThread", 0, 6, create_thread},
        {"ResumeThread", 0, 1, resume_thread},
        {"CloseHandle", 0, 1, close_handle},
    };
}

}  // namespace qinghe::platform
