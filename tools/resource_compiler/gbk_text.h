// Strict UTF-8 to GBK conversion for the resource compiler: a character
// that GBK cannot hold, or malformed UTF-8, is an error naming the
// character and where it stands, never a silent substitute.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace qinghe::tools {

struct CompileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// `where` names the source place for the error message.
std::string gbk_from_utf8_strict(std::string_view utf8, const std::string& where);

}  // namespace qinghe::tools
