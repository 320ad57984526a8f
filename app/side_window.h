// What the windows beside the main one (the overlap window, today's
// estimates) share: the last run's reports, the result list's font and a
// place over the main window.
#pragma once

#include <vector>

#include "analysis/fund_report.h"

class QSize;
class QWidget;

namespace qinghe::app {

// The fund reports of the last run, taken under the result list's lock.
std::vector<FundReport> last_run_reports();

// The main window, the side windows' parent; null before it is made.
QWidget* main_window();

// Gives `window` the result list's font at 15 pixels.
void use_list_font(QWidget& window);

// Sizes `window`, centres it over the main window and shows it in front.
void show_over_main_window(QWidget& window, const QSize& size);

}  // namespace qinghe::app
