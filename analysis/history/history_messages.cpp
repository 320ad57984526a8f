#include "analysis/history/history_messages.h"

#include <filesystem>

#include "platform/file_names.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

std::string fault_for_stderr(const HistoryNotice& notice) {
    switch (notice.fault) {
    case HistoryFault::moved_aside:
        return "the history file could not be read; moved aside as " + notice.path +
               ", a new one was made";
    case HistoryFault::rebuilt:
        return "the history file " + notice.path + " failed its check; rebuilt in place, " +
               "every report kept";
    case HistoryFault::read_only:
        return "the history " + notice.path + " is read-only: reports are read, none stored";
    case HistoryFault::cannot_write:
        return "history off for this run: cannot use " + notice.path + " (" + notice.detail + ")";
    case HistoryFault::cannot_read:
        return "history off for this run: cannot read " + notice.path + " (" + notice.detail +
               "), left as it is";
    case HistoryFault::newer_schema:
        return "history off for this run: " + notice.path +
               " was written by a newer version (schema " + notice.detail + "), left untouched";
    case HistoryFault::not_ours:
        return "history off for this run: " + notice.path + " is not a history (" + notice.detail +
               "), left untouched";
    case HistoryFault::none: break;
    }
    return {};
}

std::string fault_for_label(const HistoryNotice& notice) {
    const std::string file = platform::utf8_path(platform::native_path(notice.path).filename());
    switch (notice.fault) {
    case HistoryFault::moved_aside: return "历史记录已损坏, 另存为 " + file + ", 已新建";
    case HistoryFault::rebuilt: return "历史记录有误, 已重建, 报告无缺";
    case HistoryFault::read_only: return "历史记录只读, 本次只读不存";
    case HistoryFault::cannot_write:
        return notice.detail == "disk full" ? "磁盘已满, 历史记录本次未用"
                                            : "历史记录无法写入, 本次未用";
    case HistoryFault::cannot_read: return "历史记录无法读取, 本次未用";
    case HistoryFault::newer_schema: return "历史记录来自更新的版本, 本次未用";
    case HistoryFault::not_ours: return "历史记录文件不是本程序的, 本次未用";
    case HistoryFault::none: break;
    }
    return {};
}

}  // namespace

std::string history_notice_for_stderr(const HistoryNotice& notice) {
    const std::string fault = fault_for_stderr(notice);
    if (notice.unstored == 0) return fault;
    const std::string unstored = std::to_string(notice.unstored) + " fund read" +
                                 (notice.unstored == 1 ? " was" : "s were") + " not stored";
    return fault.empty() ? unstored : fault + "; " + unstored;
}

std::string history_notice_for_label(const HistoryNotice& notice) {
    const std::string fault = fault_for_label(notice);
    if (notice.unstored == 0) return platform::gbk_from_utf8(fault);
    const std::string unstored = std::to_string(notice.unstored) + " 只基金未存入历史";
    return platform::gbk_from_utf8(fault.empty() ? unstored : fault + ", " + unstored);
}

}  // namespace qinghe::app
