// No source file includes a header of a layer above its own. The table below
// is the layering; the test reads every source of the layer folders and
// checks each include against it, so a new upward include fails here. The
// analysis (analysis/) is what qinghe-analyse links: besides its table row it
// includes nothing of the window system or the synthesizer, neither a Qt or
// FluidSynth header nor a header of the runtime, command or platform files
// that the build puts in their window or music libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace qinghe {
namespace {

namespace fs = std::filesystem;

struct Layer {
    std::string folder;                    // relative to the source tree
    std::vector<std::string> may_include;  // layer folders, its own first
};

// app -> analysis -> commands, net -> runtime -> platform; app also reaches
// components, which are beside commands and net. The three in the
// middle are separate libraries and include none of each other. Inside the
// analysis, cli/ -> output/ -> today/ (today's quotes and estimates) -> the
// analysis proper, history/ and sources/:
// what reads the site's answers and what stores them never include how a
// run is written out or started from the command line. The image
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
        {"analysis/sources",
         {"analysis/sources", "analysis", "commands", "net", "runtime", "platform"}},
        {"analysis/history",
         {"analysis/history", "analysis", "analysis/sources", "commands", "net", "runtime",
          "platform"}},
        {"analysis",
         {"analysis", "analysis/sources", "analysis/history", "commands", "net", "runtime",
          "platform"}},
        {"analysis/today",
         {"analysis/today", "analysis", "analysis/sources", "analysis/history", "commands", "net",
          "runtime", "platform"}},
        {"analysis/output",
         {"analysis/output", "analysis", "analysis/sources", "analysis/history", "analysis/today",
          "commands", "net", "runtime", "platform"}},
        {"analysis/cli",
         {"analysis/cli", "analysis/output", "analysis", "analysis/sources", "analysis/history",
          "analysis/today", "commands", "net", "runtime", "platform"}},
        {"app",
         {"app", "analysis", "analysis/sources", "analysis/history", "analysis/output",
          "analysis/today", "analysis/cli", "commands", "components", "components/image", "net",
          "runtime", "platform"}},
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

// The headers of the files a folder's CMakeLists.txt names in a
// `set(VARIABLE file.cpp ...)` line: the sources it builds into a library of
// their own.
std::set<std::string> headers_set_aside(const std::string& folder, const std::string& variable) {
    std::ifstream in(fs::path(QINGHE_SOURCE_DIR) / folder / "CMakeLists.txt");
    std::stringstream text;
    text << in.rdbuf();
    std::smatch found;
    const std::string cmake = text.str();
    std::set<std::string> headers;
    if (!std::regex_search(cmake, found, std::regex("set\\(" + variable + "([^)]*)\\)")))
        return headers;
    std::istringstream files(found[1].str());
    for (std::string file; files >> file;)
        if (file.ends_with(".cpp"))
            headers.insert(folder + "/" + file.substr(0, file.size() - 4) + ".h");
    return headers;
}

// Headers of the window system's and the synthesizer's side of the lower
// layers: the form engine, the window and music commands, the MIDI device.
const std::set<std::string>& window_side_headers() {
    static const std::set<std::string> headers = [] {
        std::set<std::string> all = headers_set_aside("runtime", "form_engine_sources");
        all.merge(headers_set_aside("commands", "group_sources"));
        all.merge(headers_set_aside("platform", "midi_sources"));
        return all;
    }();
    return headers;
}

// Whether the analysis may include `header`: quoted (a path) or, with
// `angled`, a system header's name.
bool analysis_may_include(const std::string& header, bool angled) {
    if (angled) return !header.starts_with("Q") && !header.starts_with("fluidsynth");
    return !window_side_headers().contains(header);
}

// The header of an `#include "path"` or `#include <name>` line, if the line
// is one; `angled` tells which.
std::optional<std::string> any_include(const std::string& line, bool& angled) {
    static const std::regex include("^\\s*#\\s*include\\s*([<\"])([^>\"]*)[>\"]");
    std::smatch found;
    if (line.find("include") == std::string::npos || !std::regex_search(line, found, include))
        return std::nullopt;
    angled = found[1] == "<";
    return found[2].str();
}

TEST(Layering, TheAnalysisRuleRejectsTheWindowSystemAndTheSynthesizer) {
    struct Row {
        const char* header;
        bool angled;
        bool allowed;
    };
    const Row rows[] = {
        {"runtime/frame.h", false, true},
        {"runtime/runtime_object.h", false, false},
        {"runtime/property_access.h", false, false},
        {"commands/text_commands.h", false, true},
        {"commands/music_commands.h", false, false},
        {"platform/profile.h", false, true},
        {"platform/midi.h", false, false},
        {"QString", true, false},
        {"QtCore/QString", true, false},
        {"fluidsynth.h", true, false},
        {"string", true, true},
        {"curl/curl.h", true, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(analysis_may_include(row.header, row.angled), row.allowed) << row.header;
    EXPECT_FALSE(may_include("analysis/x.cpp", "components/list_box.h"));
    EXPECT_FALSE(may_include("analysis/x.cpp", "app/analysis_run.h"));
    EXPECT_TRUE(may_include("app/x.cpp", "analysis/holdings_collector.h"));
}

TEST(Layering, TheAnalysisIncludesNothingOfTheWindowSystemOrTheSynthesizer) {
    const fs::path root = QINGHE_SOURCE_DIR;
    std::vector<std::string> found;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root / "analysis")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".cpp" && extension != ".h") continue;
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            bool angled = false;
            std::optional<std::string> header = any_include(line, angled);
            if (header && !analysis_may_include(*header, angled))
                found.push_back(entry.path().lexically_relative(root).generic_string() + ":" +
                                std::to_string(number) + " includes " + *header);
        }
    }
    EXPECT_GT(files, 20) << "the analysis folder was not found under " << root;
    EXPECT_GT(window_side_headers().size(), 10u) << "the window-side file lists were not found";
    for (const std::string& include : found) ADD_FAILURE() << include;
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
        {"analysis/sources/page_source.cpp", "analysis/fund_report.h", true},
        {"analysis/sources/page_source.cpp", "analysis/output/analysis_output.h", false},
        {"analysis/sources/page_source.cpp", "analysis/history/history_store.h", false},
        {"analysis/history/run_history.cpp", "analysis/holdings_collector.h", true},
        {"analysis/history/run_history.cpp", "analysis/cli/analyse_options.h", false},
        {"analysis/holdings_pipeline.cpp", "analysis/history/run_history.h", true},
        {"analysis/holdings_pipeline.cpp", "analysis/output/analysis_output.h", false},
        {"analysis/output/history_listing.cpp", "analysis/history/history_store.h", true},
        {"analysis/output/analysis_output.cpp", "analysis/cli/analyse_options.h", false},
        {"analysis/cli/qinghe_analyse_main.cpp", "analysis/output/output_file.h", true},
        {"app/analysis_run.cpp", "analysis/output/holder_tips.h", true},
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
                bool angled = false;
                std::optional<std::string> header = any_include(line, angled);
                if (header && !angled && !may_include(file, *header))
                    upward.push_back(file + ":" + std::to_string(number) + " includes " + *header);
            }
        }
    }
    EXPECT_GT(files, 100) << "the layer folders were not found under " << root;
    for (const std::string& include : upward) ADD_FAILURE() << include;
}

}  // namespace
}  // namespace qinghe
