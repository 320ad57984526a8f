// The command-call frame and the descriptor records through which the
// runtime knows its libraries, their data types and their commands.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe {

// Every command of every library: result record, argument count, arguments.
using CommandEntry = void (*)(TaggedArg* result, int32_t count, TaggedArg* args);

// Host entry handed to each library: service code and two arguments.
using HostService = intptr_t (*)(int32_t code, intptr_t first, intptr_t second);
// A library's notify entry: (5, 1, host entry, 0) at start, (6, data word, 0, 0) at exit.
using LibraryNotify = intptr_t (*)(int32_t code, intptr_t first, intptr_t second, intptr_t third);
inline constexpr int32_t kNotifyStart = 5;
inline constexpr int32_t kNotifyExit = 6;
// A component type's interface entry: returns its entry for a code
// (1 create, 4 property changed, 5 serialise, 6 get property, 8 key query,
// 9 enumerate texts, 11 ...), or null.
using InterfaceEntry = void* (*)(int32_t code);

namespace TypeFlag {
inline constexpr uint32_t kRaisesEvents = 0x40;
inline constexpr uint32_t kRaisesEventsAlt = 0x04;
inline constexpr uint32_t kNoWindow = 0x8000;
}  // namespace TypeFlag

struct PropertyDescriptor {
    const char* name = nullptr;
    const char* ascii_name = nullptr;
    const char* description = nullptr;
    uint32_t kind = 0;  // 0x800003E9 ... with flag bits
    uint32_t flags = 0;
};

struct DataTypeRecord {
    const char* name = nullptr;        // GBK type name, e.g. "标签"
    const char* ascii_name = nullptr;  // e.g. "Label"
    uint32_t flags = 0;
    int32_t property_count = 0;
    const PropertyDescriptor* properties = nullptr;
    InterfaceEntry interface_entry = nullptr;
};

struct LibraryRecord {
    static constexpr uint32_t kFormatMark = 0x01312D65;
    uint32_t format_mark = kFormatMark;
    const char* guid = nullptr;
    uint32_t versions[7] = {};
    const char* display_name = nullptr;
    uint32_t flags = 0;
    int32_t type_count = 0;
    DataTypeRecord* types = nullptr;  // writable: component types register into it
    int32_t command_count = 0;
    const CommandEntry* commands = nullptr;
    LibraryNotify notify = nullptr;
};

// Library numbers (1-based; the library table index is number - 1).
namespace Library {
inline constexpr int32_t kCore = 1;
inline constexpr int32_t kInternet = 2;
inline constexpr int32_t kSpecialFunction = 3;
inline constexpr int32_t kExtendedUi = 4;
inline constexpr int32_t kApplicationInterface = 5;
}  // namespace Library

// Calls a command with a zeroed result record and returns that record.
// A null entry (a command slot not built) is a runtime error.
TaggedArg call_core_command(CommandEntry entry, int32_t count, TaggedArg* args);
// As above; library_index is the 0-based index in the library table.
TaggedArg call_library_command(int32_t library_index, CommandEntry entry, int32_t count,
                               TaggedArg* args);

// The library table the runtime owns, indexed by library number - 1.
// initialise_libraries calls every notify entry with (5, 1, host entry, 0),
// then records the table with a zeroed data word per library.
void initialise_libraries(LibraryRecord* const* libraries, int32_t count);
int32_t library_count();
LibraryRecord* library_record(int32_t index);  // null when out of range
intptr_t& library_data_word(int32_t index);
// Calls every notify entry with (6, data word, 0, 0).
void notify_libraries_exit();

// The record of a unit type ((library number << 16) | 1-based index), or
// null when the library or the type does not exist.
DataTypeRecord* data_type_record(uint32_t unit_type);

// Lets a component type fill in its interface entry and property table
// without the library that declares the type knowing the component. The
// registration holds whether it comes before or after the library table
// is set.
void register_type_interface(uint32_t unit_type, InterfaceEntry entry,
                             const PropertyDescriptor* properties, int32_t property_count);

}  // namespace qinghe
