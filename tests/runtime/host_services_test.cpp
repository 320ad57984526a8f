#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/report_capture.h"
#include "runtime/host_services.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

using testing::exit_code_of;
using testing::ReportCapture;

intptr_t to_integer(const TaggedArg& value) {
    return host_service(HostServiceCode::kToInteger, reinterpret_cast<intptr_t>(&value), 0);
}

TEST(HostServices, NumericToInteger) {
    struct Row {
        TaggedArg value;
        int32_t expected;
    };
    const Row rows[] = {
        {{0x1FF, 0, TypeTag::kByte}, 0xFF},
        {{0xFFFF, 0, TypeTag::kShort}, -1},
        {TaggedArg::of_int(-123456), -123456},
        {TaggedArg::of_long(0x123456789LL), 0x23456789},
        {TaggedArg::of_float(3.9f), 3},
        {TaggedArg::of_float(-3.9f), -3},
        {TaggedArg::of_double(2147483647.9), 2147483647},
        {TaggedArg::of_double(-2147483648.5), -2147483647 - 1},
        {TaggedArg::of_double(1e10), std::numeric_limits<int32_t>::min()},
        {TaggedArg::of_double(std::nan("")), std::numeric_limits<int32_t>::min()},
    };
    for (const Row& row : rows) EXPECT_EQ(to_integer(row.value), row.expected) << row.expected;
}

TEST(HostServices, NonNumericIsARuntimeError) {
    ReportCapture capture;
    for (TaggedArg value : {TaggedArg::of_text("12"), TaggedArg::of_bool(true), TaggedArg{},
                            TaggedArg{5, 0, TypeTag::kUnsigned32}}) {
        EXPECT_EQ(exit_code_of([&] { to_integer(value); }), -1);
        EXPECT_EQ(capture.utf8(),
                  "运行时出错!\r\n\r\n错误信息：欲转换数据类型不是数值\r\n\r\n0, 0\r\n");
    }
}

int g_released = 0;

class CountingHeap : public ::testing::Test {
protected:
    void SetUp() override {
        g_released = 0;
        Heap counting = process_heap();
        counting.release = [](void* block) {
            ++g_released;
            process_heap().release(block);
        };
        set_heap(counting);
    }
    void TearDown() override { set_heap(process_heap()); }
};

TEST_F(CountingHeap, FreeArrayFreesElementsOfTextAndByteSetArrays) {
    ArrayBlock* texts = make_array(3, sizeof(void*));
    texts->set_pointer_at(0, make_text("a"));
    texts->set_pointer_at(2, make_text("c"));  // element 1 stays null
    host_service(HostServiceCode::kFreeArray, TypeTag::kText | TypeTag::kArrayFlag,
                 reinterpret_cast<intptr_t>(texts));
    EXPECT_EQ(g_released, 3);

    g_released = 0;
    ArrayBlock* bytes = make_array(1, sizeof(void*));
    bytes->set_pointer_at(0, make_byte_set("xy"));
    free_array(TypeTag::kByteSet, bytes);
    EXPECT_EQ(g_released, 2);

    g_released = 0;
    ArrayBlock* numbers = make_array(4, 4);
    free_array(TypeTag::kInt, numbers);
    EXPECT_EQ(g_released, 1);
}

TEST(HostServices, MemoryServices) {
    auto block = host_service(HostServiceCode::kAllocate, 16, 0);
    ASSERT_NE(block, 0);
    std::memcpy(reinterpret_cast<char*>(block), "0123456789", 11);
    block = host_service(HostServiceCode::kReallocate, block, 4096);
    EXPECT_STREQ(reinterpret_cast<char*>(block), "0123456789");
    host_service(HostServiceCode::kFree, block, 0);

    // The plain allocation reports nothing and may return null.
    Heap failing = process_heap();
    failing.allocate = [](size_t) -> void* { return nullptr; };
    set_heap(failing);
    EXPECT_EQ(host_service(HostServiceCode::kAllocate, 1000, 1), 0);
    set_heap(process_heap());
}

TEST(HostServices, ReportWithMessageAndRegistration) {
    ReportCapture capture;
    static const std::string message = testing::gbk("组件坏了");
    EXPECT_EQ(exit_code_of([] {
                  host_service(HostServiceCode::kReportMessage,
                               reinterpret_cast<intptr_t>(message.c_str()), 0);
              }),
              -1);
    EXPECT_EQ(capture.utf8(), "运行时出错!\r\n\r\n错误信息：组件坏了\r\n\r\n0, 0\r\n");

    EXPECT_EQ(host_service(2022, 1, 2), 0);  // nobody provides it yet
    register_host_service(2022, [](intptr_t a, intptr_t b) -> intptr_t { return a * 10 + b; });
    EXPECT_EQ(host_service(2022, 1, 2), 12);
    register_host_service(2022, nullptr);
    EXPECT_EQ(host_service(999, 0, 0), 0);
}

}  // namespace
}  // namespace qinghe
