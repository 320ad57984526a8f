#include <gtest/gtest.h>

#include "runtime/byte_stream.h"
#include "runtime/form_resource.h"

namespace qinghe {
namespace {

FormUnit window_unit() {
    FormUnit u;
    u.id = 0x06010000;
    u.type = 0x00010001;
    u.left = 50;
    u.top = 50;
    u.width = 706;
    u.height = 628;
    u.mouse_pointer = std::string(4, '\0');
    u.state = UnitState::kVisible;
    u.events = {{0, 0, nullptr}, {2, 1, nullptr}};
    u.property_block = "window-block";
    return u;
}

FormUnit component(uint32_t id) {
    FormUnit u;
    u.id = id;
    u.type = 0x0001000A;
    u.name = "\xB1\xEA\xC7\xA9_1";  // GBK
    u.text2 = "t2";
    u.left = -5;
    u.top = 7;
    u.width = 100;
    u.height = 20;
    u.parent = 0;
    u.children = {0x16010002, 0, 0x16010003};
    u.mouse_pointer = std::string("\x01\x00\x00\x00\x09", 5);
    u.tag = "tag";
    u.word_b = 9;
    u.state = UnitState::kVisible | UnitState::kTabStop;
    u.focus_order = -3;
    u.events = {{-1, 2, nullptr}, {-3, kNoHandler, nullptr}};
    u.property_block = std::string("blk\0x", 5);
    return u;
}

FormUnit menu_item() {
    FormUnit u;
    u.id = 0x26010009;
    u.type = kMenuItemType;
    u.name = "menu";
    u.menu_words[0] = 4;
    u.menu_words[1] = 5;
    u.state = 6;
    u.caption = "File";
    u.events = {{0, 1, nullptr}};
    return u;
}

WindowTable sample_table() {
    WindowTable t;
    FormWindow a;
    a.id = 0x52010001;
    a.word_a = 7;
    a.record_id = 0x19010002;
    a.units = {window_unit(), component(0x16010001), menu_item()};
    FormWindow b;
    b.id = 0x52012F77;
    FormUnit bare = window_unit();
    bare.id = 0x06012F76;
    bare.events.clear();
    bare.property_block.clear();
    b.units = {bare};
    t.windows = {a, b};
    return t;
}

std::string sample_block() { return encode_form_resource(sample_table()); }

bool parse(const std::string& block, WindowTable& table, std::string* error = nullptr) {
    return parse_form_resource(reinterpret_cast<const uint8_t*>(block.data()), block.size(), table,
                               error);
}

TEST(FormResource, RoundTripKeepsEveryField) {
    std::string block = sample_block();
    WindowTable t;
    std::string error;
    ASSERT_TRUE(parse(block, t, &error)) << error;
    ASSERT_EQ(t.windows.size(), 2u);
    const FormWindow& w = t.windows[0];
    EXPECT_EQ(w.id, 0x52010001u);
    EXPECT_EQ(w.word_a, 7u);
    EXPECT_EQ(w.record_id, 0x19010002u);
    ASSERT_EQ(w.units.size(), 3u);
    const FormUnit& c = w.units[1];
    const FormUnit expected = component(0x16010001);
    EXPECT_EQ(c.id, expected.id);
    EXPECT_EQ(c.type, expected.type);
    EXPECT_EQ(c.name, expected.name);
    EXPECT_EQ(c.text2, expected.text2);
    EXPECT_EQ(c.left, -5);
    EXPECT_EQ(c.height, 20);
    EXPECT_EQ(c.children, expected.children);
    EXPECT_EQ(c.mouse_pointer, expected.mouse_pointer);
    EXPECT_EQ(c.tag, "tag");
    EXPECT_EQ(c.word_b, 9u);
    EXPECT_TRUE(c.visible());
    EXPECT_TRUE(c.tab_stop());
    EXPECT_FALSE(c.disabled());
    EXPECT_EQ(c.focus_order, -3);
    ASSERT_EQ(c.events.size(), 2u);
    EXPECT_EQ(c.events[1].event, -3);
    EXPECT_EQ(c.events[1].offset, kNoHandler);
    EXPECT_EQ(c.property_block, expected.property_block);
    const FormUnit& m = w.units[2];
    EXPECT_TRUE(m.menu_item());
    EXPECT_EQ(m.caption, "File");
    EXPECT_EQ(m.state, 6u);
    EXPECT_EQ(m.events.at(0).offset, 1u);
    EXPECT_TRUE(t.windows[1].units[0].property_block.empty());
    EXPECT_EQ(encode_form_resource(t), block);
}

TEST(FormResource, UnitWithEmptyNameAndTagKeepsBothTerminators) {
    WindowTable t = sample_table();
    FormUnit& u = t.windows[1].units[0];
    std::string block = encode_form_resource(t);
    // Type, array base, 4 reserved words, then the empty name and text 2.
    std::string expected_head("\x01\x00\x01\x00", 4);
    expected_head += std::string(20, '\0') + std::string(2, '\0');
    EXPECT_NE(block.find(expected_head), std::string::npos);
    WindowTable back;
    ASSERT_TRUE(parse(block, back));
    EXPECT_EQ(back.windows[1].units[0].name, u.name);
    EXPECT_TRUE(back.windows[1].units[0].tag.empty());
}

TEST(FormResource, ReservedBytesBeforeThePropertyBlockAreSkipped) {
    WindowTable t = sample_table();
    std::string block = encode_form_resource(t);
    // The 20 reserved bytes sit right before the component's block.
    size_t at = block.find(std::string("blk\0x", 5));
    ASSERT_NE(at, std::string::npos);
    for (size_t i = at - 20; i < at; ++i) block[i] = '\x55';
    WindowTable back;
    ASSERT_TRUE(parse(block, back));
    EXPECT_EQ(back.windows[0].units[1].property_block, std::string("blk\0x", 5));
}

TEST(FormResource, EveryTruncationAndTrailingByteIsRejected) {
    std::string block = sample_block();
    for (size_t n = 0; n < block.size(); ++n) {
        WindowTable t;
        EXPECT_FALSE(parse(block.substr(0, n), t)) << "prefix " << n;
        EXPECT_TRUE(t.windows.empty());
    }
    WindowTable t;
    std::string error;
    EXPECT_FALSE(parse(block + '\0', t, &error));
    EXPECT_NE(error.find("left after"), std::string::npos);
}

TEST(FormResource, RejectsInconsistentLengths) {
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
    };
    // Offsets into the sample block: window table length, unit count of
    // window 1, its unit buffer length, and the first unit offset.
    const std::string block = sample_block();
    const size_t window1 = 4 + 16;
    const size_t count = window1 + 8 + 4 + 4;
    const Case cases[] = {
        {"table length not a multiple of 8", 0, 12},
        {"table length past the end", 0, 0x7FFFFFF8},
        {"unit count past the buffer", count, 0x40000000},
        {"no units", count, 0},
        {"unit buffer past the end", count + 4, 0xFFFFFFF0},
        {"unit offset past the buffer", count + 8 + 12, 0x00FFFFFF},
    };
    for (const Case& c : cases) {
        std::string bad = block;
        for (int i = 0; i < 4; ++i) bad[c.offset + size_t(i)] = char(c.value >> (8 * i));
        WindowTable t;
        EXPECT_FALSE(parse(bad, t)) << c.what;
    }
}

HandlerResult first(const uint32_t*, int32_t) { return HandlerResult::of(1); }
HandlerResult second(const uint32_t*, int32_t) { return HandlerResult::of(2); }
HandlerResult third(const uint32_t*, int32_t) { return HandlerResult::of(3); }

TEST(FormResource, RelocationMapsOffsetsToTheHandlerTable) {
    const EventHandler handlers[] = {first, second, third};
    std::string block = sample_block();
    WindowTable t;
    ASSERT_TRUE(load_form_resources(reinterpret_cast<const uint8_t*>(block.data()), block.size(),
                                    handlers, 3, t));
    const FormWindow& w = t.windows[0];
    EXPECT_EQ(w.units[0].binding(0)->handler, &first);  // offset 0 is a real handler
    EXPECT_EQ(w.units[0].binding(2)->handler, &second);
    EXPECT_EQ(w.units[1].binding(-1)->handler, &third);
    EXPECT_EQ(w.units[1].binding(-3)->handler, nullptr);  // 0xFFFFFFFF: none
    EXPECT_EQ(w.units[1].binding(-2), nullptr);
    EXPECT_EQ(w.units[2].events[0].handler, &second);  // the menu item's handler
}

TEST(FormResource, OffsetPastTheHandlerTableFailsTheLoad) {
    const EventHandler handlers[] = {first, second};
    std::string block = sample_block();
    WindowTable t;
    std::string error;
    EXPECT_FALSE(load_form_resources(reinterpret_cast<const uint8_t*>(block.data()), block.size(),
                                     handlers, 2, t, &error));
    EXPECT_TRUE(t.windows.empty());
    EXPECT_NE(error.find("outside"), std::string::npos);
}

TEST(FormResource, UnitLookup) {
    WindowTable t = sample_table();
    FormWindow* w = t.find(0x52010001);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(t.find(0x52010002), nullptr);
    int32_t index = -1;
    EXPECT_EQ(find_unit(*w, 0, &index), &w->units[0]);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(find_unit(*w, 0x06010000, &index), &w->units[0]);
    EXPECT_EQ(find_unit(*w, 0x26010009, &index), &w->units[2]);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(find_unit(*w, 0x16019999), nullptr);
    EXPECT_EQ(unit_at(*w, 1), &w->units[1]);
    EXPECT_EQ(unit_at(*w, 3), nullptr);
    EXPECT_EQ(unit_at(*w, -1), nullptr);
}

TEST(FormResource, MenuItemIdsAreKind2Class6) {
    struct Row {
        uint32_t id;
        bool menu;
    };
    for (Row r : {Row{0x26010009, true}, Row{0x16010009, false}, Row{0x06010000, false},
                  Row{0x22010009, false}, Row{0x52010001, false}})
        EXPECT_EQ(is_menu_item(r.id), r.menu) << std::hex << r.id;
}

}  // namespace
}  // namespace qinghe

#include "runtime/window_table_locations.h"

namespace qinghe {
namespace {

TEST(WindowTableLocations, TagsForTheErrorReport) {
    WindowTable t = sample_table();
    t.windows[0].units[0].tag = "main-tag";
    WindowTableLocations locations(t);
    EXPECT_EQ(locations.window_tag(0x52010001), "main-tag");
    EXPECT_EQ(locations.window_tag(0x52010009), std::nullopt);
    EXPECT_EQ(locations.unit_tag(0x52010001, 0), "main-tag");  // the own unit
    EXPECT_EQ(locations.unit_tag(0x52010001, 0x16010001), "tag");
    EXPECT_EQ(locations.unit_tag(0x52010001, 0x26010009), std::nullopt);  // menu item
    EXPECT_EQ(locations.unit_tag(0x52010001, 0x16010077), std::nullopt);
    EXPECT_EQ(locations.unit_tag(0x52010009, 0x16010001), std::nullopt);
}

}  // namespace
}  // namespace qinghe
