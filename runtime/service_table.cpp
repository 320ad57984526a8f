#include "runtime/service_table.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/directory_listing.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"
#include "runtime/runtime_error.h"

namespace qinghe {

struct FileSearch {
    std::unique_ptr<platform::DirectoryListing> listing;
};

namespace {

constexpr int32_t kServiceCount = 7;

uint32_t attributes_of(const platform::ListedEntry& entry) {
    uint32_t attributes = 0;
    if (entry.directory) attributes |= FileAttribute::kDirectory;
    if (entry.read_only) attributes |= FileAttribute::kReadOnly;
    if (entry.hidden) attributes |= FileAttribute::kHidden;
    return attributes;
}

bool attributes_match(uint32_t attributes, uint32_t mask, bool all) {
    if (all) return (attributes & FileAttribute::kDirectory) == 0;
    uint32_t reduced = mask & FileAttribute::kSearchable;
    return reduced == 0 ? attributes == 0 : (attributes & reduced) != 0;
}

FileSearch* open_search(const char* pattern) {
    std::string path = platform::utf8_from_gbk(pattern ? pattern : "");
    for (char& c : path)
        if (c == '\\') c = '/';
    size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string names = slash == std::string::npos ? path : path.substr(slash + 1);
    // "*.*" names every entry, with or without a dot.
    if (names == "*.*") names = "*";
    auto search = new FileSearch;
    search->listing = std::make_unique<platform::DirectoryListing>(folder, names);
    return search;
}

intptr_t find_file_service(const intptr_t* w, int32_t) {
    return reinterpret_cast<intptr_t>(find_file(reinterpret_cast<const char*>(w[0]), uint32_t(w[1]),
                                                w[2] != 0, reinterpret_cast<FileSearch**>(w[3])));
}

intptr_t close_search_service(const intptr_t* w, int32_t) {
    close_search(reinterpret_cast<FileSearch*>(w[0]));
    return 0;
}

intptr_t make_writable_service(const intptr_t* w, int32_t) {
    make_array_writable(int32_t(w[0]), reinterpret_cast<ArrayBlock**>(w[1]));
    return 0;
}

intptr_t register_exit_service(const intptr_t* w, int32_t) {
    register_exit_routine(reinterpret_cast<ExitRoutine>(w[0]));
    return 0;
}

using Registry = std::array<std::atomic<ServiceHandler>, kServiceCount>;

Registry& registry() {
    static Registry* r = [] {
        auto* fresh = new Registry{};
        (*fresh)[Service::kFindFile] = find_file_service;
        (*fresh)[Service::kCloseSearch] = close_search_service;
        (*fresh)[Service::kMakeArrayWritable] = make_writable_service;
        (*fresh)[Service::kRegisterExitRoutine] = register_exit_service;
        return fresh;
    }();
    return *r;
}

}  // namespace

char* find_file(const char* pattern, uint32_t mask, bool all, FileSearch** search) {
    if (!search) return nullptr;
    if (!*search) *search = open_search(pattern);
    platform::ListedEntry entry;
    while ((*search)->listing->next(entry)) {
        if (!attributes_match(attributes_of(entry), mask, all)) continue;
        return make_text(platform::gbk_from_utf8(entry.name));
    }
    close_search(*search);
    *search = nullptr;
    return nullptr;
}

void close_search(FileSearch* search) { delete search; }

void make_array_writable(int32_t element_width, ArrayBlock** array) {
    if (!array || !*array || !is_constant(*array)) return;
    const ArrayBlock* constant = *array;
    size_t bytes = 4 + 4 * size_t(constant->dimensions) +
                   size_t(element_width) * size_t(constant->element_count());
    void* copy = mem_alloc(bytes);
    std::memcpy(copy, constant, bytes);
    *array = static_cast<ArrayBlock*>(copy);
}

void register_service(int32_t number, ServiceHandler handler) {
    if (number >= 0 && number < kServiceCount) registry()[size_t(number)] = handler;
}

intptr_t call_service_words(int32_t number, const intptr_t* words, int32_t count) {
    ServiceHandler handler = nullptr;
    if (number >= 0 && number < kServiceCount) handler = registry()[size_t(number)].load();
    if (!handler) {
        static const std::string format = platform::gbk_from_utf8("所调用的服务 %d 不存在");
        char message[100];
        std::snprintf(message, sizeof message, format.c_str(), number);
        report_error(message, 0, 0, 0);
    }
    return handler(words, count);
}

}  // namespace qinghe
