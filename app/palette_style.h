// Some systems' own styles paint header sections and the corner between a
// table's headers in the system's colours: the extra windows give their
// tables a style that paints every part with the palette the colour scheme
// sets.
#pragma once

class QTableWidget;

namespace qinghe::app {

void use_palette_style(QTableWidget& table);

}  // namespace qinghe::app
