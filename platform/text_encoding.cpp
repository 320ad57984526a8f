#include "platform/text_encoding.h"

#include <algorithm>
#include <cstring>

#include "platform/text_encoding_detail.h"

namespace qinghe::platform {

using namespace detail;

namespace {

Codec codec_of(const char* name) {
    if (std::strcmp(name, "UTF-8") == 0) return Codec::kUtf8;
    if (std::strcmp(name, "UTF-16LE") == 0) return Codec::kUtf16;
    if (std::strcmp(name, "GBK") == 0) return Codec::kGbk;
    return Codec::kOther;
}

std::u16string units_of(std::string_view utf16le) {
    std::u16string out(utf16le.size() / 2, u'\0');
    std::memcpy(out.data(), utf16le.data(), out.size() * 2);
    return out;
}

}  // namespace

std::string convert_text(std::string_view input, const char* from, const char* to) {
    if (input.empty()) return {};
    const Codec source = codec_of(from);
    const Codec target = codec_of(to);
    if (source != Codec::kOther && target != Codec::kOther)
        return direct_bytes(input, source, target);
    return system_encode(system_decode(input, from), to);
}

std::u16string utf16_from_text(std::string_view input, const char* from) {
    const Codec source = codec_of(from);
    if (source == Codec::kOther) return units_of(convert_text(input, from, "UTF-16LE"));
    return direct_units(input, source);
}

std::string text_from_utf16(std::u16string_view units, const char* to) {
    const Codec target = codec_of(to);
    if (target == Codec::kOther)
        return convert_text({reinterpret_cast<const char*>(units.data()), units.size() * 2},
                            "UTF-16LE", to);
    return direct_from_units(units, target);
}

std::string gbk_from_utf8(std::string_view utf8) {
    return direct_bytes(utf8, Codec::kUtf8, Codec::kGbk);
}
std::string utf8_from_gbk(std::string_view gbk) {
    return direct_bytes(gbk, Codec::kGbk, Codec::kUtf8);
}
std::u16string utf16_from_gbk(std::string_view gbk) { return direct_units(gbk, Codec::kGbk); }
std::string gbk_from_utf16(std::u16string_view utf16) {
    return direct_from_units(utf16, Codec::kGbk);
}

size_t utf16_into(std::string_view input, const char* from, char16_t* out) {
    const Codec source = codec_of(from);
    if (source != Codec::kOther) return direct_units_into(input, source, out);
    const std::u16string units = utf16_from_text(input, from);
    const size_t count = std::min(units.size(), input.size());
    std::copy_n(units.data(), count, out);
    return count;
}

size_t gbk_from_text_into(std::string_view input, const char* from, char* out) {
    const Codec source = codec_of(from);
    if (source != Codec::kOther) return direct_bytes_into(input, source, Codec::kGbk, out);
    const std::string gbk = convert_text(input, from, "GBK");
    std::copy(gbk.begin(), gbk.end(), out);
    return gbk.size();
}

size_t gbk_into(std::u16string_view units, char* out) {
    return direct_from_units_into(units, Codec::kGbk, out);
}
size_t gbk_over(std::u16string_view units, char* out) { return gbk_over_units(units, out); }

}  // namespace qinghe::platform
