#include <gtest/gtest.h>

#include <vector>

#include "support/report_capture.h"
#include "runtime/frame.h"
#include "runtime/host_services.h"

namespace qinghe {
namespace {

using testing::exit_code_of;
using testing::ReportCapture;

void returns_nothing(TaggedArg* result, int32_t, TaggedArg*) {
    // The frame hands over a zeroed record; leave it as it is.
    EXPECT_EQ(result->lo | result->hi | result->type, 0u);
}

void echoes_count(TaggedArg* result, int32_t count, TaggedArg* args) {
    *result = TaggedArg::of_int(count * 100 + int32_t(args[count - 1].type == 0));
}

TEST(CommandFrame, CallsWithZeroedResultAndHandsItBack) {
    TaggedArg result{1, 2, 3};
    result = call_core_command(returns_nothing, 0, nullptr);
    EXPECT_EQ(result.lo | result.hi | result.type, 0u);

    TaggedArg args[2] = {TaggedArg::of_int(5), TaggedArg{}};  // second omitted
    result = call_library_command(3, echoes_count, 2, args);
    EXPECT_EQ(result.type, TypeTag::kInt);
    EXPECT_EQ(result.as_int(), 201);
}

TEST(CommandFrame, EmptySlotIsARuntimeError) {
    ReportCapture capture;
    EXPECT_EQ(exit_code_of([] { call_core_command(nullptr, 0, nullptr); }), -1);
    EXPECT_NE(capture.utf8().find("所调用的核心库命令尚未实现"), std::string::npos);
    EXPECT_EQ(exit_code_of([] { call_library_command(3, nullptr, 0, nullptr); }), -1);
    EXPECT_NE(capture.utf8().find("支持库序号 3"), std::string::npos);
}

struct NotifyCall {
    int32_t library;
    int32_t code;
    intptr_t first, second, third;
};
std::vector<NotifyCall> g_notified;

template <int32_t Library>
intptr_t record_notify(int32_t code, intptr_t first, intptr_t second, intptr_t third) {
    g_notified.push_back({Library, code, first, second, third});
    return 0;
}

void* fake_interface(int32_t) { return nullptr; }

TEST(LibraryTable, NotifiesAtStartAndExitAndFindsTypes) {
    DataTypeRecord first_types[2] = {};
    DataTypeRecord fourth_types[5] = {};
    LibraryRecord first, fourth;
    first.type_count = 2;
    first.types = first_types;
    first.notify = record_notify<1>;
    fourth.type_count = 5;
    fourth.types = fourth_types;
    fourth.notify = record_notify<4>;
    LibraryRecord* table[] = {&first, nullptr, nullptr, &fourth};

    // A component type may register before the table exists ...
    PropertyDescriptor properties[3] = {};
    register_type_interface(0x00040004, fake_interface, properties, 3);
    g_notified.clear();
    initialise_libraries(table, 4);
    ASSERT_EQ(g_notified.size(), 2u);
    EXPECT_EQ(g_notified[0].library, 1);
    EXPECT_EQ(g_notified[0].code, 5);
    EXPECT_EQ(g_notified[0].first, 1);
    EXPECT_EQ(g_notified[0].second, reinterpret_cast<intptr_t>(&host_service));
    EXPECT_EQ(g_notified[0].third, 0);
    EXPECT_EQ(fourth_types[3].interface_entry, fake_interface);
    EXPECT_EQ(fourth_types[3].property_count, 3);
    EXPECT_EQ(fourth_types[3].properties, properties);

    // ... or after it.
    register_type_interface(0x00010002, fake_interface, nullptr, 0);
    EXPECT_EQ(first_types[1].interface_entry, fake_interface);

    EXPECT_EQ(library_count(), 4);
    EXPECT_EQ(library_record(3), &fourth);
    EXPECT_EQ(library_record(4), nullptr);
    EXPECT_EQ(data_type_record(0x00010001), &first_types[0]);
    EXPECT_EQ(host_service(HostServiceCode::kDataTypeRecord, 0x00040004, 0),
              reinterpret_cast<intptr_t>(&fourth_types[3]));
    EXPECT_EQ(data_type_record(0x00010003), nullptr);  // past the type count
    EXPECT_EQ(data_type_record(0x00010000), nullptr);  // index 0
    EXPECT_EQ(data_type_record(0x00020001), nullptr);  // no library record
    EXPECT_EQ(data_type_record(0x00090001), nullptr);  // no such library

    EXPECT_EQ(library_data_word(3), 0);
    library_data_word(3) = 77;
    g_notified.clear();
    notify_libraries_exit();
    ASSERT_EQ(g_notified.size(), 2u);
    EXPECT_EQ(g_notified[1].library, 4);
    EXPECT_EQ(g_notified[1].code, 6);
    EXPECT_EQ(g_notified[1].first, 77);

    initialise_libraries(nullptr, 0);
}

}  // namespace
}  // namespace qinghe
