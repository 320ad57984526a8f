// BSTRs: UTF-16 units after their byte length, with a closing zero unit.
#include <cstdlib>
#include <cstring>

#include "platform/automation/variant.h"
#include "platform/text_encoding.h"

namespace qinghe::platform {
namespace {

uint32_t* bstr_header(const char16_t* s) {
    return reinterpret_cast<uint32_t*>(const_cast<char16_t*>(s)) - 1;
}

}  // namespace

Bstr bstr_alloc(std::u16string_view text) {
    auto header = static_cast<uint32_t*>(std::malloc(4 + text.size() * 2 + 2));
    if (!header) return nullptr;
    header[0] = uint32_t(text.size() * 2);
    auto units = reinterpret_cast<char16_t*>(header + 1);
    if (!text.empty()) std::memcpy(units, text.data(), text.size() * 2);
    units[text.size()] = 0;
    return units;
}

Bstr bstr_from_text(std::string_view bytes, const char* charset) {
    // Decoded straight into the string, sized for one unit per byte, then
    // cut to what the text takes.
    auto header = static_cast<uint32_t*>(std::malloc(4 + bytes.size() * 2 + 2));
    if (!header) return nullptr;
    const size_t count = utf16_into(bytes, charset, reinterpret_cast<char16_t*>(header + 1));
    if (count < bytes.size()) {
        if (auto smaller = static_cast<uint32_t*>(std::realloc(header, 4 + count * 2 + 2)))
            header = smaller;
    }
    header[0] = uint32_t(count * 2);
    auto units = reinterpret_cast<char16_t*>(header + 1);
    units[count] = 0;
    return units;
}

void bstr_free(Bstr s) {
    if (s) std::free(bstr_header(s));
}

uint32_t bstr_length(const char16_t* s) { return s ? bstr_header(s)[0] / 2 : 0; }

std::u16string_view bstr_view(const char16_t* s) { return {s, bstr_length(s)}; }

GbkOverBstr::GbkOverBstr(Bstr s) : block_(nullptr), size_(0) {
    if (!s) return;
    block_ = reinterpret_cast<char*>(bstr_header(s));
    size_ = gbk_over(bstr_view(s), block_);
    if (void* smaller = std::realloc(block_, size_ ? size_ : 1))
        block_ = static_cast<char*>(smaller);
}

GbkOverBstr::~GbkOverBstr() { std::free(block_); }

Bstr bstr_from_gbk(std::string_view gbk) { return bstr_from_text(gbk, "GBK"); }

std::string gbk_from_bstr(const char16_t* s) { return gbk_from_utf16(bstr_view(s)); }

}  // namespace qinghe::platform
