#include "analysis/sources/archive_answer.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "analysis/decimal_numbers.h"
#include "analysis/sources/link_resolution.h"
#include "analysis/sources/markup_scan.h"
#include "analysis/sources/report_date.h"

namespace qinghe::app {
namespace {

constexpr size_t kRowsPerQuarter = 10;
constexpr size_t kQuartersRead = 2;
// A row with more cells than this is not a holdings row.
constexpr size_t kMostCells = 32;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t skip_blanks(std::string_view text, size_t at) {
    while (at < text.size() && is_blank(text[at])) ++at;
    return at;
}

// --- the JavaScript wrapper ----------------------------------------------

void append_utf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

std::optional<uint32_t> hex4(std::string_view text, size_t at) {
    uint32_t value = 0;
    if (at + 4 > text.size()) return std::nullopt;
    auto [end, error] = std::from_chars(text.data() + at, text.data() + at + 4, value, 16);
    if (error != std::errc() || end != text.data() + at + 4) return std::nullopt;
    return value;
}

// A \uXXXX escape at `at` (the backslash), a surrogate pair taken whole;
// a lone surrogate becomes U+FFFD. Returns the bytes used, 0 when malformed.
size_t unicode_escape(std::string_view text, size_t at, std::string& out) {
    const std::optional<uint32_t> unit = hex4(text, at + 2);
    if (!unit) return 0;
    if (*unit >= 0xD800 && *unit < 0xDC00 && text.substr(at + 6).starts_with("\\u")) {
        const std::optional<uint32_t> low = hex4(text, at + 8);
        if (low && *low >= 0xDC00 && *low < 0xE000) {
            append_utf8(out, 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00));
            return 12;
        }
    }
    append_utf8(out, *unit >= 0xD800 && *unit < 0xE000 ? 0xFFFD : *unit);
    return 6;
}

// The quoted string starting at `at` (its quote) with escapes undone; `at`
// moves past its closing quote. Nothing when it is not closed.
std::optional<std::string> quoted_string(std::string_view text, size_t& at) {
    const char quote = text[at];
    std::string out;
    for (size_t i = at + 1; i < text.size();) {
        const char c = text[i];
        if (c == quote) {
            at = i + 1;
            return out;
        }
        if (c != '\\') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) return std::nullopt;
        const char e = text[i + 1];
        if (e == 'u') {
            const size_t used = unicode_escape(text, i, out);
            if (used == 0) return std::nullopt;
            i += used;
            continue;
        }
        out += e == 'n'   ? '\n'
               : e == 'r' ? '\r'
               : e == 't' ? '\t'
               : e == 'b' ? '\b'
               : e == 'f' ? '\f'
                          : e;
        i += 2;
    }
    return std::nullopt;
}

// Skips a value that is not wanted: up to the "," or "}" that ends it,
// brackets and strings inside it passed over. False when the text ends first.
bool skip_value(std::string_view text, size_t& at) {
    size_t depth = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '"' || c == '\'') {
            if (!quoted_string(text, at)) return false;
            continue;
        }
        if (c == '[' || c == '{') ++depth;
        if ((c == ']' || c == '}') && depth > 0) --depth;
        else if ((c == ',' || c == '}') && depth == 0) return true;
        ++at;
    }
    return false;
}

// A key, unquoted or quoted; `at` moves past it.
std::optional<std::string> object_key(std::string_view text, size_t& at) {
    if (at < text.size() && (text[at] == '"' || text[at] == '\'')) return quoted_string(text, at);
    const size_t start = at;
    while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) ||
                                text[at] == '_' || text[at] == '$'))
        ++at;
    if (at == start) return std::nullopt;
    return std::string(text.substr(start, at - start));
}

// --- the quarter blocks -------------------------------------------------

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int number_at(std::string_view text, size_t at, size_t length) {
    int value = 0;
    std::from_chars(text.data() + at, text.data() + at + length, value);
    return value;
}

// The first YYYY-MM-DD in `text` at or after `from`; empty when it is no
// report date (not a real day, or in the future).
std::string first_date(std::string_view text, size_t from) {
    for (size_t i = from; i + 10 <= text.size(); ++i) {
        std::string_view d = text.substr(i, 10);
        bool date = d[4] == '-' && d[7] == '-';
        for (size_t k : {0, 1, 2, 3, 5, 6, 8, 9}) date = date && is_digit(d[k]);
        if (date) return is_report_date(d) ? std::string(d) : std::string();
    }
    return {};
}

// "2026年3季度" in the heading's text: where its year starts (npos when
// absent), with the year and the quarter.
size_t quarter_mark(std::string_view text, int& year, int& quarter) {
    static constexpr std::string_view kYear = "年", kQuarter = "季度";
    for (size_t at = text.find(kYear); at != std::string_view::npos;
         at = text.find(kYear, at + 1)) {
        const size_t q = at + kYear.size();
        if (at < 4 || q >= text.size() || !is_digit(text[q]) ||
            !text.substr(q + 1).starts_with(kQuarter))
            continue;
        bool digits = true;
        for (size_t k = at - 4; k < at; ++k) digits = digits && is_digit(text[k]);
        if (!digits) continue;
        year = number_at(text, at - 4, 4);
        quarter = text[q] - '0';
        return at - 4;
    }
    return std::string_view::npos;
}

void read_heading(std::string_view heading, ArchiveQuarter& quarter) {
    const std::string text = markup::text_of(heading);
    const size_t mark = quarter_mark(text, quarter.year, quarter.quarter);
    const auto link = markup::next_tag_named(heading, "a", 0);
    const auto title = link ? markup::attribute(link->attributes, "title") : std::nullopt;
    if (title && !title->empty()) quarter.fund_name = markup::text_of(*title);
    else if (mark != std::string_view::npos)
        quarter.fund_name = markup::text_of(text.substr(0, mark));
    const size_t until = text.find("截止至");
    quarter.report_date = first_date(text, until == std::string::npos ? 0 : until);
}

struct Columns {
    size_t name = SIZE_MAX, code = SIZE_MAX, ratio = SIZE_MAX;
};

Columns columns_of(const std::vector<std::string_view>& header) {
    Columns columns;
    for (size_t i = 0; i < header.size(); ++i) {
        const std::string title = markup::squeezed_text_of(header[i]);
        if (title == "股票名称") columns.name = i;
        else if (title == "股票代码") columns.code = i;
        else if (title.starts_with("占净值比例")) columns.ratio = i;
    }
    return columns;
}

std::optional<float> ratio_of(std::string_view cell) {
    return percentage_text(markup::squeezed_text_of(cell));
}

std::string link_in(std::string_view cell, std::string_view request_url) {
    const auto a = markup::next_tag_named(cell, "a", 0);
    const auto href = a ? markup::attribute(a->attributes, "href") : std::nullopt;
    return href && !href->empty() ? resolve_link(*href, request_url) : std::string();
}

// One pass over the table's tags, cells cut between them: the first row of
// header cells names the columns, the rows after it are holdings rows.
class TableReader {
public:
    TableReader(std::string_view table, std::string_view request_url)
        : table_(table), request_url_(request_url) {}

    // The rows, and how many named rows were left out for their ratio.
    std::vector<ArchiveRow> rows(size_t& dropped) {
        for (auto tag = markup::next_tag(table_, 0); tag && rows_.size() < kRowsPerQuarter;
             tag = markup::next_tag(table_, tag->end))
            on_tag(*tag);
        end_cell(table_.size());
        end_row();
        rows_.resize(std::min(rows_.size(), kRowsPerQuarter));
        dropped = dropped_;
        return std::move(rows_);
    }

private:
    void on_tag(const markup::Tag& tag) {
        const std::string_view name = tag.name;
        // A table inside a cell is part of the cell's text.
        if (name == "table") ++nested_;
        else if (name == "/table" && nested_ > 0) --nested_;
        else if (nested_ > 0) return;
        if (name == "td" || name == "th") {
            end_cell(tag.begin);
            cell_start_ = tag.end;
            header_cells_ = header_cells_ || name == "th";
        } else if (name == "/td" || name == "/th") {
            end_cell(tag.begin);
        } else if (name == "tr" || name == "/tr" || name == "/thead" || name == "tbody" ||
                   name == "/tbody") {
            end_cell(tag.begin);
            end_row();
        }
    }

    void end_cell(size_t at) {
        if (cell_start_ == SIZE_MAX) return;
        if (cells_.size() < kMostCells)
            cells_.push_back(table_.substr(cell_start_, at - cell_start_));
        cell_start_ = SIZE_MAX;
    }

    void end_row() {
        if (cells_.empty()) return;
        if (!header_) {
            const Columns columns = columns_of(cells_);
            if (columns.name != SIZE_MAX && columns.ratio != SIZE_MAX) header_ = columns;
        } else if (!header_cells_) {
            take_row();
        }
        cells_.clear();
        header_cells_ = false;
    }

    void take_row() {
        const Columns& c = *header_;
        if (c.name >= cells_.size() || c.ratio >= cells_.size()) return;
        const std::optional<float> ratio = ratio_of(cells_[c.ratio]);
        std::string name = markup::text_of(cells_[c.name]);
        if (name.empty()) return;
        if (!ratio) {
            ++dropped_;
            return;
        }
        std::string link = link_in(cells_[c.name], request_url_);
        if (link.empty() && c.code < cells_.size()) link = link_in(cells_[c.code], request_url_);
        rows_.push_back({std::move(name), *ratio, std::move(link)});
    }

    std::string_view table_, request_url_;
    std::optional<Columns> header_;
    std::vector<std::string_view> cells_;
    size_t cell_start_ = SIZE_MAX;
    bool header_cells_ = false;
    size_t nested_ = 0;  // tables open inside the table read
    size_t dropped_ = 0;
    std::vector<ArchiveRow> rows_;
};

// Where the table whose content starts at `from` closes: its own "</table>",
// tables inside it passed over; the block's end when it is not closed.
size_t table_end(std::string_view block, size_t from) {
    size_t depth = 0;
    for (auto tag = markup::next_tag(block, from); tag; tag = markup::next_tag(block, tag->end)) {
        if (tag->name == "table") ++depth;
        else if (tag->name == "/table" && depth-- == 0) return tag->begin;
    }
    return block.size();
}

ArchiveQuarter read_block(std::string_view block, std::string_view request_url) {
    ArchiveQuarter quarter;
    if (const auto h4 = markup::next_tag_named(block, "h4", 0)) {
        const auto close = markup::next_tag_named(block, "/h4", h4->end);
        read_heading(block.substr(h4->end, (close ? close->begin : block.size()) - h4->end),
                     quarter);
    }
    if (const auto table = markup::next_tag_named(block, "table", 0)) {
        const size_t end = table_end(block, table->end);
        quarter.rows = TableReader(block.substr(table->end, end - table->end), request_url)
                           .rows(quarter.dropped);
    }
    return quarter;
}

// Where the quarter blocks start: the div tags whose class holds "boxitem";
// at most one more than are read, to know where the last read one ends.
std::vector<size_t> block_starts(std::string_view content) {
    std::vector<size_t> starts;
    for (auto tag = markup::next_tag_named(content, "div", 0);
         tag && starts.size() <= kQuartersRead;
         tag = markup::next_tag_named(content, "div", tag->end)) {
        const auto classes = markup::attribute(tag->attributes, "class");
        if (classes && classes->find("boxitem") != std::string_view::npos)
            starts.push_back(tag->begin);
    }
    return starts;
}

}  // namespace

std::optional<std::string> apidata_content(std::string_view body) {
    const size_t name = body.find("apidata");
    if (name == std::string_view::npos) return std::nullopt;
    size_t at = skip_blanks(body, name + 7);
    if (at >= body.size() || body[at] != '=') return std::nullopt;
    at = skip_blanks(body, at + 1);
    if (at >= body.size() || body[at] != '{') return std::nullopt;
    ++at;
    while (true) {
        at = skip_blanks(body, at);
        const std::optional<std::string> key = object_key(body, at);
        if (!key) return std::nullopt;
        at = skip_blanks(body, at);
        if (at >= body.size() || body[at] != ':') return std::nullopt;
        at = skip_blanks(body, at + 1);
        if (*key == "content") {
            if (at >= body.size() || (body[at] != '"' && body[at] != '\'')) return std::nullopt;
            return quoted_string(body, at);
        }
        if (!skip_value(body, at) || body[at] == '}') return std::nullopt;
        ++at;
    }
}

ArchiveAnswer read_archive_answer(std::string_view body, std::string_view request_url) {
    ArchiveAnswer answer;
    const std::optional<std::string> content = apidata_content(body);
    if (!content) return answer;
    answer.apidata = true;
    const std::vector<size_t> starts = block_starts(*content);
    const std::string_view text = *content;
    for (size_t i = 0; i < starts.size() && i < kQuartersRead; ++i) {
        const size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
        answer.quarters.push_back(read_block(text.substr(starts[i], end - starts[i]), request_url));
    }
    return answer;
}

}  // namespace qinghe::app
