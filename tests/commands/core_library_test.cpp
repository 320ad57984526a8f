#include <gtest/gtest.h>

#include "commands/core_commands.h"
#include "commands/core_library.h"
#include "platform/text_encoding.h"

namespace qinghe {
namespace {

TEST(CoreLibrary, RecordDescribesTheLibrary) {
    const LibraryRecord& r = core_library_record();
    EXPECT_EQ(r.format_mark, 0x01312D65u);
    const uint32_t versions[] = {5, 7, 0x40, 3, 7, 3, 7};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(r.versions[i], versions[i]) << i;
    EXPECT_EQ(r.flags, 0xC0000001u);
    ASSERT_NE(r.guid, nullptr);
    EXPECT_EQ(r.guid[0], '{');
    EXPECT_EQ(r.command_count, 30);
    EXPECT_EQ(r.commands, core_command_table());
    EXPECT_EQ(r.type_count, 51);
}

TEST(CoreLibrary, UsedTypesCarryNamesAndFlagsOthersAreEmpty) {
    struct Row {
        uint32_t number;
        const char* name;
        const char* ascii;
        uint32_t flags;
    };
    const Row used[] = {
        {1, "窗口", "window", 0x40},
        {5, "编辑框", "EditBox", 0x40},
        {6, "图片框", "PicBox", 0x40},
        {10, "标签", "Label", 0x40},
        {29, "超级链接框", "HyperLinker", 0x40},
        {48, "对象", "ComObject", 0x8000},
        {49, "变体型", "Variant", 0x8000},
    };
    const DataTypeRecord* types = core_library_record().types;
    for (const Row& row : used) {
        const DataTypeRecord& t = types[row.number - 1];
        EXPECT_EQ(std::string(t.name), platform::gbk_from_utf8(row.name)) << row.number;
        EXPECT_STREQ(t.ascii_name, row.ascii);
        EXPECT_EQ(t.flags, row.flags);
    }
    for (uint32_t n : {2u, 4u, 11u, 28u, 30u, 47u, 50u, 51u}) {
        EXPECT_EQ(types[n - 1].name, nullptr) << n;
        EXPECT_EQ(types[n - 1].flags, 0u) << n;
    }
}

}  // namespace
}  // namespace qinghe
