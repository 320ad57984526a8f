#include "runtime/frame.h"

#include "runtime/runtime_error.h"

namespace qinghe {

TaggedArg call_core_command(CommandEntry entry, int32_t count, TaggedArg* args) {
    TaggedArg result{};
    if (!entry) report_error("command not built", 0, 0, 0);
    entry(&result, count, args);
    return result;
}

TaggedArg call_library_command(int32_t, CommandEntry entry, int32_t count, TaggedArg* args) {
    return call_core_command(entry, count, args);
}

}  // namespace qinghe
