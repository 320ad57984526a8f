#include "runtime/memory.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/text_encoding.h"
#include "runtime/runtime_error.h"
#include "runtime/values.h"

namespace qinghe {
namespace {

std::atomic<const uint8_t*> g_constant_start{nullptr};
std::atomic<size_t> g_constant_length{0};

void* heap_allocate(size_t size) { return std::malloc(size); }
void* heap_reallocate(void* block, size_t size) { return std::realloc(block, size); }
void heap_release(void* block) { std::free(block); }

constexpr Heap kProcessHeap{heap_allocate, heap_reallocate, heap_release};
constinit Heap g_heap = kProcessHeap;

[[noreturn]] void report_allocation_failure(size_t size) {
    static const std::string format = platform::gbk_from_utf8("分配 %d 字节内存失败!");
    char message[100];
    std::snprintf(message, sizeof message, format.c_str(), int(size));
    report_error(message, 0, 0, 0);
}

}  // namespace

const Heap& process_heap() { return kProcessHeap; }

void set_heap(const Heap& heap) { g_heap = heap; }

bool heap_is_process_heap() { return g_heap.allocate == kProcessHeap.allocate; }

void* mem_try_alloc(size_t size) { return g_heap.allocate(size ? size : 1); }

void* mem_alloc(size_t size) {
    void* p = mem_try_alloc(size);
    if (!p) report_allocation_failure(size);
    return p;
}

void* mem_realloc(void* block, size_t size) {
    if (!block) return mem_alloc(size);
    if (is_constant(block)) {
        void* fresh = mem_alloc(size);
        const uint8_t* end = g_constant_start.load() + g_constant_length.load();
        size_t available = size_t(end - static_cast<const uint8_t*>(block));
        std::memcpy(fresh, block, size < available ? size : available);
        return fresh;
    }
    void* p = g_heap.reallocate(block, size ? size : 1);
    if (!p) report_allocation_failure(size);
    return p;
}

void mem_free(void* block) {
    if (!block || is_constant(block)) return;
    g_heap.release(block);
}

void set_constant_area(const void* start, size_t length) {
    if (length == 0) return;
    g_constant_length = 0;
    g_constant_start = static_cast<const uint8_t*>(start);
    g_constant_length = length;
}

void clear_constant_area() {
    g_constant_length = 0;
    g_constant_start = nullptr;
}

bool is_constant(const void* p) {
    const uint8_t* start = g_constant_start.load();
    size_t length = g_constant_length.load();
    auto q = static_cast<const uint8_t*>(p);
    return start && q >= start && q < start + length;
}

char* make_text(std::string_view bytes) {
    if (bytes.empty()) return nullptr;
    auto t = static_cast<char*>(mem_alloc(bytes.size() + 1));
    std::memcpy(t, bytes.data(), bytes.size());
    t[bytes.size()] = 0;
    return t;
}

ByteSet* make_byte_set(const void* data, size_t length) {
    if (length == 0) return nullptr;
    auto b = static_cast<ByteSet*>(mem_alloc(sizeof(ByteSet) + length));
    b->mark = 1;
    b->length = int32_t(length);
    std::memcpy(b->data(), data, length);
    return b;
}

ByteSet* make_byte_set(std::string_view bytes) { return make_byte_set(bytes.data(), bytes.size()); }

ArrayBlock* make_array(int32_t count, int32_t width) {
    if (count < 0) count = 0;
    size_t bytes = sizeof(ArrayBlock) + sizeof(int32_t) + size_t(count) * size_t(width);
    auto a = static_cast<ArrayBlock*>(mem_alloc(bytes));
    std::memset(a, 0, bytes);
    a->dimensions = 1;
    a->sizes()[0] = count;
    return a;
}

}  // namespace qinghe
