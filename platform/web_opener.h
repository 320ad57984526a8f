// Opening a web address or a mail address with the user's desktop: the
// desktop's "open" program first, the $BROWSER command line as a fallback.
// Programs are started with an argument vector, never through a shell.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::platform {

// True for the only targets handed to the desktop: "http://…", "https://…"
// and "mailto:…" (scheme case-insensitive, something after it, no control
// characters). Local files, script addresses and option-looking texts are not.
bool is_openable_target(std::string_view target);

// The browser command line cut before the target goes in: at the first
// "%1" in double quotation marks, else at the first bare %1, else whole.
std::string_view cut_browser_command(std::string_view command_line);

// Splits a command line into arguments the way a user writes one:
// blanks separate, double or single quotation marks group, and the marks
// themselves are dropped. No expansion of any kind.
std::vector<std::string> split_arguments(std::string_view command_line);

// The argument vector of the fallback: the cut command line, split, with the
// target as one last argument of its own. Empty when the command is blank.
std::vector<std::string> browser_arguments(std::string_view command_line, std::string_view target);

// Whatever opens targets. Replaceable so tests can capture what would open.
class WebOpener {
public:
    virtual ~WebOpener() = default;
    // Opens a target that passed is_openable_target, or a file URL made by
    // open_local_file; true when opened.
    virtual bool open(const std::string& target) = 0;
};

// The real opener: the desktop program with the target, and when that cannot
// start or reports failure, the $BROWSER command line.
class DesktopOpener : public WebOpener {
public:
    struct Options {
        std::string desktop_program = "xdg-open";
        // How long to wait for the desktop program's verdict. A program
        // still running then counts as opened and is reaped in the background.
        std::chrono::milliseconds verdict_wait{1500};
        // The fallback command line; by default the $BROWSER variable.
        std::function<std::string()> browser_command;
    };

    DesktopOpener();
    explicit DesktopOpener(Options options);
    bool open(const std::string& target) override;

private:
    Options options_;
};

// The opener in use (a DesktopOpener unless replaced).
WebOpener& web_opener();
// Replaces the opener; null restores the desktop opener. The caller keeps
// ownership and must restore before the replacement dies.
void set_web_opener(WebOpener* opener);

// Opens a target through the opener in use. A target that is not openable
// is refused without reaching the opener and counts as not opened.
bool open_web_target(std::string_view target);

// "file://" and the absolute path, every byte outside letters, digits and
// "/-._~" percent-encoded.
std::string file_url(std::string_view absolute_path);

// Opens an existing regular file (UTF-8 path, relative to the current
// directory when not absolute) through the opener in use, as a file URL.
// A missing file or anything else is refused and counts as not opened.
bool open_local_file(const std::string& path);

}  // namespace qinghe::platform
