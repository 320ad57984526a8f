// The two colour schemes of the main window.
#pragma once

#include <cstdint>

namespace qinghe::app {

// A scheme's colours (0x00BBGGRR): the window, the labels that act as
// buttons, the captions, and the edit and list areas, each with its text.
struct SchemeColours {
    uint32_t window, buttons, button_text, captions, caption_text, areas, area_text;
    bool dark;  // the black scheme
};

// The colours of a scheme: "0" the dark one, any other text (null too)
// the green one.
const SchemeColours& scheme_colours(const char* scheme);

// Scheme "0" is the dark one; any other text selects the green one. The
// colours are written as properties of the main window's units.
void apply_colour_scheme(const char* scheme);

}  // namespace qinghe::app
