#include "platform/event.h"

namespace qinghe::platform {

void Event::set() {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    changed_.notify_all();
}

void Event::reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Event::wait_for(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
    if (!manual_reset_) signalled_ = false;
    return true;
}

}  // namespace qinghe::platform
