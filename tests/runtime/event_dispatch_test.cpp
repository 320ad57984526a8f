// Event dispatch over a window table without live windows: handler
// lookup, its failures, argument widening and results, and the current
// event source.
#include <gtest/gtest.h>

#include "support/report_capture.h"
#include "runtime/event_dispatch.h"
#include "runtime/event_suspension.h"
#include "runtime/form_resource.h"
#include "runtime/frame.h"
#include "runtime/runtime_object.h"

namespace qinghe::testing {
namespace {

constexpr uint32_t kWindow = 0x52000001, kOwn = 0x06000001, kFirst = 0x16000002,
                   kArrayMember = 0x16000003, kSilent = 0x16000004;
constexpr uint32_t kEventType = 0x00010001, kSilentType = 0x00010002;

std::vector<uint32_t> g_words;
uint32_t g_source[2];

HandlerResult remember(const uint32_t* args, int32_t count) {
    g_words.assign(args, args + count);
    current_event_source(&g_source[0], &g_source[1]);
    return HandlerResult::of(11, 22);
}

class EventDispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        while (event_suspension_count() > 0) lower_event_suspension();
        types_[0].flags = TypeFlag::kRaisesEvents;
        types_[1].flags = 0;
        library_.type_count = 2;
        library_.types = types_;
        libraries_[0] = &library_;
        initialise_libraries(libraries_, 1);
        FormWindow w;
        w.id = kWindow;
        w.units = {make(kOwn, kEventType), make(kFirst, kEventType), make(kArrayMember, kEventType),
                   make(kSilent, kSilentType)};
        w.units[1].events = {{-1, 0, &remember}, {-2, 0xFFFFFFFF, nullptr}};
        w.units[2].array_base = kFirst;
        WindowTable table;
        table.windows.push_back(std::move(w));
        install_window_table(std::move(table));
        g_words.clear();
    }
    void TearDown() override {
        reset_form_engine();
        while (event_suspension_count() > 0) lower_event_suspension();
        initialise_libraries(nullptr, 0);
    }
    static FormUnit make(uint32_t id, uint32_t type) {
        FormUnit u;
        u.id = id;
        u.type = type;
        return u;
    }
    DataTypeRecord types_[2] = {};
    LibraryRecord library_;
    LibraryRecord* libraries_[1] = {};
};

TEST_F(EventDispatchTest, TypedArgumentsAreWidenedAsTheHandlerExpects) {
    TypedEventRecord r;
    r.window_id = kWindow;
    r.unit_id = kFirst;
    r.event = -1;
    r.count = 6;
    r.args[0] = {0xFFFFFF80, 0, TypeTag::kByte, 0};
    r.args[1] = {0x0000FF80, 0, TypeTag::kShort, 0};
    r.args[2] = {1, 2, TypeTag::kDouble, 0};
    r.args[3] = {3, 4, TypeTag::kInt, 1};  // by reference: lo only
    r.args[4] = {5, 6, TypeTag::kInt, 2};  // both words asked for
    r.args[5] = {7, 8, TypeTag::kText, 0};
    EXPECT_EQ(fire_typed_event(&r), 1);
    EXPECT_EQ(g_words, (std::vector<uint32_t>{0x80, 0xFFFFFF80, 1, 2, 3, 5, 6, 7}));
    EXPECT_EQ(r.has_result, 1u);
    EXPECT_EQ(r.result[0], 11u);
    EXPECT_EQ(r.result[1], 22u);
}

TEST_F(EventDispatchTest, ArrayMembersShareBindingsAndTheSourceIsSetOnlyDuringTheCall) {
    EventRecord r{kWindow, kArrayMember, -1, 2, {9, 8}};
    EXPECT_EQ(fire_event(&r), 1);
    EXPECT_EQ(g_words, (std::vector<uint32_t>{9, 8}));
    EXPECT_EQ(r.result, 11u);
    EXPECT_EQ(g_source[0], kWindow);
    EXPECT_EQ(g_source[1], kArrayMember);
    uint32_t w, u;
    EXPECT_FALSE(current_event_source(&w, &u));
}

TEST_F(EventDispatchTest, NoHandlerForUnboundNullOrSuspendedEvents) {
    EXPECT_EQ(find_handler(kWindow, kFirst, -3), nullptr);
    EXPECT_EQ(find_handler(kWindow, kFirst, -2), nullptr);  // 0xFFFFFFFF: no handler
    EXPECT_EQ(find_handler(kWindow, 0, -1), nullptr);       // the window's own unit
    raise_event_suspension();
    EXPECT_EQ(find_handler(kWindow, kFirst, -1), nullptr);
    lower_event_suspension();
    EXPECT_EQ(find_handler(kWindow, kFirst, -1), &remember);
}

TEST_F(EventDispatchTest, MissingWindowUnitOrEventlessTypeIsARuntimeError) {
    struct Row {
        uint32_t window_id, unit_id;
        const char* message;
    };
    const Row rows[] = {{0x52000009, kFirst, "未找到引发事件的窗口"},
                        {kWindow, 0x16000009, "未找到引发事件的窗口组件"},
                        {kWindow, kSilent, "引发事件的窗口组件无效"}};
    for (const Row& row : rows) {
        ReportCapture capture;
        EXPECT_EQ(exit_code_of([&] { find_handler(row.window_id, row.unit_id, -1); }), -1);
        EXPECT_NE(capture.utf8().find(row.message), std::string::npos) << capture.utf8();
        while (event_suspension_count() > 0) lower_event_suspension();
    }
}

}  // namespace
}  // namespace qinghe::testing
