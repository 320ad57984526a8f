// The program's header: how the runtime finds the application's handler
// table, the constant area, the window resource, the libraries and the
// declared DLL commands. The resource compiler generates the data; the
// application fills in the two fields that point at its own code (the
// handler table and the library table) before it initialises the runtime.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/event_handler.h"

namespace qinghe {

struct LibraryRecord;

struct ProgramHeader {
    static constexpr uint32_t kRunModeNormal = 3;
    static constexpr uint32_t kRunModeDebug = 2;

    uint32_t run_mode = kRunModeNormal;
    uint32_t word1 = 0;
    uint32_t word2 = 0;  // the runtime keeps this value plus 1
    // Application code base: handler offsets in the window resource are
    // indices into this table.
    const EventHandler* code_base = nullptr;
    size_t handler_count = 0;
    const uint8_t* constant_area = nullptr;
    size_t constant_area_length = 0;
    const uint8_t* form_resource = nullptr;
    size_t form_resource_length = 0;
    int32_t library_count = 0;
    const LibraryRecord* const* libraries = nullptr;
    int32_t dll_command_count = 0;
    const char* const* dll_file_names = nullptr;
    const char* const* dll_exported_names = nullptr;
};

}  // namespace qinghe
