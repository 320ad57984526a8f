#include "runtime/main_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace qinghe {
namespace {

std::thread::id g_main_thread = std::this_thread::get_id();

// One waiting call: the worker waits until it ran, or until the exit
// released it before it started (a call that started runs to its end, so
// the worker's data stays valid while it runs).
struct PendingCall {
    uint64_t generation = 0;  // calls of an earlier generation were released
    bool started = false;
    bool done = false;
};

std::mutex g_mutex;
std::condition_variable g_changed;
bool g_stopped = false;
uint64_t g_generation = 0;

bool released(const PendingCall& call) { return g_stopped || call.generation != g_generation; }

}  // namespace

void record_main_thread() { g_main_thread = std::this_thread::get_id(); }

bool on_main_thread() { return std::this_thread::get_id() == g_main_thread; }

bool run_on_main_thread(const std::function<void()>& call) {
    if (on_main_thread()) {
        call();
        return true;
    }
    QCoreApplication* app = QCoreApplication::instance();
    auto pending = std::make_shared<PendingCall>();
    {
        std::lock_guard lock(g_mutex);
        if (g_stopped || !app) return false;
        pending->generation = g_generation;
    }
    QMetaObject::invokeMethod(
        app,
        [pending, call] {
            {
                std::lock_guard lock(g_mutex);
                if (released(*pending)) return;  // the worker went on without it
                pending->started = true;
            }
            call();
            std::lock_guard lock(g_mutex);
            pending->done = true;
            g_changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(g_mutex);
    g_changed.wait(lock,
                   [&] { return pending->done || (released(*pending) && !pending->started); });
    return pending->done;
}

void stop_main_thread_calls() {
    std::lock_guard lock(g_mutex);
    g_stopped = true;
    ++g_generation;
    g_changed.notify_all();
}

void resume_main_thread_calls() {
    std::lock_guard lock(g_mutex);
    g_stopped = false;
}

}  // namespace qinghe
