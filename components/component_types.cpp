#include "components/component_types.h"

#include "components/edit_box.h"
#include "components/fonts.h"
#include "components/form_window.h"
#include "components/input_hook.h"
#include "components/hyperlink_box.h"
#include "components/label.h"
#include "components/list_box.h"
#include "components/picture_box.h"
#include "runtime/frame.h"
#include "runtime/property_block.h"

namespace qinghe {
namespace {

void register_type(uint32_t unit_type, InterfaceEntry entry, const PropertyTable& table) {
    const auto& descriptors = table.descriptors();
    register_type_interface(unit_type, entry, descriptors.data(), int32_t(descriptors.size()));
}

}  // namespace

void register_component_types() {
    install_font_substitutions();
    install_input_hook();
    register_type(UnitType::kWindow, &form_window_interface, FormWindowWidget::table());
    register_type(UnitType::kLabel, &label_interface, Label::table());
    register_type(UnitType::kPictureBox, &picture_box_interface, PictureBox::table());
    register_type(UnitType::kHyperlinkBox, &hyperlink_box_interface, HyperlinkBox::table());
    register_type(UnitType::kListBox, &list_box_interface, ListBox::table());
    register_type(UnitType::kEditBox, &edit_box_interface, EditBox::table());
}

}  // namespace qinghe
