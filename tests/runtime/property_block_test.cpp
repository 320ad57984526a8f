#include <gtest/gtest.h>

#include "runtime/byte_stream.h"
#include "runtime/font_record.h"
#include "runtime/list_tables.h"
#include "runtime/property_block.h"

namespace qinghe {
namespace {

// A label blob of a given version, written by hand in the stored order.
std::string label_blob(uint32_t version) {
    ByteWriter w;
    w.u32(version);
    for (uint32_t v : {3u, 9u, 6u,                         // effect, frame width, border
                       0x808080u, 0xFFFFFFu, 0xFF000000u,  // frame stops
                       0x123456u, 0xFF000000u,             // text, background colour
                       2u, 4u,                             // picture mode, gradient mode
                       1u, 2u, 3u,                         // gradient stops
                       2u, 1u, 1u})                        // h align, v align, word wrap
        w.u32(v);
    w.counted("");     // font
    w.counted("");     // picture
    w.counted("abc");  // caption
    if (version == 2) {
        w.counted("src");
        w.counted("col");
    }
    return w.take();
}

TEST(PropertyBlock, LabelFieldsLandOnTheirOwnPropertyNumbers) {
    DecodedBlock b;
    ASSERT_EQ(decode_property_block(UnitType::kLabel, label_blob(2), b), BlockStatus::Ok);
    struct Row {
        int32_t property;
        uint32_t word;
    };
    for (Row r : {Row{1, 3}, Row{3, 9}, Row{2, 6}, Row{6, 0xFF000000}, Row{8, 0x123456}, Row{11, 2},
                  Row{12, 4}, Row{16, 2}, Row{18, 1}, Row{17, 1}}) {
        ASSERT_NE(b.find(r.property), nullptr) << r.property;
        EXPECT_EQ(b.find(r.property)->word, r.word) << r.property;
    }
    EXPECT_EQ(b.find(0)->bytes, "abc");
    EXPECT_EQ(b.find("data_source")->bytes, "src");
    EXPECT_EQ(b.find(20)->bytes, "col");
    EXPECT_EQ(b.consumed, label_blob(2).size());
}

TEST(PropertyBlock, OlderVersionsLackTheLaterFields) {
    struct Row {
        uint32_t type;
        uint32_t version;
        const char* absent;
        const char* present;
    };
    for (Row r : {Row{UnitType::kLabel, 1, "data_source", "caption"},
                  Row{UnitType::kLabel, 0, "data_column", "word_wrap"},
                  Row{UnitType::kWindow, 1, "show_in_task_bar", "help_context"},
                  Row{UnitType::kWindow, 2, "drag_to_move", "show_in_task_bar"},
                  Row{UnitType::kWindow, 3, "always_on_top", "window_shape"},
                  Row{UnitType::kWindow, 4, "word_22", "always_on_top"},
                  Row{UnitType::kWindow, 5, "window_class", "word_22"},
                  Row{UnitType::kEditBox, 1, "data_source", "content"},
                  Row{UnitType::kPictureBox, 1, "data_column", "picture"}}) {
        const BlockLayout* layout = block_layout(r.type);
        ASSERT_NE(layout, nullptr);
        // Write a full block, then rewrite its version and cut the fields it lacks.
        DecodedBlock full;
        std::string blob = encode_property_block(*layout, {});
        ASSERT_EQ(decode_property_block(r.type, blob, full), BlockStatus::Ok);
        ByteWriter w;
        w.u32(r.version);
        for (const auto& f : layout->fields.subspan(1)) {
            if (r.version < f.since_version) continue;
            if (f.storage == FieldStorage::Bytes) w.counted("");
            else if (f.storage == FieldStorage::Short) w.u16(0);
            else w.u32(0);
        }
        DecodedBlock b;
        ASSERT_EQ(decode_property_block(r.type, w.data(), b), BlockStatus::Ok);
        EXPECT_EQ(b.find(r.absent), nullptr) << r.absent << " v" << r.version;
        EXPECT_NE(b.find(r.present), nullptr) << r.present << " v" << r.version;
        EXPECT_EQ(b.consumed, w.data().size());
    }
}

TEST(PropertyBlock, VersionAboveTheTypesIsRejected) {
    struct Row {
        uint32_t type;
        uint32_t version;
    };
    for (Row r : {Row{UnitType::kWindow, 7}, Row{UnitType::kLabel, 3}, Row{UnitType::kEditBox, 3},
                  Row{UnitType::kPictureBox, 3}, Row{UnitType::kHyperlinkBox, 2},
                  Row{UnitType::kListBox, 2}}) {
        ByteWriter w;
        w.u32(r.version);
        w.bytes(std::string(400, '\0'));
        DecodedBlock b;
        EXPECT_EQ(decode_property_block(r.type, w.data(), b), BlockStatus::BadVersion) << r.type;
    }
}

TEST(PropertyBlock, EmptyTruncatedAndUnknown) {
    DecodedBlock b;
    EXPECT_EQ(decode_property_block(UnitType::kLabel, "", b), BlockStatus::Empty);
    EXPECT_EQ(decode_property_block(0x00010002, "abcd", b), BlockStatus::UnknownType);
    std::string blob = label_blob(2);
    for (size_t n = 1; n < blob.size(); ++n) {
        EXPECT_EQ(decode_property_block(UnitType::kLabel, blob.substr(0, n), b),
                  BlockStatus::Truncated)
            << n;
        EXPECT_TRUE(b.values.empty());
    }
}

TEST(PropertyBlock, EveryLayoutRoundTripsAndWritesItsVersion) {
    struct Row {
        uint32_t type;
        uint32_t version;
    };
    for (Row r : {Row{UnitType::kWindow, 6}, Row{UnitType::kLabel, 2}, Row{UnitType::kEditBox, 2},
                  Row{UnitType::kPictureBox, 2}, Row{UnitType::kHyperlinkBox, 1},
                  Row{UnitType::kListBox, 1}}) {
        const BlockLayout& layout = *block_layout(r.type);
        std::vector<BlockValue> values;
        uint32_t n = 100;
        for (const auto& f : layout.fields.subspan(1)) {
            ++n;
            if (f.storage == FieldStorage::Bytes)
                values.push_back({&f, 0, std::string(n % 7, 'x')});
            else values.push_back({&f, f.storage == FieldStorage::Short ? n & 0xFF : n, ""});
        }
        std::string blob = encode_property_block(layout, values);
        DecodedBlock b;
        ASSERT_EQ(decode_property_block(r.type, blob, b), BlockStatus::Ok);
        EXPECT_EQ(b.version, r.version);
        ASSERT_EQ(b.values.size(), values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(b.values[i].word, values[i].word);
            EXPECT_EQ(b.values[i].bytes, values[i].bytes);
        }
        EXPECT_EQ(b.consumed, blob.size());
    }
}

// The list box's block is expanded from its property list; the stored
// order is a file format and must not follow a reordering of that list.
TEST(PropertyBlock, ListBoxFieldsStandInTheStoredOrder) {
    const BlockLayout& layout = *block_layout(UnitType::kListBox);
    struct Row {
        const char* key;
        int32_t property;
        FieldStorage storage;
    };
    constexpr auto W = FieldStorage::Word, B = FieldStorage::Bytes;
    const Row rows[] = {
        {"version", -1, W},
        {"border", 0, W},
        {"text_colour", 1, W},
        {"text_background_colour", 2, W},
        {"background_colour", 3, W},
        {"layout", 5, W},
        {"icon_arrangement", 6, W},
        {"auto_arrange", 7, W},
        {"wrap_labels", 8, W},
        {"hide_header", 10, W},
        {"clickable_captions", 12, W},
        {"whole_row_selection", 13, W},
        {"grid_lines", 14, W},
        {"header_drag", 15, W},
        {"hot_tracking", 18, W},
        {"hand_cursor", 19, W},
        {"underline_cold", 20, W},
        {"underline_hot", 21, W},
        {"editable_labels", 22, W},
        {"sorting", 23, W},
        {"check_boxes", 24, W},
        {"flat_scroll_bars", 25, W},
        {"single_selection", 26, W},
        {"current_selection", 27, W},
        {"keep_selection_visible", 28, W},
        {"font", 4, B},
        {"header_images", 11, B},
        {"item_images", 16, B},
        {"columns", 9, B},
        {"state_images", 17, B},
        {"items", 29, B},
    };
    ASSERT_EQ(layout.fields.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_STREQ(layout.fields[i].key, rows[i].key) << i;
        EXPECT_EQ(layout.fields[i].property, rows[i].property) << rows[i].key;
        EXPECT_EQ(layout.fields[i].storage, rows[i].storage) << rows[i].key;
    }
}

TEST(FontRecordLayout, SixtyBytesWithNegativeHeightAndCharset) {
    std::string bytes =
        encode_font_record(FontRecord::of("\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA", 19, 700));
    ASSERT_EQ(bytes.size(), 60u);
    ByteReader r(bytes);
    EXPECT_EQ(r.i32(), -19);
    r.skip(12);
    EXPECT_EQ(r.i32(), 700);
    r.skip(3);
    EXPECT_EQ(r.u8(), 134);
    auto font = decode_font_record(bytes);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->face, "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA");
    EXPECT_EQ(font->pixel_height(), 19);
    EXPECT_TRUE(font->bold());
    EXPECT_FALSE(decode_font_record(bytes.substr(0, 59)));
    EXPECT_FALSE(decode_font_record(""));
    // A face without terminator inside its 32 bytes is cut at 31.
    EXPECT_EQ(encode_font_record(FontRecord::of(std::string(40, 'a'), 9, 400)).size(), 60u);
    EXPECT_EQ(decode_font_record(encode_font_record(FontRecord::of(std::string(40, 'a'), 9, 400)))
                  ->face.size(),
              31u);
}

TEST(ListTables, RoundTripAndTruncation) {
    std::vector<ListColumn> columns{{false, -1, 0, 250, "a"}, {true, 2, 2, 80, ""}};
    std::string c = encode_column_table(columns);
    auto back = decode_column_table(c);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0].width, 250);
    EXPECT_EQ((*back)[1].image, 2);
    EXPECT_TRUE((*back)[1].image_on_right);
    EXPECT_FALSE(decode_column_table(c.substr(0, c.size() - 1)));

    std::vector<ListCell> cells{{false, -1, -1, 0, 7, "r1", "tip"}, {true, 0, -1, 0, 0, "c2", ""}};
    std::string i = encode_item_table(cells);
    auto items = decode_item_table(i);
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2u);
    EXPECT_EQ((*items)[0].row_tag, 7u);
    EXPECT_EQ((*items)[0].tip, "tip");
    EXPECT_TRUE((*items)[1].continues_row);
    EXPECT_FALSE(decode_item_table(i.substr(0, i.size() - 1)));
    EXPECT_TRUE(decode_item_table("")->empty());
}

}  // namespace
}  // namespace qinghe
