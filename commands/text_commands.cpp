#include "commands/text_commands.h"

#include "platform/ascii_case.h"
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/byte_search.h"
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

bool has_ascii_letter(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const char lower = ascii::fold(c);
        return lower >= 'a' && lower <= 'z';
    });
}

// Where characters start for a scan that steps over two-byte characters
// from `origin` on. A byte below 0x80 never opens a pair, so whatever
// follows one starts a character; in a run of bytes from 0x80 up,
// characters start at every second byte from the run's start. Queries may
// go up or down: each remembers the run it found, so a search asks about
// every byte at most about twice.
class CharacterStarts {
public:
    explicit CharacterStarts(const char* origin) : origin_(origin), run_(origin), known_(origin) {}

    bool at(const char* p) {
        if (p > known_) {
            const char* low = run_start(p, known_);
            if (low > known_) run_ = low;
            known_ = p;
        } else if (p < run_) {
            run_ = run_start(p, origin_);
            known_ = p;
        }
        return (p - run_) % 2 == 0;
    }

private:
    const char* origin_;
    const char* run_;    // [run_, known_) holds only bytes from 0x80 up,
    const char* known_;  // and run_ is origin_ or follows a byte below 0x80

    // The lowest q in [floor, p] with only bytes from 0x80 up in [q, p).
    static const char* run_start(const char* p, const char* floor) {
        while (p > floor && gbk::opens_pair_in_text_commands(p[-1])) --p;
        return p;
    }
};
enum class Direction { forwards, backwards };

// Where the sought bytes occur in a region, found at memory speed: memmem
// for an exact forward search, else Horspool over ASCII-folded bytes when
// case is ignored. Occurrences inside a two-byte character are found too:
// the caller keeps those that start a character.
class Occurrences {
public:
    Occurrences(std::string_view sought, bool ignore_case, Direction direction)
        : sought_(sought), fold_(ignore_case && has_ascii_letter(sought)) {
        const bool backwards = direction == Direction::backwards;
        if (!fold_ && !backwards) return;  // find_bytes needs no table
        const size_t m = sought.size();
        std::fill(std::begin(shift_), std::end(shift_), m);
        if (backwards) {
            for (size_t j = m - 1; j > 0; --j) shift_[key(sought[j])] = j;
        } else {
            for (size_t j = 0; j + 1 < m; ++j) shift_[key(sought[j])] = m - 1 - j;
        }
    }

    // The first occurrence starting at or after `from` and ending by `end`.
    const char* first(const char* from, const char* end) const {
        const size_t m = sought_.size();
        const size_t size = size_t(end - from);
        if (size < m) return nullptr;
        if (!fold_) return platform::find_bytes(from, size, sought_.data(), m);
        for (const char* p = from;;) {
            if (matches(p)) return p;
            const size_t shift = shift_[key(p[m - 1])];
            if (size_t(end - p) - m < shift) return nullptr;
            p += shift;
        }
    }

    // The last occurrence starting at or before `last` and at or after `begin`.
    const char* last(const char* begin, const char* last) const {
        for (const char* p = last;;) {
            if (matches(p)) return p;
            const size_t shift = shift_[key(*p)];
            if (size_t(p - begin) < shift) return nullptr;
            p -= shift;
        }
    }

private:
    unsigned char key(char c) const {
        return static_cast<unsigned char>(fold_ ? ascii::fold(c) : c);
    }
    bool matches(const char* p) const {
        return fold_ ? equal_ignoring_case(p, sought_.data(), sought_.size())
                     : std::memcmp(p, sought_.data(), sought_.size()) == 0;
    }

    std::string_view sought_;
    bool fold_;
    // Horspool's shifts: forwards by the window's last byte, backwards by
    // its first byte.
    size_t shift_[256];
};

// The search behind find_text and find_text_reverse: the first (or last)
// occurrence at a character start of the region; a backward search takes
// only occurrences that end before the start position. `start` is the
// 1-based start position, or null when omitted.
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
    if (region_length < m) return -1;

    const char* const begin = text.data() + region_begin;
    const char* const end = begin + region_length;
    const Occurrences occurrences(sought, ignore_case, direction);
    CharacterStarts starts(begin);
    const char* p = backwards ? occurrences.last(begin, end - m) : occurrences.first(begin, end);
    while (p && !starts.at(p)) {
        if (!backwards) p = occurrences.first(p + 1, end);
        else p = p == begin ? nullptr : occurrences.last(begin, p - 1);
    }
    return p ? int32_t(p - text.data() + 1) : -1;
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
