// What the user is told about the history: a fault of its file (once per
// run) and how many of the run's reads were not stored, on standard error
// in English and in the window's progress label in Chinese (GBK).
#pragma once

#include <string>

#include "analysis/history/history_store.h"

namespace qinghe::app {

// One line without the program's name; empty when nothing happened.
std::string history_notice_for_stderr(const HistoryNotice& notice);

// Short enough to sit beside the unread codes; empty when nothing happened.
std::string history_notice_for_label(const HistoryNotice& notice);

}  // namespace qinghe::app
