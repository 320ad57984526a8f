// Room for large bodies among the downloads of one run: a body may grow
// beyond kSmallBodyBytes only while its transfer holds one of the gate's
// permits, so that N endless or huge answers at once hold at most N times
// the body cap, however many downloads are under way. A transfer that finds
// no permit free is paused, not waited for: the engine's thread goes on with
// the others and resumes the first paused one when a permit comes back.
// Used by the engine's thread only.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <deque>

namespace qinghe::net {

// Every fund page and answer of the site is far below this.
inline constexpr size_t kSmallBodyBytes = size_t(2) << 20;

class BodyGate {
public:
    explicit BodyGate(size_t permits) : free_(permits) {}
    BodyGate(const BodyGate&) = delete;
    BodyGate& operator=(const BodyGate&) = delete;

    // A permit for `easy` when one is free; else `easy` is queued, to be
    // resumed (curl_easy_pause) once a permit is given back.
    bool try_enter(CURL* easy);
    // Gives a permit back and resumes the first queued transfer.
    void leave();
    // `easy` ends while queued.
    void forget(CURL* easy);

private:
    size_t free_;
    std::deque<CURL*> waiting_;
};

}  // namespace qinghe::net
