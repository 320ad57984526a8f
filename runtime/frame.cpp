#include "runtime/frame.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "runtime/host_services.h"
#include "runtime/runtime_error.h"

namespace qinghe {
namespace {

struct TypeInterface {
    InterfaceEntry entry;
    const PropertyDescriptor* properties;
    int32_t property_count;
};

struct LibraryTable {
    std::vector<LibraryRecord*> records;
    std::vector<intptr_t> data_words;
    std::map<uint32_t, TypeInterface> interfaces;  // every registration, kept
};

std::recursive_mutex g_mutex;
LibraryTable g_table;

DataTypeRecord* find_type(uint32_t unit_type) {
    int32_t index = int32_t(unit_type >> 16) - 1;
    int32_t type_index = int32_t(unit_type & 0xFFFF) - 1;
    if (index < 0 || index >= int32_t(g_table.records.size())) return nullptr;
    LibraryRecord* library = g_table.records[size_t(index)];
    if (!library || !library->types || type_index < 0 || type_index >= library->type_count)
        return nullptr;
    return &library->types[type_index];
}

void apply(uint32_t unit_type, const TypeInterface& i) {
    if (DataTypeRecord* record = find_type(unit_type)) {
        record->interface_entry = i.entry;
        record->properties = i.properties;
        record->property_count = i.property_count;
    }
}

[[noreturn]] void report_missing_command(int32_t library_index) {
    static const std::string core = platform::gbk_from_utf8("所调用的核心库命令尚未实现");
    static const std::string library =
        platform::gbk_from_utf8("所调用的支持库命令尚未实现（支持库序号 %d）");
    if (library_index < 0) report_error(core.c_str(), 0, 0, 0);
    char message[160];
    std::snprintf(message, sizeof message, library.c_str(), library_index);
    report_error(message, 0, 0, 0);
}

TaggedArg call(int32_t library_index, CommandEntry entry, int32_t count, TaggedArg* args) {
    TaggedArg result{};
    if (!entry) report_missing_command(library_index);
    entry(&result, count, args);
    return result;
}

}  // namespace

TaggedArg call_core_command(CommandEntry entry, int32_t count, TaggedArg* args) {
    return call(-1, entry, count, args);
}

TaggedArg call_library_command(int32_t library_index, CommandEntry entry, int32_t count,
                               TaggedArg* args) {
    return call(library_index, entry, count, args);
}

void initialise_libraries(LibraryRecord* const* libraries, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        if (libraries[i] && libraries[i]->notify)
            libraries[i]->notify(kNotifyStart, 1, reinterpret_cast<intptr_t>(&host_service), 0);
    std::lock_guard lock(g_mutex);
    g_table.records.assign(libraries, libraries + count);
    g_table.data_words.assign(size_t(count), 0);
    for (const auto& [unit_type, i] : g_table.interfaces) apply(unit_type, i);
}

int32_t library_count() {
    std::lock_guard lock(g_mutex);
    return int32_t(g_table.records.size());
}

LibraryRecord* library_record(int32_t index) {
    std::lock_guard lock(g_mutex);
    if (index < 0 || index >= int32_t(g_table.records.size())) return nullptr;
    return g_table.records[size_t(index)];
}

intptr_t& library_data_word(int32_t index) {
    std::lock_guard lock(g_mutex);
    return g_table.data_words.at(size_t(index));
}

void notify_libraries_exit() {
    std::vector<LibraryRecord*> records;
    std::vector<intptr_t> words;
    {
        std::lock_guard lock(g_mutex);
        records = g_table.records;
        words = g_table.data_words;
    }
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i] && records[i]->notify) records[i]->notify(kNotifyExit, words[i], 0, 0);
}

DataTypeRecord* data_type_record(uint32_t unit_type) {
    std::lock_guard lock(g_mutex);
    return find_type(unit_type);
}

void register_type_interface(uint32_t unit_type, InterfaceEntry entry,
                             const PropertyDescriptor* properties, int32_t property_count) {
    std::lock_guard lock(g_mutex);
    TypeInterface i{entry, properties, property_count};
    g_table.interfaces[unit_type] = i;
    apply(unit_type, i);
}

}  // namespace qinghe
