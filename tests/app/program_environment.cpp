// Every application test runs in the program's environment: its library
// table and its declared DLL commands, as start-up sets them.
#include <gtest/gtest.h>

#include "app/program_libraries.h"
#include "runtime/dll_commands.h"
#include "runtime/frame.h"

namespace qinghe::app {
namespace {

class ProgramEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static const char* const files[] = {"kernel32.dll", "kernel32.dll", "ole32.dll", "ole32.dll"};
        static const char* const exports[] = {"CreateThread", "CloseHandle", "CoInitialize",
                                              "CoUninitialize"};
        set_dll_command_tables(4, files, exports);
        initialise_libraries(program_libraries(), kProgramLibraryCount);
    }
    void TearDown() override { release_dll_commands(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ProgramEnvironment);

}  // namespace
}  // namespace qinghe::app
