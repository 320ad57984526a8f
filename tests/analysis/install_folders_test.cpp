// The rule of every system: a program under an install folder keeps its
// files in the user's folders (the XDG folders; %APPDATA% and %LOCALAPPDATA%
// on Windows), a copy anywhere else beside itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "analysis/history/history_location.h"
#include "analysis/settings_location.h"
#include "platform/user_folders.h"
#include "support/system_calls.h"
#include "support/temp_directory.h"

namespace qinghe::app {
namespace {

using testing_support::TempDirectory;

// Sets an environment variable for the test and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(std::string name, const std::string& value)
        : name_(std::move(name)), saved_(platform::environment_variable(name_.c_str())) {
        testing_support::set_variable(name_, value);
    }
    ~ScopedVariable() {
        if (saved_) testing_support::set_variable(name_, *saved_);
        else testing_support::unset_variable(name_);
    }

private:
    std::string name_;
    std::optional<std::string> saved_;
};

TEST(InstallFolders, ProgramUnderAnInstallFolderKeepsItsFilesInTheUsersFolders) {
    TempDirectory dir;
    for (const char* folder : {"/Programs/qinghe", "/portable", "/settings", "/data"})
        std::filesystem::create_directories(
            std::filesystem::path(std::u8string(dir.path().begin(), dir.path().end())) /
            std::u8string(folder + 1, folder + std::char_traits<char>::length(folder)));
    const ScopedVariable prefixes(
        "QINGHE_SYSTEM_PREFIXES",
        dir.file("Programs") + platform::folder_list_separator() + dir.file("elsewhere"));
    EXPECT_FALSE(keeps_files_beside_itself(dir.file("Programs/qinghe")));
    EXPECT_TRUE(keeps_files_beside_itself(dir.file("portable")));

    const ScopedVariable settings(platform::settings_folder_rule().variable, dir.file("settings"));
    const ScopedVariable data(platform::data_folder_rule().variable, dir.file("data"));
    const std::optional<std::string> settings_base =
        platform::environment_variable(platform::settings_folder_rule().variable);
    const std::optional<std::string> data_base =
        platform::environment_variable(platform::data_folder_rule().variable);
    ASSERT_TRUE(settings_base && data_base);
    EXPECT_EQ(user_settings_folder(settings_base->c_str(), nullptr), dir.file("settings/qinghe"));
    EXPECT_EQ(user_data_folder(data_base->c_str(), nullptr), dir.file("data/qinghe"));
}

}  // namespace
}  // namespace qinghe::app
