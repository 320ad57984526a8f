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
    bool started = false;
    bool done = false;
};

std::mutex g_mutex;
std::condition_variable g_changed;
bool g_stopped = false;

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
    }
    QMetaObject::invokeMethod(
        app,
        [pending, call] {
            {
                std::lock_guard lock(g_mutex);
                if (g_stopped) return;  // the worker was released already
                pending->started = true;
            }
            call();
            std::lock_guard lock(g_mutex);
            pending->done = true;
            g_changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(g_mutex);
    g_changed.wait(lock, [&] { return pending->done || (g_stopped && !pending->started); });
    return pending->done;
}

void stop_main_thread_calls() {
    std::lock_guard lock(g_mutex);
    g_stopped = true;
    g_changed.notify_all();
}

void resume_main_thread_calls() {
    std::lock_guard lock(g_mutex);
    g_stopped = false;
}

}  // namespace qinghe
