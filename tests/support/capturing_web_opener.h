// A web opener for tests: keeps every target it is asked to open and
// answers with a preset verdict. Installed for its lifetime.
#pragma once

#include <string>
#include <vector>

#include "platform/web_opener.h"

namespace qinghe::testing {

class CapturingWebOpener : public platform::WebOpener {
public:
    explicit CapturingWebOpener(bool verdict = true) : verdict_(verdict) {
        platform::set_web_opener(this);
    }
    ~CapturingWebOpener() override { platform::set_web_opener(nullptr); }
    CapturingWebOpener(const CapturingWebOpener&) = delete;
    CapturingWebOpener& operator=(const CapturingWebOpener&) = delete;

    bool open(const std::string& target) override {
        targets.push_back(target);
        return verdict_;
    }
    void set_verdict(bool verdict) { verdict_ = verdict; }

    std::vector<std::string> targets;

private:
    bool verdict_;
};

}  // namespace qinghe::testing
