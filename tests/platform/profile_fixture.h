// The fixture of the setting-file tests: a fresh folder and a file in it.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/profile.h"
#include "support/temp_directory.h"

namespace qinghe::platform {

constexpr size_t kBuffer = 10240;

class Profile : public ::testing::Test {
protected:
    testing_support::TempDirectory dir;
    std::string path = dir.file("test.ini");

    std::optional<std::string> read(const std::string& section, const std::string& key,
                                    size_t buffer = kBuffer) {
        return read_profile_string(path, section, key, buffer);
    }
};

}  // namespace qinghe::platform
