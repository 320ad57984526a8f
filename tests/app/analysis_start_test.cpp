// qinghe-analyse's library table numbers its libraries as the desktop
// program's does, so a library's number and data word mean the same in both.
#include <gtest/gtest.h>

#include "analysis/analysis_start.h"
#include "app/program_libraries.h"

namespace qinghe::app {
namespace {

TEST(AnalysisStart, LibrariesKeepTheDesktopProgramsNumbers) {
    ASSERT_LE(kAnalysisLibraryCount, kProgramLibraryCount);
    for (int32_t i = 0; i < kAnalysisLibraryCount; ++i)
        EXPECT_EQ(analysis_libraries()[i], program_libraries()[i]) << i;
}

}  // namespace
}  // namespace qinghe::app
