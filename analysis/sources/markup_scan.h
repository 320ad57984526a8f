// Scanning HTML of untrusted answers without a parser: the next tag, an
// attribute's value, an element's text. Tag and attribute names are
// matched in lower case, as the fund site writes them; every function
// reads within the text it is given and never more than once through it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe::app::markup {

struct Tag {
    std::string_view name;        // "td", "/td", "a"
    std::string_view attributes;  // between the name and ">"
    size_t begin = 0;             // the "<"
    size_t end = 0;               // just after the ">"
};

// The next tag at or after `from`; nothing when none is left (or the last
// one is not closed).
std::optional<Tag> next_tag(std::string_view text, size_t from);
// The next tag named `name` (an opening tag, or "/name" for a closing one).
std::optional<Tag> next_tag_named(std::string_view text, std::string_view name, size_t from);

// The value of attribute `name` in a tag's attributes, quoted with ' or "
// or unquoted; nothing when absent.
std::optional<std::string_view> attribute(std::string_view attributes, std::string_view name);

// The text of some markup: tags dropped, &nbsp; as a blank, blanks
// (including the full-width one) at either end cut.
std::string text_of(std::string_view markup);
// The same with every blank removed, for matching header cells.
std::string squeezed_text_of(std::string_view markup);

}  // namespace qinghe::app::markup
