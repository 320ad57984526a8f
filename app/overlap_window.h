// The overlap window: a square matrix of the last run's funds that gave
// rows, in typed order. Cell (a, b) shows Σ over the stocks both hold of
// min(ratio in a, ratio in b) in percentage points and the number of those
// stocks, coloured on one scale from no overlap to identical top tens; its
// tip lists the stocks with both ratios. The diagonal holds each fund's
// top-ten total; pairs with identical top tens are marked ≡. Coloured by
// the current scheme; Esc closes it. It is a snapshot of one run: sorting
// the list leaves it as it is, the next run's start closes it.
#pragma once

class QWidget;

namespace qinghe::app {

// Opens the window over the main window (or raises the open one, shown
// afresh for the current run).
void open_overlap_window();
void close_overlap_window();
// The open window, or null.
QWidget* overlap_window();
// Recolours the open window after a scheme switch.
void restyle_overlap_window();

}  // namespace qinghe::app
