// Room for large bodies among the downloads of one run: a body may grow
// beyond kSmallBodyBytes only while its transfer holds one of the gate's
// permits, so that N endless or huge answers at once hold at most N times
// the body cap, however many downloads are under way. A holder never waits
// for anything else, so the gate cannot deadlock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace qinghe::net {

// Every fund page and answer of the site is far below this.
inline constexpr size_t kSmallBodyBytes = size_t(2) << 20;

class BodyGate {
public:
    explicit BodyGate(size_t permits) : free_(permits) {}
    BodyGate(const BodyGate&) = delete;
    BodyGate& operator=(const BodyGate&) = delete;

    // Waits for a permit; false when `cancelled` turned true first.
    bool enter(const std::atomic<bool>& cancelled);
    void leave();
    // Has waiters look at their cancellation again.
    void wake();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t free_;
};

}  // namespace qinghe::net
