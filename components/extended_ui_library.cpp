#include "components/extended_ui_library.h"

#include <array>
#include <string>

#include "components/list_box_commands.h"
#include "platform/text_encoding.h"

namespace qinghe {
namespace {

constexpr auto kCommands = [] {
    using C = ExtendedUiCommand;
    std::array<CommandEntry, size_t(C::count)> table{};
    table[size_t(C::delete_all_rows)] = delete_all_rows;
    table[size_t(C::insert_row)] = insert_row;
    table[size_t(C::set_cell_text)] = set_cell_text;
    return table;
}();

// The types this program does not use stay all zero; the list box's
// interface entry and properties are filled in when the component types
// register.
struct ExtendedUiLibrary {
    std::string type_name = platform::gbk_from_utf8("超级列表框");
    std::string display_name = platform::gbk_from_utf8("扩展界面支持库一");
    std::array<DataTypeRecord, kExtendedUiTypeCount> types{};
    LibraryRecord record;

    ExtendedUiLibrary() {
        DataTypeRecord& list_box = types[kListBoxTypeIndex - 1];
        list_box.name = type_name.c_str();
        list_box.ascii_name = "ListView";
        list_box.flags = TypeFlag::kRaisesEvents;
        record.guid = "{9C2E4A71-5B38-4F06-8D1A-3E7B62C0F954}";
        record.display_name = display_name.c_str();
        record.type_count = kExtendedUiTypeCount;
        record.types = types.data();
        record.command_count = int32_t(std::size(kCommands));
        record.commands = kCommands.data();
    }
};

}  // namespace

LibraryRecord& extended_ui_library() {
    static ExtendedUiLibrary library;
    return library.record;
}

}  // namespace qinghe
