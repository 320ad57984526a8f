// Captures runtime error reports in tests: the composed text is kept, the
// exit sequence does nothing and the end of the process becomes a
// ProcessEnded exception.
#pragma once

#include <cstdint>
#include <string>

#include "platform/text_encoding.h"
#include "runtime/runtime_error.h"
#include "runtime/runtime_exit.h"

namespace qinghe::testing {

struct ProcessEnded {
    int32_t code;
};

class ReportCapture {
public:
    ReportCapture() {
        previous_presenter_ = set_error_presenter([this](std::string_view t) {
            text_.assign(t);
            ++shown_;
        });
        previous_terminator_ =
            set_process_terminator([](int32_t code) { throw ProcessEnded{code}; });
        previous_sequence_ = set_exit_sequence([](int32_t) {});
    }
    ~ReportCapture() {
        set_error_presenter(previous_presenter_);
        set_process_terminator(previous_terminator_);
        set_exit_sequence(previous_sequence_);
    }
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    // The composed text, back in UTF-8 for readable comparisons.
    std::string utf8() const { return platform::utf8_from_gbk(text_); }
    const std::string& gbk() const { return text_; }
    int shown() const { return shown_; }

private:
    std::string text_;
    int shown_ = 0;
    ErrorPresenter previous_presenter_;
    ProcessTerminator previous_terminator_ = nullptr;
    ExitSequence previous_sequence_ = nullptr;
};

// Runs `f`, which must end the process; returns the exit code.
template <typename F>
int32_t exit_code_of(F&& f) {
    try {
        f();
    } catch (const ProcessEnded& e) {
        return e.code;
    }
    return 0x7FFFFFFF;  // did not end
}

inline std::string gbk(const char* utf8) { return platform::gbk_from_utf8(utf8); }

}  // namespace qinghe::testing
