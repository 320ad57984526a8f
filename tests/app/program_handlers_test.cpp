// The handler table against the handler list the window resource binds by
// position: the same names, in the same order.
#include <gtest/gtest.h>

#include "app/program_handlers.h"
#include "program_resources.h"

namespace qinghe::app {
namespace {

TEST(ProgramHandlers, EachEntryIsTheHandlerTheResourceNamesAtItsPosition) {
    ASSERT_EQ(program_handler_count(), resources::handler_count);
    for (size_t i = 0; i < resources::handler_count; ++i)
        EXPECT_STREQ(program_handler_names()[i], resources::handler_names[i]) << "entry " << i;
}

}  // namespace
}  // namespace qinghe::app
