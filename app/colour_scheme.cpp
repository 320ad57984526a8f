#include "app/colour_scheme.h"

#include <cstdint>
#include <string_view>

#include "components/edit_box.h"
#include "components/form_window.h"
#include "components/label.h"
#include "components/list_box.h"
#include "program_resources.h"
#include "runtime/property_access.h"

namespace qinghe::app {
namespace {

constexpr SchemeColours kDark = {0x000000, 0x000000, 0x0080FF, 0x000000,
                                 0xC0C0C0, 0x0080FF, 0x000000, true};
constexpr SchemeColours kGreen = {0x737E50, 0x899760, 0x000000, 0x737E50,
                                  0xC0C0C0, 0xBAC29E, 0x000000, false};

namespace unit = resources::unit_id;

// The labels that act as buttons, and the captions (the progress label is
// among both and ends with the caption colours).
constexpr uint32_t kButtons[] = {unit::label_analyse,       unit::label_progress,
                                 unit::label_sort_by_ratio, unit::label_sort_by_occurrences,
                                 unit::label_switch_scheme, unit::label_about,
                                 unit::label_sort_by_money};
constexpr uint32_t kCaptions[] = {unit::label_input, unit::label_stock_name, unit::label_progress};

constexpr int32_t kWindowBackground = own_property(FormProperty::kBackground);
constexpr int32_t kLabelText = own_property(LabelProperty::kTextColour);
constexpr int32_t kLabelBackground = own_property(LabelProperty::kBackground);
constexpr int32_t kEditText = own_property(EditBoxProperty::kTextColour);
constexpr int32_t kEditBackground = own_property(EditBoxProperty::kBackground);
constexpr int32_t kListText = own_property(ListBoxProperty::kTextColour);
constexpr int32_t kListTextBackground = own_property(ListBoxProperty::kTextBackground);
constexpr int32_t kListBackground = own_property(ListBoxProperty::kListBackground);

void set_colour(uint32_t unit_id, int32_t property, uint32_t colour) {
    set_property(resources::window_id::main, unit_id, property, kWholeValue,
                 TaggedArg::of_int(int32_t(colour)));
}

}  // namespace

const SchemeColours& scheme_colours(const char* scheme) {
    const bool dark = scheme && std::string_view(scheme) == resources::scheme_dark();
    return dark ? kDark : kGreen;
}

void apply_colour_scheme(const char* scheme) {
    const SchemeColours& c = scheme_colours(scheme);
    set_colour(0, kWindowBackground, c.window);
    for (uint32_t label : kButtons) set_colour(label, kLabelBackground, c.buttons);
    for (uint32_t label : kButtons) set_colour(label, kLabelText, c.button_text);
    for (uint32_t label : kCaptions) set_colour(label, kLabelBackground, c.captions);
    for (uint32_t label : kCaptions) set_colour(label, kLabelText, c.caption_text);
    set_colour(unit::edit_codes, kEditBackground, c.areas);
    set_colour(unit::list_results, kListBackground, c.areas);
    set_colour(unit::list_results, kListTextBackground, c.areas);
    set_colour(unit::edit_codes, kEditText, c.area_text);
    set_colour(unit::list_results, kListText, c.area_text);
}

}  // namespace qinghe::app
