// HTTP settings for loopback tests: short time-outs, no proxy for the
// loopback address; the settings in force before are put back at the end.
#pragma once

#include <chrono>

#include "net/http_settings.h"
#include "support/system_calls.h"

namespace qinghe::testing {

class QuickHttpSettings {
public:
    QuickHttpSettings() : saved_(net::http_settings()) {
        using namespace std::chrono_literals;
        testing_support::set_variable("no_proxy", "127.0.0.1");
        net::HttpSettings quick = saved_;
        quick.connect_timeout = 2000ms;
        quick.stall_timeout = 700ms;
        quick.transfer_timeout = 20s;
        net::set_http_settings(quick);
    }
    ~QuickHttpSettings() { net::set_http_settings(saved_); }
    QuickHttpSettings(const QuickHttpSettings&) = delete;
    QuickHttpSettings& operator=(const QuickHttpSettings&) = delete;

private:
    net::HttpSettings saved_;
};

}  // namespace qinghe::testing
