// A fresh directory under the temporary folder for one test, removed with everything in it
// afterwards, and whole-file helpers.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "support/system_calls.h"

namespace qinghe::testing_support {

class TempDirectory {
public:
    TempDirectory() : path_(make_temporary_folder()) {}
    ~TempDirectory() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(std::u8string(path_.begin(), path_.end()), ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

inline std::string read_whole_file(const std::string& path) {
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                     std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_whole_file(const std::string& path, std::string_view bytes) {
    std::ofstream(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace qinghe::testing_support
