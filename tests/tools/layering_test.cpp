// No source file includes a header of a layer above its own. The table below
// is the layering; the test reads every source of the layer folders and
// checks each include against it, so a new upward include fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace qinghe {
namespace {

namespace fs = std::filesystem;

struct Layer {
    std::string folder;                    // relative to the source tree
    std::vector<std::string> may_include;  // layer folders, its own first
};

// app -> commands, components, net -> runtime -> platform; the three in the
// middle are separate libraries and include none of each other. The image
// decoders are as low as platform: they build alone (the fuzz targets link
// nothing else) and include only their own headers. tools/, tests/, bench/
// and resources/ are no layer and may include anything.
const std::vector<Layer>& layers() {
    static const std::vector<Layer> table = {
        {"platform", {"platform"}},
        {"components/image", {"components/image"}},
        {"runtime", {"runtime", "platform"}},
        {"commands", {"commands", "runtime", "platform"}},
        {"components", {"components", "components/image", "runtime", "platform"}},
        {"net", {"net", "runtime", "platform"}},
        {"analysis", {"analysis", "commands", "net", "runtime", "platform"}},
        {"app",
         {"app", "analysis", "commands", "components", "components/image", "net", "runtime",
          "platform"}},
    };
    return table;
}

bool inside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

// The layer of a source path, the innermost folder that holds it.
const Layer* layer_of(const std::string& path) {
    const Layer* found = nullptr;
    for (const Layer& layer : layers())
        if (inside(path, layer.folder) && (!found || layer.folder.size() > found->folder.size()))
            found = &layer;
    return found;
}

// Whether `file` may include `header` (as written between the quotes): a
// header without a folder is the file's neighbour or a generated one; any
// other must belong to a layer that the file's layer may include.
bool may_include(const std::string& file, const std::string& header) {
    const Layer* layer = layer_of(file);
    if (!layer || header.find('/') == std::string::npos) return true;
    std::string path = header;
    if (path.starts_with("."))
        path = (fs::path(file).parent_path() / header).lexically_normal().generic_string();
    const Layer* target = layer_of(path);
    const std::vector<std::string>& allowed = layer->may_include;
    return target && std::find(allowed.begin(), allowed.end(), target->folder) != allowed.end();
}

// The path of a quoted `#include "path"` line, if the line is one.
std::optional<std::string> quoted_include(const std::string& line) {
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#') return std::nullopt;
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0) return std::nullopt;
    const size_t open = line.find('"', at + 7);
    const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos) return std::nullopt;
    return line.substr(open + 1, close - open - 1);
}

TEST(Layering, TheRuleAllowsDownwardAndRejectsUpwardIncludes) {
    struct Row {
        const char* file;
        const char* header;
        bool allowed;
    };
    const Row rows[] = {
        {"runtime/frame.cpp", "platform/profile.h", true},
        {"runtime/frame.cpp", "runtime/values.h", true},
        {"platform/profile.cpp", "runtime/values.h", false},
        {"runtime/frame.cpp", "components/label.h", false},
        {"commands/text_commands.cpp", "components/label.h", false},
        {"components/label.cpp", "commands/text_commands.h", false},
        {"net/http_read.cpp", "app/analysis_run.h", false},
        {"app/analysis_run.cpp", "net/http_read.h", true},
        {"app/analysis_run.cpp", "support/loopback_server.h", false},
        {"runtime/frame.cpp", "tools/event_names.h", false},
        {"components/label.cpp", "components/image/gif_reader.h", true},
        {"components/image/gif_reader.cpp", "components/image/byte_reader.h", true},
        {"components/image/gif_reader.cpp", "components/label.h", false},
        {"components/image/gif_reader.cpp", "platform/profile.h", false},
        {"runtime/frame.cpp", "../app/analysis_run.h", false},
        {"app/analysis_run.cpp", "program_resources.h", true},
        {"tools/resdump/main.cpp", "app/analysis_run.h", true},
        {"tests/app/x_test.cpp", "app/analysis_run.h", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(may_include(row.file, row.header), row.allowed)
            << row.file << " -> " << row.header;
}

TEST(Layering, NoSourceIncludesAHeaderOfAHigherLayer) {
    const fs::path root = QINGHE_SOURCE_DIR;
    std::vector<std::string> upward;
    int files = 0;
    for (const Layer& layer : layers()) {
        for (const auto& entry : fs::recursive_directory_iterator(root / layer.folder)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h") continue;
            const std::string file = entry.path().lexically_relative(root).generic_string();
            if (layer_of(file) != &layer) continue;  // a lower layer in a subfolder
            ++files;
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::optional<std::string> header = quoted_include(line);
                if (header && !may_include(file, *header))
                    upward.push_back(file + ":" + std::to_string(number) + " includes " + *header);
            }
        }
    }
    EXPECT_GT(files, 100) << "the layer folders were not found under " << root;
    for (const std::string& include : upward) ADD_FAILURE() << include;
}

}  // namespace
}  // namespace qinghe
