// Every application test runs in the program's environment: its library
// table and its declared DLL commands, as start-up sets them.
#include <gtest/gtest.h>

#include "app/program_libraries.h"
#include "program_resources.h"
#include "runtime/dll_commands.h"
#include "runtime/frame.h"

namespace qinghe::app {
namespace {

class ProgramEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const ProgramHeader& h = resources::program_header;
        set_dll_command_tables(h.dll_command_count, h.dll_file_names, h.dll_exported_names);
        initialise_libraries(program_libraries(), kProgramLibraryCount);
    }
    void TearDown() override { release_dll_commands(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ProgramEnvironment);

}  // namespace
}  // namespace qinghe::app
