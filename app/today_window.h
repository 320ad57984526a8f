// The 今日估算 window: the last run's funds with each one's change today
// estimated from its disclosed holdings and the stocks' quotes (code, name,
// estimated change, coverage, quote time; with amounts the money and a
// total row; the estimate of the trading day before beside the change the
// fund published, where known). A fund without an estimate shows why. Up
// in red, down in green, as the user reads them. The quotes are read on a
// worker thread: the window shows "行情加载中…" until they come, reads them
// again every 60 s while a market of its stocks is open and once otherwise.
// Coloured by the current scheme; Esc closes it; the next run closes it.
// While it is open the result list shows each stock's change today.
#pragma once

#include <memory>
#include <string>

#include "analysis/today/today_report.h"

class QWidget;

namespace qinghe::app {

// Opens the window over the main window (or shows the open one afresh for
// the current run).
void open_today_window();
void close_today_window();
// The open window, or null.
QWidget* today_window();
// Recolours the open window after a scheme switch.
void restyle_today_window();
// The report the open window shows; null when it is closed or its quotes
// have not come yet. Main thread only.
std::shared_ptr<const TodayReport> shown_today_report();

// The list's texts of a stock today (UTF-8): its change ("+1.23%", "停牌",
// "—" for a row without a stock), and its tip line with price and time.
std::string today_change_text(const TodayStock* stock);
std::string today_quote_line(const TodayStock& stock);

}  // namespace qinghe::app
