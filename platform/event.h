// A waitable event, the kernel object threads signal each other with:
// manual-reset events stay signalled until reset, auto-reset events let
// one wait through and clear themselves.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qinghe::platform {

class Event {
public:
    explicit Event(bool manual_reset) : manual_reset_(manual_reset) {}
    void set();
    void reset();
    // True when the event was (or became) signalled within the time.
    bool wait_for(std::chrono::milliseconds timeout);

private:
    const bool manual_reset_;
    bool signalled_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace qinghe::platform
