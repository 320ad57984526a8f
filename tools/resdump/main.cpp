// qinghe-resdump [--properties] [FILE]: prints the program's window
// resource, or the one in FILE, as readable text.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "program_resources.h"
#include "tools/resdump/resource_dump.h"

int main(int argc, char** argv) {
    bool properties = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--properties") properties = true;
        else path = arg;
    }
    std::string file;
    const uint8_t* block = qinghe::resources::form_resource;
    size_t length = qinghe::resources::form_resource_size;
    if (!path.empty()) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        if (!in) {
            std::fprintf(stderr, "qinghe-resdump: cannot read %s\n", path.c_str());
            return 1;
        }
        file = bytes.str();
        block = reinterpret_cast<const uint8_t*>(file.data());
        length = file.size();
    }
    std::vector<std::string> names(
        qinghe::resources::handler_names,
        qinghe::resources::handler_names + qinghe::resources::handler_count);
    auto result = qinghe::tools::dump_form_resource(block, length, names, properties);
    std::fputs(result.text.c_str(), result.ok ? stdout : stderr);
    return result.ok ? 0 : 1;
}
