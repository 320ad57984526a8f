// The three sources of a fund's holdings on the fund site and their names:
// the ASCII name of the command line and JSON, the Chinese name of the
// setting 持仓来源.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace qinghe::app {

enum class SourceKind { page, archive, mobile };

// "page", "archive", "mobile".
const char* ascii_name(SourceKind kind);
// "页面", "档案", "移动" in UTF-8.
const char* chinese_name(SourceKind kind);
// The kind either name (UTF-8) names; nothing for any other text.
std::optional<SourceKind> source_named(std::string_view name);

// Names separated by "," (blanks around a name ignored), either kind of
// name, in the order given, each kind once; `unknown` gets the names that
// name no source.
std::vector<SourceKind> source_order(std::string_view names,
                                     std::vector<std::string_view>* unknown);

// 页面, 档案, 移动.
std::vector<SourceKind> default_source_order();

}  // namespace qinghe::app
