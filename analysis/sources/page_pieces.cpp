#include "analysis/sources/page_pieces.h"

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

std::string_view title_of(std::string_view page) {
    const size_t open = page.find(kTitleOpen);
    if (open == std::string_view::npos) return {};
    const size_t start = open + kTitleOpen.size();
    const size_t close = page.find(kTitleClose, start);
    return close == std::string_view::npos ? std::string_view() : page.substr(start, close - start);
}

std::string_view section_of(std::string_view page) {
    const std::string& start_marker = utf8_marker(AppText::section_start);
    const size_t open = page.find(start_marker);
    if (open == std::string_view::npos) return {};
    const size_t start = open + start_marker.size();
    const size_t close = page.find(utf8_marker(AppText::section_end), start);
    return close == std::string_view::npos ? std::string_view() : page.substr(start, close - start);
}

}  // namespace

PagePieces page_pieces(std::string_view page) {
    page = page.substr(0, page.find('\0'));  // where the page's text ends
    PagePieces pieces;
    pieces.title = title_of(page);
    const std::string& date_marker = utf8_marker(AppText::section_end);
    const size_t date = page.find(date_marker);
    if (date != std::string_view::npos)
        pieces.after_date_marker = page.substr(date + date_marker.size());
    pieces.section = section_of(page);
    return pieces;
}

}  // namespace qinghe::app
