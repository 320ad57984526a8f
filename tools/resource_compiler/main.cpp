// The resource compiler: reads the readable resource sources and writes
// program_resources.h, program_resources.cpp and form_resource.bin.
//
//   qinghe-rc --source-dir DIR --output-dir DIR [--file NAME=PATH]... [--tune PATH]
//
// Files named in the sources (the About picture, the tune) come in by name
// with --file; --tune PATH is --file tune=PATH. Any error stops the build.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/resource_compiler/gbk_text.h"
#include "tools/resource_compiler/generated_source.h"
#include "tools/resource_compiler/resource_source.h"

namespace {

using qinghe::tools::CompileError;

// Writes only when the content changed, so dependants are not rebuilt.
void write_if_changed(const std::string& path, const std::string& content) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream old;
    old << in.rdbuf();
    if (in && old.str() == content) return;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw CompileError(path + ": cannot be written");
}

struct Arguments {
    std::string source_dir;
    std::string output_dir;
    qinghe::tools::NamedFiles files;
};

Arguments parse_arguments(int argc, char** argv) {
    Arguments a;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) throw CompileError("option " + arg + " needs a value");
        std::string value = argv[++i];
        if (arg == "--source-dir") {
            a.source_dir = value;
        } else if (arg == "--output-dir") {
            a.output_dir = value;
        } else if (arg == "--tune") {
            a.files["tune"] = value;
        } else if (arg == "--file" && value.find('=') != std::string::npos) {
            a.files[value.substr(0, value.find('='))] = value.substr(value.find('=') + 1);
        } else {
            throw CompileError("unknown option " + arg);
        }
    }
    if (a.source_dir.empty() || a.output_dir.empty())
        throw CompileError(
            "usage: qinghe-rc --source-dir DIR --output-dir DIR "
            "[--file NAME=PATH]... [--tune PATH]");
    return a;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Arguments args = parse_arguments(argc, argv);
        auto program = qinghe::tools::read_program_source(args.source_dir, args.files);
        std::string block = qinghe::tools::compile_form_resource(program);
        auto files = qinghe::tools::generate_sources(program, block);
        write_if_changed(args.output_dir + "/program_resources.h", files.header);
        write_if_changed(args.output_dir + "/program_resources.cpp", files.source);
        write_if_changed(args.output_dir + "/form_resource.bin", block);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qinghe-rc: error: %s\n", e.what());
        return 1;
    }
}
