#include "platform/profile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/file_io.h"

namespace qinghe::platform {
namespace {

std::mutex g_profile_lock;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kNewFileLineEnd = "\r\n";

bool is_lead_byte(char c) { return static_cast<unsigned char>(c) >= 0x81; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Case-insensitive for single-byte characters only: the trail byte of a
// double-byte character may be an ASCII letter and must compare exactly.
bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (is_lead_byte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (ascii_lower(a[i]) != ascii_lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Position of a single-byte character, never matching a trail byte.
size_t find_single_byte(std::string_view s, char c) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (is_lead_byte(s[i]) && i + 1 < s.size()) {
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
        size_t width = (is_lead_byte(s[end]) && end + 1 < s.size()) ? 2 : 1;
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

LineInfo classify(std::string_view text) {
    std::string_view body = trim(text);
    if (body.empty() || body.front() == ';') return {};
    if (body.front() == '[') {
        std::string_view inner = body.substr(1);
        return {LineKind::kSection, trim(inner.substr(0, find_single_byte(inner, ']'))), 0, {}};
    }
    size_t equals = text.find('=');
    if (equals == std::string_view::npos) return {};
    std::string_view name = trim(text.substr(0, equals));
    if (name.empty()) return {};
    size_t start = equals + 1;
    while (start < text.size() && is_blank(text[start])) ++start;
    return {LineKind::kKey, name, start, trim(text.substr(start))};
}

ProfileText parse(std::string_view bytes) {
    ProfileText profile;
    if (bytes.starts_with(kByteOrderMark)) {
        profile.byte_order_mark = true;
        bytes.remove_prefix(kByteOrderMark.size());
    }
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
        LineInfo info = classify(profile.lines[i].text);
        if (info.kind != LineKind::kSection) continue;
        if (inside) found.back().end = i;
        inside = same_name(info.name, name);
        if (inside) found.push_back({i, profile.lines.size()});
    }
    return found;
}

std::vector<size_t> find_keys(const ProfileText& profile, SectionRange section,
                              std::string_view key) {
    std::vector<size_t> found;
    for (size_t i = section.header + 1; i < section.end; ++i) {
        LineInfo info = classify(profile.lines[i].text);
        if (info.kind == LineKind::kKey && same_name(info.name, key)) found.push_back(i);
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
    std::string replaced = text.substr(0, classify(text).value_start) + std::string(value);
    if (replaced == text) return false;
    text = std::move(replaced);
    return true;
}

bool has_line_break(std::string_view s) { return s.find_first_of("\r\n") != s.npos; }

bool writable_names(std::string_view section, std::optional<std::string_view> key,
                    std::optional<std::string_view> value) {
    if (section.empty() || has_line_break(section)) return false;
    if (find_single_byte(section, ']') != std::string_view::npos) return false;
    if (key) {
        if (key->empty() || has_line_break(*key) || key->find('=') != key->npos) return false;
        if (key->front() == '[' || key->front() == ';') return false;
    }
    return !(value && has_line_break(*value));
}

// The file's bytes; an empty optional when it cannot be read. A missing
// file reads as empty when `missing_is_empty`.
std::optional<std::string> load(const std::string& path, bool missing_is_empty) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT && missing_is_empty) return std::string();
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(buffer, size_t(n));
    }
    ::close(fd);
    return bytes;
}

// The file a write replaces: a symbolic link's target, so that the link
// stays a link.
std::string replaced_path(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target.string();
}

// Writes a temporary file beside `target` and renames it over `target`, so
// a crash leaves either the old or the new file, never half of one.
bool replace_file(const std::string& target, std::string_view bytes) {
    static std::atomic<unsigned> serial{0};
    std::string path = replaced_path(target);
    std::string temporary =
        path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(serial++);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) ::fchmod(fd, existing.st_mode & 07777);
    bool ok = write_all(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace

std::optional<std::string> read_profile_string(const std::string& path, std::string_view section,
                                               std::string_view key, size_t buffer_size) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty()) return std::nullopt;
    std::lock_guard<std::mutex> guard(g_profile_lock);
    std::optional<std::string> bytes = load(path, false);
    if (!bytes) return std::nullopt;
    ProfileText profile = parse(*bytes);
    std::vector<SectionRange> ranges = find_sections(profile, section);
    if (ranges.empty()) return std::nullopt;
    std::vector<size_t> keys = find_keys(profile, ranges.front(), key);
    if (keys.empty()) return std::nullopt;
    std::string_view value = classify(profile.lines[keys.front()].text).value;
    return std::string(cut_whole_characters(value, buffer_size ? buffer_size - 1 : 0));
}

bool write_profile_string(const std::string& path, std::string_view section,
                          std::optional<std::string_view> key,
                          std::optional<std::string_view> value) {
    section = trim(section);
    if (key) key = trim(*key);
    if (!writable_names(section, key, value)) return false;
    std::lock_guard<std::mutex> guard(g_profile_lock);
    std::optional<std::string> bytes = load(path, true);
    if (!bytes) return false;
    ProfileText profile = parse(*bytes);
    bool changed = !key     ? delete_sections(profile, section)
                   : !value ? delete_key(profile, section, *key)
                            : set_key(profile, section, *key, *value);
    return !changed || replace_file(path, serialise(profile));
}

}  // namespace qinghe::platform
