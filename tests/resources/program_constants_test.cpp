#include <gtest/gtest.h>

#include <QImage>
#include <cstring>

#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/form_resource.h"
#include "runtime/property_block.h"

namespace qinghe {
namespace {

bool inside_constant_area(const void* p) {
    auto* b = static_cast<const unsigned char*>(p);
    return b >= resources::constant_area &&
           b < resources::constant_area + resources::constant_area_size;
}

TEST(ProgramConstants, TextsAreGbkInTheConstantArea) {
    using namespace resources;
    const std::pair<const char*, const char*> rows[] = {
        {config_file_name(), "配置.ini"},     {config_section(), "设置"},
        {config_colour_key(), "颜色"},        {progress_prefix(), "解析基金代码 "},
        {progress_suffix(), " 中…… "},        {line_separator(), "\r\n"},
        {section_start_marker(), "持仓占比"}, {section_end_marker(), "持仓截止日期:"},
        {row_start_marker(), "<a href=\""},   {row_end_marker(), "%</td>"},
        {title_marker(), "title=\""},         {charset_utf8(), "utf-8"},
        {charset_gb2312(), "gb2312"},         {section_dump_file(), "333.txt"},
        {stream_class(), "Adodb.Stream"},     {backslash(), "\\"},
    };
    for (auto [constant, utf8] : rows) {
        EXPECT_TRUE(inside_constant_area(constant)) << utf8;
        EXPECT_EQ(std::string(constant), platform::gbk_from_utf8(utf8)) << utf8;
    }
    EXPECT_EQ(std::strlen(row_start_marker()), 9u);
    EXPECT_EQ(std::strlen(section_start_marker()), 8u);
}

TEST(ProgramConstants, HeaderData) {
    const ProgramHeader& h = resources::program_header;
    EXPECT_EQ(h.run_mode, 3u);
    EXPECT_EQ(h.word1, 0u);
    EXPECT_EQ(h.word2, 0x1340Bu);
    EXPECT_EQ(h.library_count, 5);
    EXPECT_EQ(h.form_resource, resources::form_resource);
    EXPECT_EQ(h.form_resource_length, resources::form_resource_size);
    EXPECT_EQ(h.constant_area, resources::constant_area);
    EXPECT_EQ(h.constant_area_length, resources::constant_area_size);
    ASSERT_EQ(h.dll_command_count, 4);
    const char* files[] = {"kernel32.dll", "kernel32.dll", "ole32.dll", "ole32.dll"};
    const char* names[] = {"CreateThread", "CloseHandle", "CoInitialize", "CoUninitialize"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(h.dll_file_names[i], files[i]);
        EXPECT_STREQ(h.dll_exported_names[i], names[i]);
    }
}

// Either no tune yet, or a byte set of the stated kind.
TEST(ProgramConstants, TuneIsEmptyOrAStandardMidiFile) {
    const ByteSet* tune = resources::tune();
    if (!tune) GTEST_SKIP() << "the tune is not built into this tree yet";
    EXPECT_TRUE(inside_constant_area(tune));
    EXPECT_EQ(tune->mark, 1);
    ASSERT_EQ(tune->length, 3952);
    const uint8_t* b = tune->data();
    EXPECT_EQ(std::memcmp(b, "MThd\0\0\0\6\0\1\0\x11\0\x78", 14), 0);
}

TEST(ProgramConstants, AboutPictureIsA632By280PngWithHalfTransparentPixels) {
    WindowTable t;
    ASSERT_TRUE(parse_form_resource(resources::form_resource, resources::form_resource_size, t));
    const FormUnit* unit =
        find_unit(*t.find(resources::window_id::about), resources::unit_id::picture_donation);
    ASSERT_NE(unit, nullptr);
    DecodedBlock block;
    ASSERT_EQ(decode_property_block(unit->type, unit->property_block, block), BlockStatus::Ok);
    const std::string& png = block.find("picture")->bytes;
    QImage image =
        QImage::fromData(reinterpret_cast<const uchar*>(png.data()), int(png.size()), "PNG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 632);
    EXPECT_EQ(image.height(), 280);
    EXPECT_TRUE(image.hasAlphaChannel());
    int half = 0;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 3) {
            int a = qAlpha(image.pixel(x, y));
            half += a > 0 && a < 255;
        }
    EXPECT_GT(half, 100);
}

}  // namespace
}  // namespace qinghe
