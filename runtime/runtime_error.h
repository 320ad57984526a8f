// Runtime errors: the one fatal report of the program. It composes the
// error text, shows it through the current presenter and ends the process
// through runtime_exit with exit code -1. It never returns.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe {

// The general report: message (GBK, may be null or empty), error code
// (0 = none), and the location as two ids (a window and a unit id, or
// two plain numbers).
[[noreturn]] void report_error(const char* message, int32_t code, uint32_t first_id,
                               uint32_t second_id);

// The application's entry: the table message of `code` at a location and
// statement number.
[[noreturn]] void report_runtime_error(int32_t code, int32_t location, int32_t statement);

// The table message of an error code 1..11 (GBK), or null.
const char* runtime_error_message(int32_t code);

// Shows the composed report (GBK). The default writes it to standard
// error; the form engine installs a message box. Returns the previous one.
using ErrorPresenter = std::function<void(std::string_view text)>;
ErrorPresenter set_error_presenter(ErrorPresenter presenter);

// Called with the code and the message followed by the location text
// (GBK); a non-zero result means the error was handled and no message is
// shown. Never re-entered: a report raised inside the hook skips it.
using ErrorHook = int32_t (*)(int32_t code, const char* text);
void set_error_hook(ErrorHook hook);

// Where the window table answers for the location text. Unit id 0 names
// the window's own unit. Texts are GBK.
class ErrorLocationSource {
public:
    virtual ~ErrorLocationSource() = default;
    // The tag of the window's own unit; nullopt when the window is not in
    // the window table.
    virtual std::optional<std::string> window_tag(uint32_t window_id) const = 0;
    // The tag of a unit of the window; nullopt when there is no such unit
    // or it is a menu item.
    virtual std::optional<std::string> unit_tag(uint32_t window_id, uint32_t unit_id) const = 0;
};
void set_error_location_source(const ErrorLocationSource* source);

// Run mode of the program; in debug run mode a report breaks into an
// attached debugger after the message.
inline constexpr int32_t kDebugRunMode = 2;
void set_run_mode(int32_t mode);
int32_t run_mode();

}  // namespace qinghe
