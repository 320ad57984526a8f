#include "analysis/sources/charset_conversion.h"

#include <cstring>
#include <string>
#include <string_view>

#include "platform/automation/stream_object.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

constexpr int32_t kByteSetMark = 1;

// The byte-order mark a text in `encoding` may start with; it is no part of
// the text.
std::string_view byte_order_mark(const char* encoding) {
    if (std::strcmp(encoding, "UTF-8") == 0) return "\xEF\xBB\xBF";
    if (std::strcmp(encoding, "UTF-16LE") == 0) return "\xFF\xFE";
    if (std::strcmp(encoding, "UTF-16BE") == 0) return "\xFE\xFF";
    return {};
}

std::string_view without_mark(std::string_view input, const char* encoding) {
    const std::string_view mark = byte_order_mark(encoding);
    if (!mark.empty() && input.starts_with(mark)) input.remove_prefix(mark.size());
    return input;
}

// The input decoded straight into a new heap block as GBK, after `header`
// bytes the caller fills, up to its first zero character (a text ends
// there) and with a zero after it; null when no text is left. The block is
// taken at the largest size the text can take and given back to its size.
char* gbk_block(std::string_view input, const char* encoding, size_t header, size_t& size) {
    const size_t room = input.size() * platform::kGbkBytesPerUnit + 1;
    auto block = static_cast<char*>(mem_alloc(header + room));
    char* out = block + header;
    size = platform::gbk_from_text_into(input, encoding, out);
    if (const void* zero = std::memchr(out, 0, size))
        size = size_t(static_cast<const char*>(zero) - out);
    if (size == 0) {
        mem_free(block);
        return nullptr;
    }
    block = static_cast<char*>(mem_realloc(block, header + size + 1));
    block[header + size] = 0;
    return block;
}

ByteSet* gbk_byte_set(std::string_view input, const char* encoding) {
    size_t size = 0;
    auto block = reinterpret_cast<ByteSet*>(gbk_block(input, encoding, sizeof(ByteSet), size));
    if (block) *block = {kByteSetMark, int32_t(size)};
    return block;
}

// The program's text in another charset; a Unicode text starts with its
// byte-order mark, an empty one too.
ByteSet* encoded(const ByteSet* gbk, const char* encoding) {
    std::string bytes = platform::convert_text(byte_set_view(gbk), "GBK", encoding);
    if (std::strcmp(encoding, "UTF-16LE") == 0) bytes.insert(0, byte_order_mark(encoding));
    return make_byte_set(bytes);
}

}  // namespace

char* program_text(std::string_view bytes, const char* from) {
    const char* source = platform::stream_charset_encoding(from ? from : "");
    return source ? program_text_of_piece(without_mark(bytes, source), from) : nullptr;
}

char* program_text_of_piece(std::string_view bytes, const char* from) {
    const char* source = platform::stream_charset_encoding(from ? from : "");
    if (!source) return nullptr;
    size_t size = 0;
    return gbk_block(bytes, source, 0, size);
}

ByteSet* convert_charset(const ByteSet* bytes, const char* from, const char* to) {
    const char* source = platform::stream_charset_encoding(from ? from : "");
    const char* target = platform::stream_charset_encoding(to ? to : "");
    if (!source || !target) return nullptr;
    ByteSet* gbk = gbk_byte_set(without_mark(byte_set_view(bytes), source), source);
    if (std::strcmp(target, "GBK") == 0) return gbk;
    ByteSet* result = encoded(gbk, target);
    mem_free(gbk);
    return result;
}

}  // namespace qinghe
