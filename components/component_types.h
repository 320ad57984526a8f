// Registers the component types built here into their libraries'
// data-type records, and prepares what they share (the
// input hook, the font mapping). Needs a QApplication.
#pragma once

namespace qinghe {

void register_component_types();

}  // namespace qinghe
