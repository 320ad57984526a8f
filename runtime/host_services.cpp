#include "runtime/host_services.h"

#include <array>
#include <atomic>
#include <cmath>
#include <string>

#include "platform/text_encoding.h"
#include "runtime/frame.h"
#include "runtime/memory.h"
#include "runtime/runtime_error.h"
#include "runtime/runtime_exit.h"
#include "runtime/values.h"

namespace qinghe {
namespace {

constexpr int32_t kFirstCode = 1000;
constexpr int32_t kLastCode = 2099;

using Registry = std::array<std::atomic<HostServiceHandler>, kLastCode - kFirstCode + 1>;

intptr_t to_integer_service(intptr_t value, intptr_t) {
    return numeric_to_integer(*reinterpret_cast<const TaggedArg*>(value));
}

intptr_t free_array_service(intptr_t type, intptr_t array) {
    free_array(uint32_t(type), reinterpret_cast<ArrayBlock*>(array));
    return 0;
}

intptr_t allocate_service(intptr_t size, intptr_t plain) {
    void* block = plain ? mem_try_alloc(size_t(size)) : mem_alloc(size_t(size));
    return reinterpret_cast<intptr_t>(block);
}

intptr_t free_service(intptr_t block, intptr_t) {
    mem_free(reinterpret_cast<void*>(block));
    return 0;
}

intptr_t reallocate_service(intptr_t block, intptr_t size) {
    return reinterpret_cast<intptr_t>(mem_realloc(reinterpret_cast<void*>(block), size_t(size)));
}

intptr_t report_message_service(intptr_t message, intptr_t) {
    report_error(reinterpret_cast<const char*>(message), 0, 0, 0);
}

intptr_t data_type_record_service(intptr_t unit_type, intptr_t) {
    return reinterpret_cast<intptr_t>(data_type_record(uint32_t(unit_type)));
}

intptr_t end_program_service(intptr_t code, intptr_t) { runtime_exit(int32_t(code)); }

Registry& registry() {
    static Registry* r = [] {
        auto* fresh = new Registry{};
        auto set = [&](int32_t code, HostServiceHandler h) { (*fresh)[code - kFirstCode] = h; };
        set(HostServiceCode::kDataTypeRecord, data_type_record_service);
        set(HostServiceCode::kToInteger, to_integer_service);
        set(HostServiceCode::kFreeArray, free_array_service);
        set(HostServiceCode::kAllocate, allocate_service);
        set(HostServiceCode::kFree, free_service);
        set(HostServiceCode::kReallocate, reallocate_service);
        set(HostServiceCode::kReportMessage, report_message_service);
        set(HostServiceCode::kEndProgram, end_program_service);
        return fresh;
    }();
    return *r;
}

int32_t truncate(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
    return int32_t(std::trunc(v));
}

}  // namespace

void register_host_service(int32_t code, HostServiceHandler handler) {
    if (code < kFirstCode || code > kLastCode) return;
    registry()[code - kFirstCode] = handler;
}

intptr_t host_service(int32_t code, intptr_t first, intptr_t second) {
    if (code < kFirstCode || code > kLastCode) return 0;
    HostServiceHandler handler = registry()[code - kFirstCode].load();
    return handler ? handler(first, second) : 0;
}

int32_t numeric_to_integer(const TaggedArg& value) {
    switch (value.type) {
    case TypeTag::kByte: return int32_t(value.lo & 0xFF);
    case TypeTag::kShort: return int32_t(int16_t(value.lo & 0xFFFF));
    case TypeTag::kInt:
    case TypeTag::kLong: return int32_t(value.lo);
    case TypeTag::kFloat: return truncate(value.as_float());
    case TypeTag::kDouble: return truncate(value.as_double());
    default: {
        static const std::string message = platform::gbk_from_utf8("欲转换数据类型不是数值");
        report_error(message.c_str(), 0, 0, 0);
    }
    }
}

void free_array(uint32_t element_type, ArrayBlock* array) {
    if (!array) return;
    uint32_t base = TypeTag::without_array(element_type);
    if (base == TypeTag::kText || base == TypeTag::kByteSet) {
        int64_t n = array->element_count();
        for (int64_t i = 0; i < n; ++i) mem_free(array->pointer_at(i));
    }
    mem_free(array);
}

}  // namespace qinghe
