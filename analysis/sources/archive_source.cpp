#include "analysis/sources/archive_source.h"

#include <algorithm>
#include <mutex>

#include "analysis/sources/archive_answer.h"
#include "analysis/sources/character_references.h"
#include "analysis/sources/conversion_limits.h"
#include "analysis/quarter_change.h"
#include "analysis/sources/url_encoding.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

// A body is read as UTF-8 while no more than one byte of every five of its
// non-ASCII bytes is invalid: a GBK body has far more (most of its pairs
// are no UTF-8), a UTF-8 body with one odd name far fewer.
constexpr size_t kInvalidPerValid = 4;

// The length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
size_t utf8_sequence(std::string_view s, size_t at) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    const size_t length = lead >= 0xF0 && lead <= 0xF4  ? 4
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                                                        : 0;
    if (length == 0 || at + length > s.size()) return 0;
    for (size_t k = 1; k < length; ++k)
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
    const unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;  // overlong, surrogate or beyond U+10FFFF
    return length;
}

// A body's bytes by how they read as UTF-8.
struct Utf8Count {
    size_t multibyte = 0;  // bytes of well-formed sequences of two to four bytes
    size_t invalid = 0;    // bytes that start no well-formed sequence
};

Utf8Count utf8_count(std::string_view text) {
    Utf8Count count;
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8_sequence(text, at);
        if (length == 0) ++count.invalid;
        else if (length > 1) count.multibyte += length;
        at += std::max<size_t>(length, 1);
    }
    return count;
}

// The text with each byte that starts no well-formed sequence made U+FFFD.
std::string invalid_bytes_replaced(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8_sequence(text, at);
        if (length == 0) out += "\xEF\xBF\xBD";
        else out.append(text, at, length);
        at += std::max<size_t>(length, 1);
    }
    return out;
}

// A name of the answer as program text, its character references decoded.
std::string program_name(const std::string& utf8) {
    return name_text(platform::gbk_from_utf8(utf8));
}

std::vector<FundRow> fund_rows(const ArchiveQuarter& quarter) {
    std::vector<FundRow> rows;
    for (const ArchiveRow& row : quarter.rows) rows.push_back({program_name(row.name), row.ratio});
    return rows;
}

// One request read as an archive answer; the response counted in `answer`.
ArchiveAnswer ask_once(const net::Request& request, const Fetch& fetch, SourceAnswer& answer) {
    net::FetchResult result = fetch(request);
    count_response(answer, result);
    answer.reason = failed_response_reason(result);
    if (!answer.reason.empty()) return {};
    std::unique_lock large(large_conversion_lock(), std::defer_lock);
    if (result.body.size() > size_t(kLargestConversionAtOnce)) large.lock();
    const std::string text = utf8_body(result.body, answer.charset);
    std::string().swap(result.body);
    return read_archive_answer(text, request.url);
}

// The quarter before the newest: the next block, or for a first quarter
// alone in its answer the last block of the year before.
std::optional<ArchiveQuarter> previous_quarter(const ArchiveAnswer& newest, std::string_view base,
                                               std::string_view code, const Fetch& fetch,
                                               SourceAnswer& answer) {
    if (newest.quarters.size() > 1) return newest.quarters[1];
    const ArchiveQuarter& first = newest.quarters[0];
    if (first.quarter != 1 || first.year <= 0) return std::nullopt;
    const std::string year = std::to_string(first.year - 1);
    SourceAnswer earlier;
    ArchiveAnswer before = ask_once(archive_request(base, code, year, "12"), fetch, earlier);
    answer.bytes += earlier.bytes;
    if (before.quarters.empty()) return std::nullopt;
    return before.quarters[0];
}

void take_quarters(const ArchiveQuarter& newest, const std::optional<ArchiveQuarter>& previous,
                   SourceAnswer& answer) {
    std::vector<FundRow> rows = fund_rows(newest);
    if (previous && !previous->rows.empty()) {
        QuarterChange change = compare_quarters(std::move(rows), fund_rows(*previous));
        rows = std::move(change.rows);
        answer.exited = std::move(change.exited);
    }
    for (size_t i = 0; i < rows.size(); ++i)
        answer.rows.push_back({std::move(rows[i]), newest.rows[i].link});
    answer.facts.name = program_name(newest.fund_name);
    answer.facts.report_date = newest.report_date;
}

}  // namespace

net::Request archive_request(std::string_view base, std::string_view code, std::string_view year,
                             std::string_view month) {
    const std::string c = percent_encoded(code);
    return {std::string(base) + "FundArchivesDatas.aspx?type=jjcc&code=" + c +
                "&topline=10&year=" + std::string(year) + "&month=" + std::string(month),
            std::string(base) + "ccmx_" + c + ".html"};
}

std::string utf8_body(std::string_view body, std::string& charset) {
    const Utf8Count count = utf8_count(body);
    if (count.invalid * kInvalidPerValid > count.multibyte) {
        charset = "gbk";
        return platform::utf8_from_gbk(body);
    }
    charset = "utf-8";
    return count.invalid == 0 ? std::string(body) : invalid_bytes_replaced(body);
}

SourceAnswer ArchiveSource::ask(const std::string& code, const Fetch& fetch) const {
    SourceAnswer answer;
    answer.kind = SourceKind::archive;
    const net::Request request = archive_request(base_, code, "", "");
    answer.url = request.url;
    const ArchiveAnswer newest = ask_once(request, fetch, answer);
    if (!answer.reason.empty()) return answer;
    if (!newest.apidata) answer.reason = "not apidata";
    else if (newest.quarters.empty() || newest.quarters[0].rows.empty())
        answer.reason = "no stocks";
    if (!newest.quarters.empty()) answer.dropped = newest.quarters[0].dropped;
    if (!answer.reason.empty()) return answer;
    take_quarters(newest.quarters[0], previous_quarter(newest, base_, code, fetch, answer), answer);
    return answer;
}

}  // namespace qinghe::app
