#include "net/internet_library.h"

#include <iterator>

#include "net/http_read.h"
#include "net/download_engine.h"
#include "net/internet_root.h"

namespace qinghe {
namespace {

constexpr CommandEntry kCommands[] = {
    /* 0 */ http_read,
};

// Start-up (code 5) needs nothing: the root opens on the first read.
// Program end (code 6) cancels the downloads under way and closes it.
intptr_t notify(int32_t code, intptr_t, intptr_t, intptr_t) {
    if (code != kNotifyExit) return 0;
    net::DownloadEngine::cancel_everywhere();
    net::InternetRoot::release();
    return 0;
}

constinit LibraryRecord g_internet_library = {
    .guid = "{61219650-85EA-4E46-9D5F-75304FD7364F}",
    .display_name = "\xBB\xA5\xC1\xAA\xCD\xF8\xD6\xA7\xB3\xD6\xBF\xE2",  // "互联网支持库"
    .command_count = int32_t(std::size(kCommands)),
    .commands = kCommands,
    .notify = notify,
};

}  // namespace

LibraryRecord& internet_library() { return g_internet_library; }

}  // namespace qinghe
