// reads the dynamic section of the ELF program (a Windows program is no ELF file)
// qinghe-analyse needs no window system and no synthesizer: the shared
// libraries its ELF file names (DT_NEEDED) include none of Qt, FluidSynth or
// the graphics and image libraries only the desktop program uses. A library
// one of them names needs it, so the direct entries are enough to check.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qinghe {
namespace {

template <typename T>
bool read_at(const std::string& file, uint64_t offset, T& out) {
    if (offset > file.size() || file.size() - offset < sizeof(T)) return false;
    std::memcpy(&out, file.data() + offset, sizeof(T));
    return true;
}

// The DT_NEEDED names of a 64-bit ELF file, from its dynamic section and the
// string table that section links to; empty when the file is none.
std::vector<std::string> needed_libraries(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Elf64_Ehdr header{};
    if (!read_at(file, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64)
        return {};
    auto section = [&](uint64_t index, Elf64_Shdr& out) {
        return index < header.e_shnum &&
               read_at(file, header.e_shoff + index * header.e_shentsize, out);
    };
    std::vector<std::string> names;
    Elf64_Shdr dynamic{}, strings{};
    for (uint64_t i = 0; section(i, dynamic); ++i) {
        if (dynamic.sh_type != SHT_DYNAMIC || !section(dynamic.sh_link, strings)) continue;
        Elf64_Dyn entry{};
        for (uint64_t at = dynamic.sh_offset;
             at < dynamic.sh_offset + dynamic.sh_size && read_at(file, at, entry);
             at += sizeof entry)
            if (entry.d_tag == DT_NEEDED && entry.d_un.d_val < strings.sh_size)
                names.emplace_back(file.c_str() + strings.sh_offset + entry.d_un.d_val);
    }
    return names;
}

TEST(AnalyseProgramLinks, NoWindowSystemNoSynthesizerButTheHttpLibrary) {
    const std::vector<std::string> needed = needed_libraries(QINGHE_ANALYSE_BINARY);
    ASSERT_FALSE(needed.empty()) << "no dynamic section read from " << QINGHE_ANALYSE_BINARY;
    bool http_library = false;
    for (const std::string& name : needed) {
        http_library = http_library || name.starts_with("libcurl.");
        for (const char* desktop_only :
             {"libQt", "libfluidsynth", "libGL", "libOpenGL", "libX11", "libxcb", "libpng",
              "libjpeg", "libSDL", "libpulse", "libjack", "libicu"})
            EXPECT_FALSE(name.starts_with(desktop_only)) << name;
    }
    EXPECT_TRUE(http_library);
}

}  // namespace
}  // namespace qinghe
