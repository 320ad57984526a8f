// HTML character references in the names cut from a source: a page that
// writes the stock AT&T as "AT&amp;T" means AT&T. Every holdings source
// passes its stock and fund names through decode_character_references
// before the merge, so that one stock reaches the merge under one name
// whichever source named it.
//
// Decoded, by HTML's rules for attribute values:
// - the named references of HTML ("&amp;", "&nbsp;", "&eacute;", ...); a
//   name needs its ";", except the legacy names HTML also takes without
//   one ("&amp", "&nbsp"), and those only when no "=" follows;
// - decimal ("&#26524;") and hexadecimal ("&#x679C;") references, the ";"
//   optional; 0, a surrogate or a number beyond U+10FFFF stands for U+FFFD,
//   and 128-159 for the windows-1252 characters at those places.
// Anything else (an unknown name, a lone "&", "&#" without digits) stays
// as written, and a decoded "&" is not decoded again. A decoded character
// follows the program's GBK text rules: one that GBK lacks becomes "?", as
// it does when a page writes it outright.
#pragma once

#include <string>
#include <string_view>

namespace qinghe::app {

// `text`, program text (GBK), with its character references decoded into
// program text. Never longer than `text`.
std::string decode_character_references(std::string_view text);

// A stock's or fund's name (GBK) as the program keeps it: its references
// decoded and each NUL made a blank, so that no text of the program ends
// inside the name (the other control characters stay, as the formats
// write them).
std::string name_text(std::string_view text);

}  // namespace qinghe::app
