// Conversion of any charset iconv knows, through UTF-32.
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string>
#include <string_view>

#include "platform/text_encoding_detail.h"

namespace qinghe::platform::detail {
namespace {

class Converter {
public:
    Converter(const char* from, const char* to) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns the iconv errno (0 = all done)
    // and advances `in` past what was consumed.
    int step(const char*& in, size_t& in_left, std::string& out) {
        char buffer[4096];
        while (in_left > 0) {
            char* src = const_cast<char*>(in);
            char* dst = buffer;
            size_t dst_left = sizeof buffer;
            size_t r = iconv(cd_, &src, &in_left, &dst, &dst_left);
            out.append(buffer, size_t(dst - buffer));
            in = src;
            if (r == size_t(-1) && errno != E2BIG) return errno;
        }
        return 0;
    }

private:
    iconv_t cd_;
};

}  // namespace

// Decodes to UTF-32LE; a malformed byte becomes U+FFFD and is skipped.
std::u32string system_decode(std::string_view input, const char* from) {
    Converter c(from, "UTF-32LE");
    std::u32string result;
    if (!c.ok()) return result;
    std::string raw;
    const char* in = input.data();
    size_t left = input.size();
    while (left > 0) {
        if (c.step(in, left, raw) == 0) break;
        raw.append(reinterpret_cast<const char*>(&kReplacement), 4);
        ++in;
        --left;
    }
    result.resize(raw.size() / 4);
    std::memcpy(result.data(), raw.data(), result.size() * 4);
    return result;
}

// Encodes from UTF-32LE; a character the target cannot hold becomes '?'.
std::string system_encode(const std::u32string& text, const char* to) {
    Converter c("UTF-32LE", to);
    std::string out;
    if (!c.ok()) return out;
    const char* in = reinterpret_cast<const char*>(text.data());
    size_t left = text.size() * 4;
    while (left > 0) {
        if (c.step(in, left, out) == 0) break;
        out.push_back('?');
        in += 4;
        left -= left < 4 ? left : 4;
    }
    return out;
}

}  // namespace qinghe::platform::detail
