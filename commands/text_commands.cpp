#include "commands/text_commands.h"

#include "platform/ascii_case.h"
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/gbk_bytes.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

// The argument at index, or null when the caller omitted it or passed fewer.
const TaggedArg* given(int32_t count, const TaggedArg* args, int32_t index) {
    if (index >= count || args[index].omitted()) return nullptr;
    return &args[index];
}

// A text argument; a null pointer reads as the empty text.
std::string_view text_arg(int32_t count, const TaggedArg* args, int32_t index) {
    const TaggedArg* a = given(count, args, index);
    if (!a || !a->text()) return {};
    return a->text();
}

int32_t int_arg(int32_t count, const TaggedArg* args, int32_t index) {
    const TaggedArg* a = given(count, args, index);
    return a ? a->as_int() : 0;
}

void set_text_result(TaggedArg* result, std::string_view bytes) {
    *result = TaggedArg::of_text(make_text(bytes));
}

void set_int_result(TaggedArg* result, int32_t value) { *result = TaggedArg::of_int(value); }

// Steps the cursor over one character of a text whose terminator lies at
// `end`. Returns false when a first byte stands right before the terminator:
// the scan ends there.
bool step_character(const char*& cursor, const char* end, int64_t& remaining) {
    if (gbk::opens_pair_in_text_commands(*cursor)) {
        if (cursor + 1 == end) return false;
        ++cursor;
        --remaining;
    }
    ++cursor;
    --remaining;
    return true;
}

bool equal_ignoring_case(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (!ascii::same_folded(a[i], b[i])) return false;
    }
    return true;
}

enum class Direction { forwards, backwards };

// The search behind find_text and find_text_reverse. `start` is the 1-based
// start position, or null when omitted.
int32_t search_text(std::string_view text, std::string_view sought, const TaggedArg* start,
                    bool ignore_case, Direction direction) {
    const int64_t len = int64_t(text.size());
    const int64_t m = int64_t(sought.size());
    const bool backwards = direction == Direction::backwards;

    int64_t b = start ? std::max<int64_t>(int64_t(start->as_int()) - 1, 0) : (backwards ? len : 0);
    int64_t region_begin = 0;
    int64_t region_length = 0;
    if (backwards) {
        region_length = b <= 0 ? 0 : std::min(b, len);
    } else if (b < len) {
        region_begin = b;
        region_length = len - b;
    }

    if (m == 0) return region_length > 0 ? 1 : -1;

    const char* const text_end = text.data() + len;
    const char* cursor = text.data() + region_begin;
    int64_t remaining = region_length;
    int32_t found = -1;
    while (remaining >= m) {
        bool match = ignore_case ? equal_ignoring_case(cursor, sought.data(), size_t(m))
                                 : (*cursor == sought[0] &&
                                    std::memcmp(cursor, sought.data(), size_t(m)) == 0);
        if (match) {
            found = int32_t(cursor - text.data() + 1);
            if (!backwards) break;
        }
        if (!step_character(cursor, text_end, remaining)) break;
    }
    return found;
}

void find_in_direction(TaggedArg* result, int32_t count, TaggedArg* args, Direction direction) {
    const TaggedArg* ignore = given(count, args, 3);
    set_int_result(result,
                   search_text(text_arg(count, args, 0), text_arg(count, args, 1),
                               given(count, args, 2), ignore && ignore->lo == 1, direction));
}

void set_array_result(TaggedArg* result, const std::vector<char*>& pieces) {
    ArrayBlock* array = make_array(int32_t(pieces.size()), int32_t(sizeof(char*)));
    if (!pieces.empty())
        std::memcpy(array->elements(), pieces.data(), pieces.size() * sizeof(char*));
    *result = TaggedArg::of_pointer(array, TypeTag::kText | TypeTag::kArrayFlag);
}

}  // namespace

void text_length(TaggedArg* result, int32_t count, TaggedArg* args) {
    set_int_result(result, int32_t(text_arg(count, args, 0).size()));
}

void right_text(TaggedArg* result, int32_t count, TaggedArg* args) {
    std::string_view text = text_arg(count, args, 0);
    int64_t n = int_arg(count, args, 1);
    if (n <= 0) return set_text_result(result, {});
    n = std::min<int64_t>(n, int64_t(text.size()));
    set_text_result(result, text.substr(text.size() - size_t(n)));
}

void middle_text(TaggedArg* result, int32_t count, TaggedArg* args) {
    std::string_view text = text_arg(count, args, 0);
    const int64_t len = int64_t(text.size());
    const int64_t pos = int64_t(int_arg(count, args, 1)) - 1;
    int64_t length = int_arg(count, args, 2);
    if (pos < 0 || pos >= len || length <= 0) return set_text_result(result, {});
    length = std::min(length, len - pos);
    set_text_result(result, text.substr(size_t(pos), size_t(length)));
}

void find_text(TaggedArg* result, int32_t count, TaggedArg* args) {
    find_in_direction(result, count, args, Direction::forwards);
}

void find_text_reverse(TaggedArg* result, int32_t count, TaggedArg* args) {
    find_in_direction(result, count, args, Direction::backwards);
}

void split_text(TaggedArg* result, int32_t count, TaggedArg* args) {
    std::string_view text = text_arg(count, args, 0);
    std::string_view separator = given(count, args, 1) ? text_arg(count, args, 1) : ",";
    const TaggedArg* maximum_arg = given(count, args, 2);
    int32_t maximum = maximum_arg ? std::max(maximum_arg->as_int(), 0) : -1;

    std::vector<char*> pieces;
    if (text.empty() || maximum == 0) return set_array_result(result, pieces);
    if (separator.empty()) {
        pieces.push_back(make_text(text));
        return set_array_result(result, pieces);
    }

    const char* const end = text.data() + text.size();
    const char* cursor = text.data();
    const char* piece = cursor;
    const int64_t m = int64_t(separator.size());
    int64_t remaining = int64_t(text.size());
    while (remaining >= m) {
        if (*cursor == separator[0] && std::memcmp(cursor, separator.data(), size_t(m)) == 0) {
            pieces.push_back(make_text(std::string_view(piece, size_t(cursor - piece))));
            cursor += m;
            remaining -= m;
            piece = cursor;
            if (maximum != -1 && --maximum == 0) break;
        } else if (!step_character(cursor, end, remaining)) {
            break;
        }
    }
    if (piece < end && maximum != 0)
        pieces.push_back(make_text(std::string_view(piece, size_t(end - piece))));
    set_array_result(result, pieces);
}

}  // namespace qinghe
