// The report list box's own properties, each declared once. A row gives the
// property's name in code, its own number, its key in resource sources and
// dumps (empty: not kept in the resource block), what the stored value
// means, its descriptor kind, its default, its range and what a change does
// to the live list. Rows stand in resource block order.
//
// The ListBoxProperty numbers below, the block layout (property_block.cpp)
// and the component's property table (components/list_box.cpp) are all
// expanded from this one list; a new property is one new row.
#pragma once

#include <climits>
#include <cstdint>

namespace qinghe {

struct ValueRange {
    int32_t min = INT_MIN;
    int32_t max = INT_MAX;
};
constexpr ValueRange between(int32_t min, int32_t max) { return {min, max}; }
inline constexpr ValueRange kAnyValue{};

// X(name, number, key, meaning, kind, default, range, change)
#define QINGHE_LIST_BOX_PROPERTIES(X)                                                              \
    X(kBorder, 0, "border", Number, Choice, 1, between(0, 5), Reapply)                             \
    X(kTextColour, 1, "text_colour", Colour, Colour, 0, kAnyValue, Reapply)                        \
    X(kTextBackground, 2, "text_background_colour", Colour, BackgroundColour, 0xFFFFFF, kAnyValue, \
      Reapply)                                                                                     \
    X(kListBackground, 3, "background_colour", Colour, BackgroundColour, 0xFFFFFF, kAnyValue,      \
      Reapply)                                                                                     \
    X(kLayout, 5, "layout", Number, Choice, 0, between(0, 3), Recreate)                            \
    X(kIconArrangement, 6, "icon_arrangement", Number, Choice, 0, between(0, 1), Recreate)         \
    X(kAutoArrange, 7, "auto_arrange", Logical, Logical, 1, between(0, 1), Recreate)               \
    X(kWrapLabels, 8, "wrap_labels", Logical, Logical, 1, between(0, 1), Reapply)                  \
    X(kHideHeader, 10, "hide_header", Logical, Logical, 0, between(0, 1), Reapply)                 \
    X(kClickableCaptions, 12, "clickable_captions", Logical, Logical, 1, between(0, 1), Recreate)  \
    X(kWholeRowSelection, 13, "whole_row_selection", Logical, Logical, 0, between(0, 1), Recreate) \
    X(kGridLines, 14, "grid_lines", Logical, Logical, 0, between(0, 1), Recreate)                  \
    X(kHeaderDrag, 15, "header_drag", Logical, Logical, 0, between(0, 1), Recreate)                \
    X(kHotTracking, 18, "hot_tracking", Logical, Logical, 0, between(0, 1), Recreate)              \
    X(kHandCursor, 19, "hand_cursor", Logical, Logical, 1, between(0, 1), Recreate)                \
    X(kUnderlineCold, 20, "underline_cold", Logical, Logical, 1, between(0, 1), Recreate)          \
    X(kUnderlineHot, 21, "underline_hot", Logical, Logical, 1, between(0, 1), Recreate)            \
    X(kEditableLabels, 22, "editable_labels", Logical, Logical, 0, between(0, 1), Recreate)        \
    X(kSorting, 23, "sorting", Number, Choice, 0, between(0, 2), Recreate)                         \
    X(kCheckBoxes, 24, "check_boxes", Logical, Logical, 0, between(0, 1), Recreate)                \
    X(kFlatScrollBars, 25, "flat_scroll_bars", Logical, Logical, 0, between(0, 1), Recreate)       \
    X(kSingleSelection, 26, "single_selection", Logical, Logical, 1, between(0, 1), Recreate)      \
    X(kSelection, 27, "current_selection", Number, Integer, -1, between(-1, INT_MAX), Reapply)     \
    X(kKeepSelectionVisible, 28, "keep_selection_visible", Logical, Logical, 0, between(0, 1),     \
      Recreate)                                                                                    \
    X(kFont, 4, "font", Font, Font, 0, kAnyValue, Reapply)                                         \
    X(kHeaderImages, 11, "header_images", ImageList, Bytes, 0, kAnyValue, Reapply)                 \
    X(kItemImages, 16, "item_images", ImageList, Bytes, 0, kAnyValue, Reapply)                     \
    X(kColumns, 9, "columns", Columns, Bytes, 0, kAnyValue, Recreate)                              \
    X(kStateImages, 17, "state_images", ImageList, Bytes, 0, kAnyValue, Reapply)                   \
    X(kItems, 29, "items", Items, Bytes, 0, kAnyValue, Reapply)                                    \
    X(kEditedText, 30, "", Text, Text, 0, kAnyValue, Store)

namespace ListBoxProperty {  // own numbers
#define QINGHE_LIST_BOX_NUMBER(name, number, ...) inline constexpr int32_t name = number;
QINGHE_LIST_BOX_PROPERTIES(QINGHE_LIST_BOX_NUMBER)
#undef QINGHE_LIST_BOX_NUMBER
}  // namespace ListBoxProperty

}  // namespace qinghe
