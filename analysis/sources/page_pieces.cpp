#include "analysis/sources/page_pieces.h"

#include <algorithm>
#include <string>

#include "analysis/app_texts.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

constexpr std::string_view kTitleOpen = "<title>";
constexpr std::string_view kTitleClose = "</title>";

// A marker of the program's texts (GBK) as the page's bytes spell it.
const std::string& utf8_marker(AppText which) {
    static const std::string start = platform::utf8_from_gbk(app_text(AppText::section_start));
    static const std::string end = platform::utf8_from_gbk(app_text(AppText::section_end));
    return which == AppText::section_start ? start : end;
}

// Where a piece ends in `page`: the end of its closing marker, 0 for none.
size_t end_of(std::string_view piece, std::string_view page, size_t closing_marker) {
    return piece.empty() ? 0 : size_t(piece.data() - page.data()) + piece.size() + closing_marker;
}

// Strictly between the first `open` and the first `close` after it; empty
// without them.
std::string_view between(std::string_view page, std::string_view open, std::string_view close) {
    const size_t at = page.find(open);
    if (at == std::string_view::npos) return {};
    const size_t start = at + open.size();
    const size_t end = page.find(close, start);
    return end == std::string_view::npos ? std::string_view() : page.substr(start, end - start);
}

PagePieces pieces_of(std::string_view page) {
    PagePieces pieces;
    pieces.title = page_title(page);
    const std::string& date_marker = utf8_marker(AppText::section_end);
    const size_t date = page.find(date_marker);
    if (date != std::string_view::npos)
        pieces.after_date_marker = page.substr(date + date_marker.size());
    pieces.section = between(page, utf8_marker(AppText::section_start), date_marker);
    return pieces;
}

// How far into the page its pieces and their markers reach. The date after
// its marker stops at a zero byte by itself: it is no blank and no digit.
size_t reach_of(const PagePieces& pieces, std::string_view page) {
    const size_t date = pieces.after_date_marker ? size_t(pieces.after_date_marker->data() -
                                                          page.data())
                                                 : 0;
    return std::max({end_of(pieces.title, page, kTitleClose.size()), date,
                     end_of(pieces.section, page, utf8_marker(AppText::section_end).size())});
}

}  // namespace

std::string_view page_title(std::string_view page) { return between(page, kTitleOpen, kTitleClose); }

// The pieces are found in the whole page, then found again in its text
// (up to its first zero byte) only when a zero comes before they end.
PagePieces page_pieces(std::string_view page) {
    const PagePieces pieces = pieces_of(page);
    const size_t zero = page.substr(0, reach_of(pieces, page)).find('\0');
    return zero == std::string_view::npos ? pieces : pieces_of(page.substr(0, zero));
}

}  // namespace qinghe::app
