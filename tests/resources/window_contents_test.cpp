// The program's compiled windows against the tables they were written from:
// the dump of every unit, and each property block decoded back.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/font_record.h"
#include "runtime/form_resource.h"
#include "runtime/list_tables.h"
#include "runtime/property_block.h"
#include "tools/resdump/resource_dump.h"

namespace qinghe {
namespace {

using platform::gbk_from_utf8;

WindowTable program_windows() {
    WindowTable t;
    std::string error;
    EXPECT_TRUE(
        parse_form_resource(resources::form_resource, resources::form_resource_size, t, &error))
        << error;
    return t;
}

std::vector<std::string> dump_lines() {
    std::vector<std::string> names(resources::handler_names,
                                   resources::handler_names + resources::handler_count);
    auto dump = tools::dump_form_resource(resources::form_resource, resources::form_resource_size,
                                          names, false);
    EXPECT_TRUE(dump.ok);
    std::vector<std::string> lines;
    std::istringstream in(dump.text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ProgramWindows, DumpShowsTwoWindowsConsumedExactly) {
    auto lines = dump_lines();
    ASSERT_EQ(lines.size(), 2u + 12u + 8u + 1u);
    EXPECT_EQ(lines[0], "window 0x52010001 units 12");
    EXPECT_EQ(lines[13], "window 0x52012F77 units 8");
    std::string total = "windows 2 consumed " + std::to_string(resources::form_resource_size) +
                        " of " + std::to_string(resources::form_resource_size) + " bytes";
    EXPECT_EQ(lines.back(), total);
}

// Unit order, names, geometry, state and bindings of both windows.
TEST(ProgramWindows, DumpMatchesTheWindowTables) {
    const char* expected[] = {
        "unit 0 id 0x06010000 window \"\" at 50,50 size 706x628 state visible focus 0 events "
        "created->on_main_created destroyed->on_main_destroyed",
        "unit 1 id 0x16010001 Label \"标签_颜色切换\" at 555,551 size 32x32 state visible focus 0 "
        "events left_pressed->on_switch_scheme",
        "unit 2 id 0x16010002 Label \"标签_关于\" at 609,546 size 80x40 state visible focus 0 "
        "events left_pressed->on_show_about",
        "unit 3 id 0x16010003 Label \"标签_进度\" at 209,546 size 319x40 state visible focus 0 "
        "events none",
        "unit 4 id 0x16010004 Label \"标签_重复次数\" at 573,16 size 115x32 state visible focus 0 "
        "events left_pressed->on_sort_by_occurrences",
        "unit 5 id 0x16010005 Label \"标签_持仓比例\" at 448,16 size 112x32 state visible focus 0 "
        "events left_pressed->on_sort_by_ratio",
        "unit 6 id 0x16010006 Label \"标签_股票名称\" at 201,16 size 111x32 state visible focus 0 "
        "events none",
        "unit 7 id 0x16010007 Label \"标签_输入\" at 14,16 size 144x32 state visible focus 0 "
        "events none",
        "unit 8 id 0x16010008 ListView \"超级列表框1\" at 209,56 size 480x480 state visible "
        "tab_stop focus 2 events double_click->on_open_row_link",
        "unit 9 id 0x16010009 Label \"标签_分析\" at 24,546 size 152x40 state visible focus 0 "
        "events left_released->on_analyse",
        "unit 10 id 0x1601000A EditBox \"编辑框_代码\" at 24,56 size 152x480 state visible "
        "tab_stop focus 1 events none",
        "unit 11 id 0x1601000B Label \"标签_持有金额\" at 543,16 size 115x32 state none focus 0 "
        "events left_pressed->on_sort_by_money",
        "unit 0 id 0x06012F76 window \"\" at 50,50 size 851x372 state visible focus 0 events "
        "created->on_about_created",
        "unit 1 id 0x16012F78 Label \"标签_1\" at 504,254 size 331x48 state visible focus 0 events "
        "none",
        "unit 2 id 0x16012F79 Label \"标签_2\" at 504,297 size 331x48 state visible focus 0 events "
        "none",
        "unit 3 id 0x16012F7A Label \"标签_说明\" at 8,17 size 408x310 state visible focus 0 "
        "events left_pressed->on_play_tune double_click->on_stop_tune",
        "unit 4 id 0x16012F7B HyperLinker \"超级链接框1\" at 715,23 size 120x32 state visible "
        "focus 0 events none",
        "unit 5 id 0x16012F7C HyperLinker \"超级链接框2\" at 579,23 size 120x32 state visible "
        "focus 0 events none",
        "unit 6 id 0x16012F7D HyperLinker \"超级链接框3\" at 435,23 size 120x32 state visible "
        "focus 0 events none",
        "unit 7 id 0x16012F7E PicBox \"图片框1\" at 435,78 size 400x177 state visible focus 0 "
        "events none",
    };
    std::vector<std::string> units;
    for (const auto& line : dump_lines())
        if (line.rfind("  unit ", 0) == 0)
            units.push_back(line.substr(2, line.rfind(" block ") - 2));
    ASSERT_EQ(units.size(), std::size(expected));
    for (size_t i = 0; i < units.size(); ++i) EXPECT_EQ(units[i], expected[i]);
}

DecodedBlock block_of(const WindowTable& t, uint32_t window, uint32_t unit) {
    const FormUnit* u = find_unit(*t.find(window), unit);
    EXPECT_NE(u, nullptr);
    DecodedBlock b;
    EXPECT_EQ(decode_property_block(u->type, u->property_block, b), BlockStatus::Ok);
    EXPECT_EQ(b.consumed, u->property_block.size());
    return b;
}

uint32_t word(const DecodedBlock& b, const char* key) {
    const BlockValue* v = b.find(key);
    EXPECT_NE(v, nullptr) << key;
    return v ? v->word : 0xDEADBEEF;
}

std::string text(const DecodedBlock& b, const char* key) {
    const BlockValue* v = b.find(key);
    EXPECT_NE(v, nullptr) << key;
    return v ? platform::utf8_from_gbk(v->bytes) : "";
}

struct FontRow {
    int32_t height;
    int32_t weight;
};

void expect_font(const DecodedBlock& b, FontRow f, const std::string& where) {
    auto font = decode_font_record(b.find("font")->bytes);
    ASSERT_TRUE(font) << where;
    EXPECT_EQ(font->face, gbk_from_utf8("微软雅黑")) << where;
    EXPECT_EQ(font->height, -f.height) << where;
    EXPECT_EQ(font->weight, f.weight) << where;
    EXPECT_EQ(font->charset, 134) << where;
}

TEST(ProgramWindows, LabelsDecodeToTheirTableValues) {
    struct Row {
        uint32_t window, unit;
        const char* caption;
        uint32_t text_colour, background, border;
        FontRow font;  // height 0: empty record
        uint32_t h_align, v_align, wrap;
    };
    using namespace resources;
    const Row rows[] = {
        {window_id::main,
         unit_id::label_input,
         "输入基金代码",
         0xC0C0C0,
         0x737E50,
         0,
         {19, 400},
         1,
         1,
         0},
        {window_id::main,
         unit_id::label_stock_name,
         "股票名称",
         0xC0C0C0,
         0x737E50,
         0,
         {19, 400},
         1,
         1,
         0},
        {window_id::main,
         unit_id::label_sort_by_ratio,
         "持仓比例▼",
         0x151515,
         0x899760,
         5,
         {19, 400},
         1,
         1,
         0},
        {window_id::main,
         unit_id::label_sort_by_occurrences,
         "重复次数▼",
         0x151515,
         0x899760,
         5,
         {19, 400},
         1,
         1,
         0},
        {window_id::main,
         unit_id::label_analyse,
         "分析",
         0x000000,
         0x899760,
         5,
         {20, 700},
         1,
         1,
         0},
        {window_id::main, unit_id::label_progress, "", 0x808080, 0x737E50, 0, {19, 400}, 0, 1, 0},
        {window_id::main,
         unit_id::label_switch_scheme,
         "★",
         0x000000,
         0x899760,
         5,
         {0, 0},
         1,
         1,
         0},
        {window_id::main, unit_id::label_about, "关于", 0x000000, 0x899760, 5, {19, 400}, 1, 1, 0},
        {window_id::about,
         unit_id::label_usage,
         nullptr,
         0x000000,
         0x0080FF,
         0,
         {16, 400},
         0,
         1,
         1},
        {window_id::about,
         unit_id::label_credit,
         nullptr,
         0x0080FF,
         0x000000,
         0,
         {19, 400},
         2,
         1,
         0},
        {window_id::about,
         unit_id::label_contact,
         nullptr,
         0x0080FF,
         0x000000,
         0,
         {19, 400},
         2,
         1,
         0},
    };
    WindowTable t = program_windows();
    for (const Row& r : rows) {
        DecodedBlock b = block_of(t, r.window, r.unit);
        std::string where = std::to_string(r.unit);
        EXPECT_EQ(b.version, 2u) << where;
        if (r.caption) {
            EXPECT_EQ(text(b, "caption"), r.caption) << where;
        }
        EXPECT_EQ(word(b, "text_colour"), r.text_colour) << where;
        EXPECT_EQ(word(b, "background_colour"), r.background) << where;
        EXPECT_EQ(word(b, "border"), r.border) << where;
        EXPECT_EQ(word(b, "horizontal_alignment"), r.h_align) << where;
        EXPECT_EQ(word(b, "vertical_alignment"), r.v_align) << where;
        EXPECT_EQ(word(b, "word_wrap"), r.wrap) << where;
        EXPECT_EQ(word(b, "effect"), 0u) << where;
        EXPECT_EQ(word(b, "frame_width"), 8u) << where;
        EXPECT_EQ(word(b, "gradient_mode"), 0u) << where;
        EXPECT_TRUE(b.find("picture")->bytes.empty()) << where;
        if (r.font.height) expect_font(b, r.font, where);
        else EXPECT_TRUE(b.find("font")->bytes.empty()) << where;
    }
}

TEST(ProgramWindows, UsageTextIsFourteenLinesWithoutTrailingBreak) {
    WindowTable t = program_windows();
    std::string usage =
        text(block_of(t, resources::window_id::about, resources::unit_id::label_usage), "caption");
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = usage.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(usage.substr(start, at - start));
    lines.push_back(usage.substr(start));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "使用说明");
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[8], "右边列表“持仓比例”越高，说明各经理买的仓位越重");
    EXPECT_EQ(lines[13], "本软件结果仅供参考");
}

TEST(ProgramWindows, WindowBlocks) {
    struct Row {
        uint32_t window;
        const char* title;
        uint32_t background;
    };
    WindowTable t = program_windows();
    for (Row r : {Row{resources::window_id::main, "青禾基金持仓查看器 1.0     by 墨石", 0x737E50},
                  Row{resources::window_id::about, "关于", 0x000000}}) {
        DecodedBlock b = block_of(t, r.window, 0);
        EXPECT_EQ(b.version, 6u);
        EXPECT_EQ(text(b, "title"), r.title);
        EXPECT_EQ(word(b, "background_colour"), r.background);
        struct Field {
            const char* key;
            uint32_t value;
        };
        for (Field f :
             {Field{"border_style", 2}, Field{"picture_layout", 1}, Field{"maximize_button", 0},
              Field{"minimize_button", 1}, Field{"control_box", 1}, Field{"start_position", 1},
              Field{"movable", 1}, Field{"music_mode", 0}, Field{"enter_moves_focus", 0},
              Field{"esc_closes", 1}, Field{"f1_opens_help", 0}, Field{"help_context", 0},
              Field{"show_in_task_bar", 1}, Field{"drag_to_move", 0}, Field{"window_shape", 0},
              Field{"always_on_top", 0}, Field{"word_22", 0}})
            EXPECT_EQ(word(b, f.key), f.value) << f.key;
        for (const char* empty :
             {"window_class", "background_picture", "icon", "background_music", "help_file"})
            EXPECT_TRUE(b.find(empty)->bytes.empty()) << empty;
    }
    // Block sizes: 100 bytes plus the title.
    EXPECT_EQ(t.find(resources::window_id::about)->units[0].property_block.size(), 104u);
}

TEST(ProgramWindows, EditBoxAndListBox) {
    using namespace resources;
    WindowTable t = program_windows();
    DecodedBlock e = block_of(t, window_id::main, unit_id::edit_codes);
    EXPECT_EQ(e.version, 2u);
    EXPECT_EQ(text(e, "content"), "481010\r\n002264");
    EXPECT_EQ(word(e, "border"), 3u);
    EXPECT_EQ(word(e, "background_colour"), 0xBAC29Eu);
    EXPECT_EQ(word(e, "multi_line"), 1u);
    EXPECT_EQ(word(e, "scroll_bars"), 0u);
    EXPECT_EQ(word(e, "hide_selection"), 1u);
    EXPECT_EQ(word(e, "password_character"), uint32_t('*'));
    EXPECT_EQ(word(e, "spin_button"), 0u);
    expect_font(e, {20, 700}, "edit box");

    DecodedBlock l = block_of(t, window_id::main, unit_id::list_results);
    EXPECT_EQ(l.version, 1u);
    EXPECT_EQ(word(l, "border"), 5u);
    EXPECT_EQ(word(l, "text_background_colour"), 0xBAC29Eu);
    EXPECT_EQ(word(l, "background_colour"), 0xBAC29Eu);
    EXPECT_EQ(word(l, "layout"), 3u);
    EXPECT_EQ(word(l, "hide_header"), 1u);
    EXPECT_EQ(word(l, "single_selection"), 1u);
    EXPECT_EQ(int32_t(word(l, "current_selection")), -1);
    for (const char* off :
         {"grid_lines", "whole_row_selection", "sorting", "editable_labels", "check_boxes"})
        EXPECT_EQ(word(l, off), 0u) << off;
    expect_font(l, {19, 400}, "list box");
    auto columns = decode_column_table(l.find("columns")->bytes);
    ASSERT_TRUE(columns);
    ASSERT_EQ(columns->size(), 3u);
    const std::pair<const char*, int32_t> expected[] = {
        {"股票名称", 250}, {"持仓比例", 120}, {"出现次数", 80}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ((*columns)[i].caption, gbk_from_utf8(expected[i].first));
        EXPECT_EQ((*columns)[i].width, expected[i].second);
        EXPECT_EQ((*columns)[i].alignment, 0);
        EXPECT_EQ((*columns)[i].image, -1);
    }
    auto cells = decode_item_table(l.find("items")->bytes);
    ASSERT_TRUE(cells);
    size_t rows = 0;
    for (const auto& c : *cells) rows += c.continues_row ? 0 : 1;
    EXPECT_EQ(rows, 3u);
}

TEST(ProgramWindows, HyperlinkAndPictureBoxes) {
    using namespace resources;
    WindowTable t = program_windows();
    const std::pair<uint32_t, const char*> links[] = {{unit_id::link_donate, "捐助"},
                                                      {unit_id::link_updates, "软件更新"},
                                                      {unit_id::link_blog, nullptr}};
    for (auto [unit, caption] : links) {
        DecodedBlock h = block_of(t, window_id::about, unit);
        EXPECT_EQ(h.version, 1u);
        if (caption) {
            EXPECT_EQ(text(h, "caption"), caption);
        }
        EXPECT_EQ(word(h, "link_kind"), 1u);
        EXPECT_EQ(word(h, "colour_not_opened"), 0x000000u);
        EXPECT_EQ(word(h, "colour_opened"), 0x000080u);
        EXPECT_EQ(word(h, "colour_hover"), 0x800000u);
        EXPECT_EQ(word(h, "background_colour"), 0x4080FFu);
        EXPECT_EQ(word(h, "border"), 0u);
        EXPECT_FALSE(text(h, "web_address").empty());
        expect_font(h, {16, 700}, caption ? caption : "blog");
    }
    DecodedBlock p = block_of(t, window_id::about, unit_id::picture_donation);
    EXPECT_EQ(p.version, 2u);
    EXPECT_EQ(word(p, "background_colour"), 0xFF000000u);
    EXPECT_EQ(word(p, "display_mode"), 1u);
    EXPECT_EQ(word(p, "play_animations"), 1u);
    EXPECT_EQ(p.find("picture")->bytes.compare(0, 4, "\x89PNG"), 0);
}

}  // namespace
}  // namespace qinghe
