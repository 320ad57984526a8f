// The runtime allocator: every text, byte set and array lives in the heap
// and passes through these entries. They never return null: exhaustion is
// a runtime error. Blocks inside the constant area are never freed or
// changed in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qinghe {

struct ByteSet;
struct ArrayBlock;

void* mem_alloc(size_t size);
void* mem_realloc(void* block, size_t size);
void mem_free(void* block);
// Plain heap allocation that may return null and reports nothing.
void* mem_try_alloc(size_t size);

// The heap every value lives in: the process heap unless replaced (tests
// replace it to make allocations fail).
struct Heap {
    void* (*allocate)(size_t size);
    void* (*reallocate)(void* block, size_t size);
    void (*release)(void* block);
};
const Heap& process_heap();
void set_heap(const Heap& heap);
// Whether values live in the process heap (malloc), so that a malloc block
// can become a value as it is.
bool heap_is_process_heap();

// The program's read-only constant area: [start, start + length).
void set_constant_area(const void* start, size_t length);
void clear_constant_area();
bool is_constant(const void* p);

// Value builders: each returns a new heap block, or null for an empty value.
char* make_text(std::string_view bytes);
ByteSet* make_byte_set(std::string_view bytes);
ByteSet* make_byte_set(const void* data, size_t length);
// A one-dimensional array block with `count` elements of `width` bytes, zeroed.
ArrayBlock* make_array(int32_t count, int32_t width);

}  // namespace qinghe
