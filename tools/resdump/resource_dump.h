// Readable text of a window resource block, read with the runtime's own
// reader: every window with its units (index, id, type, name, geometry,
// state, focus order, event bindings by handler name, property-block
// length) and the bytes consumed against the block's length. With
// `properties` each property block is decoded field by field as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qinghe::tools {

struct DumpResult {
    bool ok = false;
    std::string text;  // UTF-8
};

DumpResult dump_form_resource(const uint8_t* block, size_t length,
                              const std::vector<std::string>& handler_names, bool properties);

}  // namespace qinghe::tools
