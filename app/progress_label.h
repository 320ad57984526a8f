// The main window's progress label 标签_进度 at the end of a run: empty when
// every line was read, otherwise the line naming what gave nothing, cut
// with "…" when it does not fit and then shown whole in the label's tip.
#pragma once

#include <string>

namespace qinghe::app {

// Shows `line` (GBK; empty clears the label) and sets the tip; runs on the
// main thread (from a worker the call waits for it).
void show_run_end(const std::string& line);

// Removes the tip of the previous run's line.
void clear_progress_tip();

// `line` cut with a trailing "…" to fit `width` pixels in the label's font.
std::string fitted_caption(const std::string& line, int width);

}  // namespace qinghe::app
