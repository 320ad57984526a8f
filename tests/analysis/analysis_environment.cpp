// Every analysis test runs in qinghe-analyse's environment: its library
// table and the program's declared DLL commands, with no window system.
#include <gtest/gtest.h>

#include "analysis/analysis_start.h"
#include "program_resources.h"
#include "runtime/dll_commands.h"
#include "runtime/frame.h"

namespace qinghe::app {
namespace {

class AnalysisEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const ProgramHeader& h = resources::program_header;
        set_dll_command_tables(h.dll_command_count, h.dll_file_names, h.dll_exported_names);
        initialise_libraries(analysis_libraries(), kAnalysisLibraryCount);
    }
    void TearDown() override { release_dll_commands(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new AnalysisEnvironment);

}  // namespace
}  // namespace qinghe::app
