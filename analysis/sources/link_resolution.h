// Resolving the link of a holdings row against the page it came from.
#pragma once

#include <string>
#include <string_view>

namespace qinghe::app {

// Protocol-relative ("//host/x"), root-relative ("/x") and relative ("x")
// links become absolute against `page_url`; absolute links stay as they
// are. Texts are byte strings (GBK); only ASCII bytes are interpreted.
std::string resolve_link(std::string_view link, std::string_view page_url);

// True for links the desktop may open: http:// and https:// addresses.
bool is_web_address(std::string_view link);

}  // namespace qinghe::app
