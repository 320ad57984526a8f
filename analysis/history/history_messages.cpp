#include "analysis/history/history_messages.h"

#include <filesystem>

#include "platform/file_names.h"
#include "platform/text_encoding.h"

namespace qinghe::app {

std::string history_notice_for_stderr(const HistoryNotice& notice) {
    switch (notice.fault) {
    case HistoryFault::moved_aside:
        return "the history file was damaged or not a database; moved aside as " + notice.path +
               ", a new one was made";
    case HistoryFault::cannot_write:
        return "history off for this run: cannot use " + notice.path + " (" + notice.detail + ")";
    case HistoryFault::newer_schema:
        return "history off for this run: " + notice.path +
               " was written by a newer version (schema " + notice.detail + "), left untouched";
    case HistoryFault::none: break;
    }
    return {};
}

std::string history_notice_for_label(const HistoryNotice& notice) {
    const std::string file = platform::utf8_path(platform::native_path(notice.path).filename());
    switch (notice.fault) {
    case HistoryFault::moved_aside:
        return platform::gbk_from_utf8("历史记录已损坏, 另存为 " + file + ", 已新建");
    case HistoryFault::cannot_write: return platform::gbk_from_utf8("历史记录无法写入, 本次未用");
    case HistoryFault::newer_schema:
        return platform::gbk_from_utf8("历史记录来自更新的版本, 本次未用");
    case HistoryFault::none: break;
    }
    return {};
}

}  // namespace qinghe::app
