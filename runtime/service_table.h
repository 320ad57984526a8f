// The service table the application reaches through call_service: file
// search, array copy-on-write, exit-routine registration, and the entries
// later layers register (object property access, runtime initialisation).
#pragma once

#include <cstdint>
#include <type_traits>

#include "runtime/exit_list.h"
#include "runtime/values.h"

namespace qinghe {

namespace Service {
inline constexpr int32_t kFindFile = 0;             // (pattern, mask, all flag, FileSearch**)
inline constexpr int32_t kCloseSearch = 1;          // (FileSearch*)
inline constexpr int32_t kMakeArrayWritable = 2;    // (element width, ArrayBlock**)
inline constexpr int32_t kRegisterExitRoutine = 3;  // (ExitRoutine)
inline constexpr int32_t kReadObjectProperty = 4;
inline constexpr int32_t kWriteObjectProperty = 5;
inline constexpr int32_t kInitialise = 6;  // ()
}  // namespace Service

// File attribute bits as the search reports them.
namespace FileAttribute {
inline constexpr uint32_t kReadOnly = 0x01;
inline constexpr uint32_t kHidden = 0x02;
inline constexpr uint32_t kDirectory = 0x10;
inline constexpr uint32_t kSearchable = 0x37;
}  // namespace FileAttribute

struct FileSearch;

// First match when *search is null, else the next one; the found name (GBK,
// without its directory) as a new text. When nothing more matches the
// search is closed, *search becomes null and the result is null. With
// `all` every entry that is not a directory matches; otherwise the mask is
// reduced to 0x37 and an entry matches when it has one of those attribute
// bits, or, with a reduced mask of 0, when it has none. The pattern is a
// GBK path whose last part may hold * and ?.
char* find_file(const char* pattern, uint32_t mask, bool all, FileSearch** search);
void close_search(FileSearch* search);

// Replaces *array by a heap copy when it lies in the constant area.
void make_array_writable(int32_t element_width, ArrayBlock** array);

using ServiceHandler = intptr_t (*)(const intptr_t* words, int32_t count);
void register_service(int32_t number, ServiceHandler handler);

// A service number nobody provides is a runtime error.
intptr_t call_service_words(int32_t number, const intptr_t* words, int32_t count);

template <typename T>
intptr_t to_word(T value) {
    if constexpr (std::is_pointer_v<T> || std::is_null_pointer_v<T>)
        return reinterpret_cast<intptr_t>(value);
    else return static_cast<intptr_t>(value);
}

template <typename... Args>
intptr_t call_service(int32_t number, Args... args) {
    const intptr_t words[] = {to_word(args)..., 0};
    return call_service_words(number, words, int32_t(sizeof...(Args)));
}

}  // namespace qinghe
