#include "runtime/property_block.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "runtime/byte_stream.h"
#include "runtime/list_box_properties.h"

namespace qinghe {
namespace {

using S = FieldStorage;
using M = FieldMeaning;

constexpr BlockField kVersion{"version", -1, S::Word, M::Number, 0};

// Form window.
constexpr std::array kWindowFields{
    kVersion,
    BlockField{"border_style", 1, S::Word, M::Number, 0},
    BlockField{"picture_layout", 4, S::Word, M::Number, 0},
    BlockField{"background_colour", 2, S::Word, M::Colour, 0},
    BlockField{"maximize_button", 8, S::Word, M::Logical, 0},
    BlockField{"minimize_button", 9, S::Word, M::Logical, 0},
    BlockField{"control_box", 7, S::Word, M::Logical, 0},
    BlockField{"start_position", 10, S::Word, M::Number, 0},
    BlockField{"movable", 11, S::Word, M::Logical, 0},
    BlockField{"music_mode", 6, S::Word, M::Number, 0},
    BlockField{"enter_moves_focus", 13, S::Word, M::Logical, 0},
    BlockField{"esc_closes", 14, S::Word, M::Logical, 0},
    BlockField{"f1_opens_help", 15, S::Word, M::Logical, 0},
    BlockField{"help_context", 17, S::Word, M::Number, 0},
    BlockField{"show_in_task_bar", 18, S::Word, M::Logical, 2},
    BlockField{"drag_to_move", 19, S::Word, M::Logical, 3},
    BlockField{"window_shape", 20, S::Word, M::Number, 3},
    BlockField{"always_on_top", 21, S::Word, M::Logical, 4},
    BlockField{"word_22", 22, S::Word, M::Number, 5},
    BlockField{"window_class", 23, S::Bytes, M::Text, 6},
    BlockField{"background_picture", 3, S::Bytes, M::Picture, 0},
    BlockField{"icon", 12, S::Bytes, M::Picture, 0},
    BlockField{"background_music", 5, S::Bytes, M::Picture, 0},
    BlockField{"title", 0, S::Bytes, M::Text, 0},
    BlockField{"help_file", 16, S::Bytes, M::Text, 0},
};

constexpr std::array kLabelFields{
    kVersion,
    BlockField{"effect", 1, S::Word, M::Number, 0},
    BlockField{"frame_width", 3, S::Word, M::Number, 0},
    BlockField{"border", 2, S::Word, M::Number, 0},
    BlockField{"frame_colour_1", 4, S::Word, M::Colour, 0},
    BlockField{"frame_colour_2", 5, S::Word, M::Colour, 0},
    BlockField{"frame_colour_3", 6, S::Word, M::Colour, 0},
    BlockField{"text_colour", 8, S::Word, M::Colour, 0},
    BlockField{"background_colour", 9, S::Word, M::Colour, 0},
    BlockField{"picture_mode", 11, S::Word, M::Number, 0},
    BlockField{"gradient_mode", 12, S::Word, M::Number, 0},
    BlockField{"gradient_colour_1", 13, S::Word, M::Colour, 0},
    BlockField{"gradient_colour_2", 14, S::Word, M::Colour, 0},
    BlockField{"gradient_colour_3", 15, S::Word, M::Colour, 0},
    BlockField{"horizontal_alignment", 16, S::Word, M::Number, 0},
    BlockField{"vertical_alignment", 18, S::Word, M::Number, 0},
    BlockField{"word_wrap", 17, S::Word, M::Logical, 0},
    BlockField{"font", 7, S::Bytes, M::Font, 0},
    BlockField{"picture", 10, S::Bytes, M::Picture, 0},
    BlockField{"caption", 0, S::Bytes, M::Text, 0},
    BlockField{"data_source", 19, S::Bytes, M::Text, 2},
    BlockField{"data_column", 20, S::Bytes, M::Text, 2},
};

constexpr std::array kEditBoxFields{
    kVersion,
    BlockField{"border", 1, S::Word, M::Number, 0},
    BlockField{"text_colour", 2, S::Word, M::Colour, 0},
    BlockField{"background_colour", 3, S::Word, M::Colour, 0},
    BlockField{"hide_selection", 5, S::Word, M::Logical, 0},
    BlockField{"maximum_length", 6, S::Word, M::Number, 0},
    BlockField{"multi_line", 7, S::Word, M::Logical, 0},
    BlockField{"scroll_bars", 8, S::Word, M::Number, 0},
    BlockField{"alignment", 9, S::Word, M::Number, 0},
    BlockField{"input_mode", 10, S::Word, M::Number, 0},
    BlockField{"password_character", 11, S::Short, M::Character, 0},
    BlockField{"case_conversion", 12, S::Word, M::Number, 0},
    BlockField{"spin_button", 13, S::Word, M::Number, 0},
    BlockField{"spin_lower", 14, S::Word, M::Number, 0},
    BlockField{"spin_upper", 15, S::Word, M::Number, 0},
    BlockField{"selection_start", 16, S::Word, M::Number, 0},
    BlockField{"selection_length", 17, S::Word, M::Number, 0},
    BlockField{"font", 4, S::Bytes, M::Font, 0},
    BlockField{"content", 0, S::Bytes, M::Text, 0},
    BlockField{"data_source", 19, S::Bytes, M::Text, 2},
    BlockField{"data_column", 20, S::Bytes, M::Text, 2},
};

constexpr std::array kPictureBoxFields{
    kVersion,
    BlockField{"border", 0, S::Word, M::Number, 0},
    BlockField{"background_colour", 1, S::Word, M::Colour, 0},
    BlockField{"display_mode", 3, S::Word, M::Number, 0},
    BlockField{"play_animations", 4, S::Word, M::Logical, 0},
    BlockField{"picture", 2, S::Bytes, M::Picture, 0},
    BlockField{"data_source", 5, S::Bytes, M::Text, 2},
    BlockField{"data_column", 6, S::Bytes, M::Text, 2},
};

constexpr std::array kHyperlinkBoxFields{
    kVersion,
    BlockField{"link_kind", 1, S::Word, M::Number, 0},
    BlockField{"colour_not_opened", 4, S::Word, M::Colour, 0},
    BlockField{"colour_opened", 5, S::Word, M::Colour, 0},
    BlockField{"colour_hover", 6, S::Word, M::Colour, 0},
    BlockField{"background_colour", 7, S::Word, M::Colour, 0},
    BlockField{"border", 8, S::Word, M::Number, 0},
    BlockField{"font", 9, S::Bytes, M::Font, 0},
    BlockField{"caption", 0, S::Bytes, M::Text, 0},
    BlockField{"email_address", 2, S::Bytes, M::Text, 0},
    BlockField{"web_address", 3, S::Bytes, M::Text, 0},
};

// The list box's block is expanded from its property list, in list order;
// a property without a key is not kept in the block.
constexpr BlockField kListBoxRows[] = {
#define QINGHE_LIST_BOX_FIELD(name, number, key, meaning, ...) \
    BlockField{key, number, storage_for(M::meaning), M::meaning, 0},
    QINGHE_LIST_BOX_PROPERTIES(QINGHE_LIST_BOX_FIELD)
#undef QINGHE_LIST_BOX_FIELD
};

constexpr size_t kListBoxStored =
    size_t(std::count_if(std::begin(kListBoxRows), std::end(kListBoxRows),
                         [](const BlockField& f) { return f.key[0] != '\0'; }));

constexpr auto kListBoxFields = [] {
    std::array<BlockField, kListBoxStored + 1> fields{kVersion};
    size_t next = 1;
    for (const BlockField& f : kListBoxRows)
        if (f.key[0] != '\0') fields[next++] = f;
    return fields;
}();

constexpr std::array kLayouts{
    BlockLayout{UnitType::kWindow, "window", 6, kWindowFields},
    BlockLayout{UnitType::kLabel, "Label", 2, kLabelFields},
    BlockLayout{UnitType::kEditBox, "EditBox", 2, kEditBoxFields},
    BlockLayout{UnitType::kPictureBox, "PicBox", 2, kPictureBoxFields},
    BlockLayout{UnitType::kHyperlinkBox, "HyperLinker", 1, kHyperlinkBoxFields},
    BlockLayout{UnitType::kListBox, "ListView", 1, kListBoxFields},
};

}  // namespace

const BlockLayout* block_layout(uint32_t unit_type) {
    for (const auto& layout : kLayouts)
        if (layout.unit_type == unit_type) return &layout;
    return nullptr;
}

const BlockField* find_field(const BlockLayout& layout, std::string_view key) {
    for (const auto& field : layout.fields)
        if (key == field.key) return &field;
    return nullptr;
}

const BlockValue* DecodedBlock::find(int32_t property) const {
    for (const auto& v : values)
        if (v.property() == property) return &v;
    return nullptr;
}

const BlockValue* DecodedBlock::find(std::string_view key) const {
    for (const auto& v : values)
        if (key == v.field->key) return &v;
    return nullptr;
}

BlockStatus decode_property_block(uint32_t unit_type, std::string_view block, DecodedBlock& out) {
    out = DecodedBlock{};
    const BlockLayout* layout = block_layout(unit_type);
    if (!layout) return BlockStatus::UnknownType;
    if (block.empty()) return BlockStatus::Empty;
    ByteReader r(block);
    out.version = r.u32();
    if (!r.ok()) return BlockStatus::Truncated;
    if (out.version > layout->version) return BlockStatus::BadVersion;
    for (const auto& field : layout->fields.subspan(1)) {
        if (out.version < field.since_version) continue;
        BlockValue value{&field, 0, {}};
        switch (field.storage) {
        case S::Word: value.word = r.u32(); break;
        case S::Short: value.word = r.u16(); break;
        case S::Bytes: value.bytes = r.counted(); break;
        }
        if (!r.ok()) {
            out.values.clear();
            return BlockStatus::Truncated;
        }
        out.values.push_back(std::move(value));
    }
    out.consumed = r.position();
    return BlockStatus::Ok;
}

std::string encode_property_block(const BlockLayout& layout,
                                  const std::vector<BlockValue>& values) {
    auto value_of = [&](int32_t property) -> const BlockValue* {
        for (const auto& v : values)
            if (v.field && v.property() == property) return &v;
        return nullptr;
    };
    ByteWriter w;
    w.u32(layout.version);
    for (const auto& field : layout.fields.subspan(1)) {
        if (layout.version < field.since_version) continue;
        const BlockValue* v = value_of(field.property);
        switch (field.storage) {
        case S::Word: w.u32(v ? v->word : 0); break;
        case S::Short: w.u16(uint16_t(v ? v->word : 0)); break;
        case S::Bytes: w.counted(v ? std::string_view(v->bytes) : std::string_view()); break;
        }
    }
    return w.take();
}

}  // namespace qinghe
