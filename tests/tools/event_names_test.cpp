// Event names of the window sources: every listed event reads back to its
// name, window events only on a window unit, and unnamed numbers print as
// decimals.
#include <gtest/gtest.h>

#include "runtime/event_numbers.h"
#include "tools/event_names.h"

namespace qinghe::tools {
namespace {

TEST(EventNames, EveryListedEventRoundTrips) {
    for (const EventName& e : kCommonEventNames) {
        EXPECT_EQ(event_number(e.name, false), e.number) << e.name;
        EXPECT_EQ(event_name(e.number, false), e.name);
    }
    for (const EventName& e : kFormEventNames) {
        EXPECT_EQ(event_number(e.name, true), e.number) << e.name;
        EXPECT_EQ(event_name(e.number, true), e.name);
    }
}

TEST(EventNames, KindAndUnknowns) {
    struct Row {
        const char* label;
        const char* name;
        bool window_unit;
        std::optional<int32_t> number;
    };
    const Row rows[] = {
        {"common event on a window", "double_click", true, CommonEvent::kDoubleClick},
        {"window event on a component", "first_activation", false, std::nullopt},
        {"window event on a window", "close_requested_first", true, FormEvent::kCloseRequest},
        {"unknown name", "clicked", true, std::nullopt},
        {"case matters", "Created", true, std::nullopt},
    };
    for (const Row& r : rows) EXPECT_EQ(event_number(r.name, r.window_unit), r.number) << r.label;
    EXPECT_EQ(event_name(FormEvent::kShown, false), "10");  // not a component's event
    EXPECT_EQ(event_name(7, true), "7");                    // no window event 7
    EXPECT_EQ(event_name(-13, false), "-13");
}

}  // namespace
}  // namespace qinghe::tools
