// The two colour schemes of the main window.
#pragma once

namespace qinghe::app {

// Scheme "0" is the dark one; any other text selects the green one. The
// colours are written as properties of the main window's units.
void apply_colour_scheme(const char* scheme);

}  // namespace qinghe::app
