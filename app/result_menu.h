// The result list's context menu, on a right click or the Menu key:
//   复制           the selected rows (all when none is) to the clipboard
//   导出…          the list to a CSV, JSON or TSV file
//   打开股票页面   the link of the row under the pointer, as a double-click
//   基金重合度…    the overlap window of the last run's funds
//   今日估算…      the window of their estimated changes today
// coloured by the current scheme. An item that has nothing to act on is
// greyed: no rows, no web link, a run at work, fewer than two funds that
// gave rows (to compare) or none (to estimate).
#pragma once

#include <cstdint>
#include <string>

class QMenu;
class QPoint;

namespace qinghe::app {

// Gives the main window's list box the menu; call once it exists.
void install_result_menu();

// Builds the menu for `row` (-1: no row under the pointer) and shows it at
// `global_position`; it deletes itself once closed.
QMenu* open_result_menu(const QPoint& global_position, int32_t row);

// What 复制 puts on the clipboard: the list's captions, then the selected
// rows (all rows when none is selected) as shown, tab-separated, UTF-8,
// each line ended by "\n".
std::string copied_rows();
void copy_rows();

}  // namespace qinghe::app
