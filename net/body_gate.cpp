#include "net/body_gate.h"

namespace qinghe::net {

bool BodyGate::enter(const std::atomic<bool>& cancelled) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return cancelled || free_ > 0; });
    if (cancelled) return false;
    --free_;
    return true;
}

void BodyGate::leave() {
    {
        std::lock_guard lock(mutex_);
        ++free_;
    }
    changed_.notify_all();
}

void BodyGate::wake() {
    // Taking the lock orders the wake after a waiter's look at `cancelled`.
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

}  // namespace qinghe::net
