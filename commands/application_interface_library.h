// The application-interface library (library number 5): one command,
// open_web_page, and eleven data types of which this program uses none.
#pragma once

#include <string>

#include "runtime/frame.h"

namespace qinghe {

inline constexpr int32_t kApplicationInterfaceTypeCount = 11;

// The library's commands, by their numbers in its command table.
enum class ApplicationInterfaceCommand : int32_t { open_web_page, count };

// The record for the library table, at index Library::kApplicationInterface - 1.
LibraryRecord& application_interface_library();

// Opens the address in argument 1 (a GBK text) with the desktop; without an
// argument, the built-in default page. Returns nothing, reports nothing.
void open_web_page(TaggedArg* result, int32_t count, TaggedArg* args);

// The built-in default page: this project's README, as a file address.
std::string default_web_page();

}  // namespace qinghe
