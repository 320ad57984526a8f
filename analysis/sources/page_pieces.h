// The pieces of a fund page the run reads, found in the page's own UTF-8
// bytes before any of it is converted: the title's text, what follows the
// first report-date marker and the holdings section. Only they are then
// converted to program text, where the whole page (hundreds of kilobytes)
// used to be. They are the pieces the converted page would give: its
// markers are whole characters, and UTF-8 never holds a character's bytes
// inside another's or as another's, so a marker is found in the bytes
// exactly where it stands in the text; the page ends at its first zero
// byte, as its text does.
#pragma once

#include <optional>
#include <string_view>

namespace qinghe::app {

struct PagePieces {
    // Between "<title>" and the first "</title>" after it; empty without them.
    std::string_view title;
    // What follows the first "持仓截止日期:" to the page's end; none without one.
    std::optional<std::string_view> after_date_marker;
    // Strictly between the first "持仓占比" and the first "持仓截止日期:"
    // after it; empty when either is missing or they touch.
    std::string_view section;
};

// The pieces of `page` (UTF-8 bytes as received); views into it.
PagePieces page_pieces(std::string_view page);

// Between "<title>" and the first "</title>" after it; empty without them.
// The markers start with bytes that are no part of another character in
// UTF-8 or GBK, so the page's bytes and its program text alike are searched
// byte by byte.
std::string_view page_title(std::string_view page);

}  // namespace qinghe::app
