#include "platform/profile.h"

#include "platform/ascii_case.h"
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/gbk_bytes.h"
#include "platform/profile_file.h"
#include "platform/text_encoding.h"

namespace qinghe::platform {
namespace {

std::mutex g_profile_lock;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kNewFileLineEnd = "\r\n";
// GBK unless the file says it is UTF-8 (see profile.h).
enum class Charset { kGbk, kUtf8 };

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// Case-insensitive for single-byte characters only: the trail byte of a
// GBK double-byte character may be an ASCII letter and must compare
// exactly. UTF-8 bytes of non-ASCII characters are never ASCII letters.
bool same_name(std::string_view a, std::string_view b, Charset charset) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (charset == Charset::kGbk && gbk::is_lead_byte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (!ascii::same_folded(a[i], b[i])) {
            return false;
        }
    }
    return true;
}

// Position of a single-byte character, never matching a GBK trail byte.
size_t find_single_byte(std::string_view s, char c, Charset charset) {
    if (charset == Charset::kUtf8) return s.find(c);
    for (size_t i = 0; i < s.size(); ++i) {
        if (gbk::is_lead_byte(s[i]) && i + 1 < s.size()) {
            ++i;
        } else if (s[i] == c) {
            return i;
        }
    }
    return std::string_view::npos;
}

// At most `limit` bytes, without cutting a double-byte character in two.
std::string_view cut_whole_characters(std::string_view s, size_t limit) {
    size_t end = 0;
    while (end < s.size()) {
        size_t width = (gbk::is_lead_byte(s[end]) && end + 1 < s.size()) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    return s.substr(0, end);
}

struct Line {
    std::string text;  // without the line end
    std::string end;   // "\r\n", "\n" or "" (last line without newline)
};

struct ProfileText {
    Charset charset = Charset::kGbk;
    bool byte_order_mark = false;
    std::string line_end{kNewFileLineEnd};
    std::vector<Line> lines;
};

enum class LineKind { kOther, kSection, kKey };

struct LineInfo {
    LineKind kind = LineKind::kOther;
    std::string_view name;
    size_t value_start = 0;  // key lines: where the trimmed value starts
    std::string_view value;
};

LineInfo classify(std::string_view text, Charset charset) {
    std::string_view body = trim(text);
    if (body.empty() || body.front() == ';') return {};
    if (body.front() == '[') {
        std::string_view inner = body.substr(1);
        std::string_view name = inner.substr(0, find_single_byte(inner, ']', charset));
        return {LineKind::kSection, trim(name), 0, {}};
    }
    size_t equals = text.find('=');
    if (equals == std::string_view::npos) return {};
    std::string_view name = trim(text.substr(0, equals));
    if (name.empty()) return {};
    size_t start = equals + 1;
    while (start < text.size() && is_blank(text[start])) ++start;
    return {LineKind::kKey, name, start, trim(text.substr(start))};
}

// Length of the well-formed UTF-8 sequence at the start of `s` (no
// overlong forms, no surrogates, nothing above U+10FFFF); 0 when there is
// none.
size_t utf8_sequence_length(std::string_view s) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || length > s.size()) return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) return 0;
    if (length == 4 && (code < 0x10000 || code > 0x10FFFF)) return 0;
    return length;
}

// Valid UTF-8 holding at least one non-ASCII character: text an editor
// saved as UTF-8 (GBK text is almost never valid UTF-8).
bool is_non_ascii_utf8(std::string_view s) {
    bool non_ascii = false;
    while (!s.empty()) {
        size_t length = utf8_sequence_length(s);
        if (length == 0) return false;
        non_ascii = non_ascii || length > 1;
        s.remove_prefix(length);
    }
    return non_ascii;
}

ProfileText parse(std::string_view bytes) {
    ProfileText profile;
    if (bytes.starts_with(kByteOrderMark)) {
        profile.byte_order_mark = true;
        bytes.remove_prefix(kByteOrderMark.size());
    }
    if (profile.byte_order_mark || is_non_ascii_utf8(bytes)) profile.charset = Charset::kUtf8;
    bool line_end_known = false;
    while (!bytes.empty()) {
        size_t newline = bytes.find('\n');
        std::string_view text = bytes.substr(0, newline);
        Line line;
        if (newline == std::string_view::npos) {
            bytes = {};
        } else {
            bytes.remove_prefix(newline + 1);
            line.end = "\n";
            if (text.ends_with('\r')) {
                text.remove_suffix(1);
                line.end = "\r\n";
            }
            if (!line_end_known) profile.line_end = line.end;
            line_end_known = true;
        }
        line.text = std::string(text);
        profile.lines.push_back(std::move(line));
    }
    return profile;
}

std::string serialise(const ProfileText& profile) {
    std::string out;
    if (profile.byte_order_mark) out += kByteOrderMark;
    for (const Line& line : profile.lines) out += line.text + line.end;
    return out;
}

struct SectionRange {
    size_t header = 0;
    size_t end = 0;  // one past the section's last line
};

std::vector<SectionRange> find_sections(const ProfileText& profile, std::string_view name) {
    std::vector<SectionRange> found;
    bool inside = false;
    for (size_t i = 0; i < profile.lines.size(); ++i) {
        LineInfo info = classify(profile.lines[i].text, profile.charset);
        if (info.kind != LineKind::kSection) continue;
        if (inside) found.back().end = i;
        inside = same_name(info.name, name, profile.charset);
        if (inside) found.push_back({i, profile.lines.size()});
    }
    return found;
}

std::vector<size_t> find_keys(const ProfileText& profile, SectionRange section,
                              std::string_view key) {
    std::vector<size_t> found;
    for (size_t i = section.header + 1; i < section.end; ++i) {
        LineInfo info = classify(profile.lines[i].text, profile.charset);
        if (info.kind == LineKind::kKey && same_name(info.name, key, profile.charset))
            found.push_back(i);
    }
    return found;
}

// Inserts a line before `position`, giving the line before it a line end
// (CRLF where its text ends in CR, so that the text reads back unchanged).
void insert_line(ProfileText& profile, size_t position, std::string text) {
    if (position > 0 && profile.lines[position - 1].end.empty()) {
        Line& previous = profile.lines[position - 1];
        previous.end = previous.text.ends_with('\r') ? std::string("\r\n") : profile.line_end;
    }
    profile.lines.insert(profile.lines.begin() + std::ptrdiff_t(position),
                         Line{std::move(text), profile.line_end});
}

bool delete_sections(ProfileText& profile, std::string_view section) {
    std::vector<SectionRange> ranges = find_sections(profile, section);
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
        profile.lines.erase(profile.lines.begin() + std::ptrdiff_t(it->header),
                            profile.lines.begin() + std::ptrdiff_t(it->end));
    }
    return !ranges.empty();
}

bool delete_key(ProfileText& profile, std::string_view section, std::string_view key) {
    std::vector<SectionRange> ranges = find_sections(profile, section);
    if (ranges.empty()) return false;
    std::vector<size_t> keys = find_keys(profile, ranges.front(), key);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        profile.lines.erase(profile.lines.begin() + std::ptrdiff_t(*it));
    }
    return !keys.empty();
}

bool set_key(ProfileText& profile, std::string_view section, std::string_view key,
             std::string_view value) {
    std::vector<SectionRange> ranges = find_sections(profile, section);
    std::string key_line = std::string(key) + "=" + std::string(value);
    if (ranges.empty()) {
        size_t end = profile.lines.size();
        insert_line(profile, end, "[" + std::string(section) + "]");
        insert_line(profile, end + 1, std::move(key_line));
        return true;
    }
    SectionRange range = ranges.front();
    std::vector<size_t> keys = find_keys(profile, range, key);
    if (keys.empty()) {
        size_t after = range.header + 1;
        for (size_t i = after; i < range.end; ++i) {
            if (!trim(profile.lines[i].text).empty()) after = i + 1;
        }
        insert_line(profile, after, std::move(key_line));
        return true;
    }
    std::string& text = profile.lines[keys.front()].text;
    std::string replaced =
        text.substr(0, classify(text, profile.charset).value_start) + std::string(value);
    if (replaced == text) return false;
    text = std::move(replaced);
    return true;
}

bool has_line_break(std::string_view s) { return s.find_first_of("\r\n") != s.npos; }

bool writable_names(std::string_view section, std::optional<std::string_view> key,
                    std::optional<std::string_view> value) {
    if (section.empty() || has_line_break(section)) return false;
    if (find_single_byte(section, ']', Charset::kGbk) != std::string_view::npos) return false;
    if (key) {
        if (key->empty() || has_line_break(*key) || key->find('=') != key->npos) return false;
        if (key->front() == '[' || key->front() == ';') return false;
    }
    return !(value && has_line_break(*value));
}

// Texts cross between the caller's GBK and the file's own charset.
std::string to_file_text(const ProfileText& profile, std::string_view gbk) {
    return profile.charset == Charset::kUtf8 ? utf8_from_gbk(gbk) : std::string(gbk);
}

std::string to_program_text(const ProfileText& profile, std::string_view text) {
    return profile.charset == Charset::kUtf8 ? gbk_from_utf8(text) : std::string(text);
}

}  // namespace

std::optional<std::string> read_profile_string(const std::string& path, std::string_view section,
                                               std::string_view key, size_t buffer_size) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty()) return std::nullopt;
    std::lock_guard<std::mutex> guard(g_profile_lock);
    std::optional<std::string> bytes = load_profile_file(path, false);
    if (!bytes) return std::nullopt;
    ProfileText profile = parse(*bytes);
    std::vector<SectionRange> ranges = find_sections(profile, to_file_text(profile, section));
    if (ranges.empty()) return std::nullopt;
    std::vector<size_t> keys = find_keys(profile, ranges.front(), to_file_text(profile, key));
    if (keys.empty()) return std::nullopt;
    std::string value =
        to_program_text(profile, classify(profile.lines[keys.front()].text, profile.charset).value);
    return std::string(cut_whole_characters(value, buffer_size ? buffer_size - 1 : 0));
}

bool write_profile_string(const std::string& path, std::string_view section,
                          std::optional<std::string_view> key,
                          std::optional<std::string_view> value) {
    section = trim(section);
    if (key) key = trim(*key);
    if (!writable_names(section, key, value)) return false;
    std::lock_guard<std::mutex> guard(g_profile_lock);
    std::optional<std::string> bytes = load_profile_file(path, true);
    if (!bytes) return false;
    ProfileText profile = parse(*bytes);
    std::string file_section = to_file_text(profile, section);
    std::string file_key = key ? to_file_text(profile, *key) : std::string();
    bool changed = !key ? delete_sections(profile, file_section)
                   : !value
                       ? delete_key(profile, file_section, file_key)
                       : set_key(profile, file_section, file_key, to_file_text(profile, *value));
    return !changed || replace_profile_file(path, serialise(profile));
}

}  // namespace qinghe::platform
