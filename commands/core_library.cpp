#include "commands/core_library.h"

#include <array>
#include <string>

#include "commands/core_commands.h"
#include "platform/text_encoding.h"

namespace qinghe {
namespace {

struct TypeName {
    uint32_t number;
    const char* name;  // UTF-8 here, GBK in the record
    const char* ascii_name;
    uint32_t flags;
};

constexpr TypeName kUsedTypes[] = {
    {CoreType::kWindow, "窗口", "window", TypeFlag::kRaisesEvents},
    {CoreType::kEditBox, "编辑框", "EditBox", TypeFlag::kRaisesEvents},
    {CoreType::kPictureBox, "图片框", "PicBox", TypeFlag::kRaisesEvents},
    {CoreType::kLabel, "标签", "Label", TypeFlag::kRaisesEvents},
    {CoreType::kHyperlinkBox, "超级链接框", "HyperLinker", TypeFlag::kRaisesEvents},
    {CoreType::kComObject, "对象", "ComObject", TypeFlag::kNoWindow},
    {CoreType::kVariant, "变体型", "Variant", TypeFlag::kNoWindow},
};

struct CoreLibrary {
    std::array<std::string, std::size(kUsedTypes)> gbk_names;
    std::array<DataTypeRecord, kCoreTypeCount> types{};
    std::string guid = "{6C1F0B7E-3A52-4D8E-9B41-2E7A5C9D0F13}";
    std::string display_name = platform::gbk_from_utf8("核心库");
    LibraryRecord record;

    CoreLibrary() {
        for (size_t i = 0; i < std::size(kUsedTypes); ++i) {
            const TypeName& t = kUsedTypes[i];
            gbk_names[i] = platform::gbk_from_utf8(t.name);
            DataTypeRecord& r = types[t.number - 1];
            r.name = gbk_names[i].c_str();
            r.ascii_name = t.ascii_name;
            r.flags = t.flags;
        }
        record.guid = guid.c_str();
        const uint32_t versions[] = {5, 7, 0x40, 3, 7, 3, 7};
        std::copy(std::begin(versions), std::end(versions), record.versions);
        record.display_name = display_name.c_str();
        record.flags = 0xC0000001;
        record.type_count = kCoreTypeCount;
        record.types = types.data();
        record.command_count = kCoreCommandCount;
        record.commands = core_command_table();
    }
};

}  // namespace

LibraryRecord& core_library_record() {
    static CoreLibrary library;
    return library.record;
}

}  // namespace qinghe
