#include "net/body_gate.h"

#include <algorithm>

namespace qinghe::net {

bool BodyGate::try_enter(CURL* easy) {
    if (free_ > 0 && (waiting_.empty() || waiting_.front() == easy)) {
        --free_;
        forget(easy);
        return true;
    }
    if (std::find(waiting_.begin(), waiting_.end(), easy) == waiting_.end())
        waiting_.push_back(easy);
    return false;
}

void BodyGate::leave() {
    ++free_;
    // Resuming delivers the bytes held back, and with them the permit asked for.
    if (!waiting_.empty()) curl_easy_pause(waiting_.front(), CURLPAUSE_CONT);
}

void BodyGate::forget(CURL* easy) { std::erase(waiting_, easy); }

}  // namespace qinghe::net
