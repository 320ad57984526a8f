#include "tools/resource_compiler/gbk_text.h"

#include <cerrno>
#include <iconv.h>

namespace qinghe::tools {
namespace {

// Length of the UTF-8 sequence starting with `lead` (1 for a stray byte).
size_t sequence_length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

std::string gbk_from_utf8_strict(std::string_view utf8, const std::string& where) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw CompileError("iconv has no GBK converter");
    std::string out(utf8.size() * 2 + 1, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* dst = out.data();
    size_t dst_left = out.size();
    size_t r = iconv(cd, &in, &in_left, &dst, &dst_left);
    int error = errno;
    iconv_close(cd);
    if (r == size_t(-1)) {
        size_t at = size_t(in - utf8.data());
        std::string bad(utf8.substr(at, sequence_length(static_cast<unsigned char>(utf8[at]))));
        throw CompileError(where + ": " +
                           (error == EILSEQ ? "character \"" + bad + "\" has no GBK code"
                                            : std::string("malformed UTF-8")) +
                           " (byte " + std::to_string(at) + " of \"" + std::string(utf8) + "\")");
    }
    out.resize(out.size() - dst_left);
    return out;
}

}  // namespace qinghe::tools
