#include "analysis/sources/source_kind.h"

#include <algorithm>
#include <iterator>

namespace qinghe::app {
namespace {

struct SourceNames {
    SourceKind kind;
    const char* ascii;
    const char* chinese;
};

constexpr SourceNames kNames[] = {
    {SourceKind::page, "page", "页面"},
    {SourceKind::archive, "archive", "档案"},
    {SourceKind::mobile, "mobile", "移动"},
};

const SourceNames& names_of(SourceKind kind) {
    return *std::find_if(std::begin(kNames), std::end(kNames),
                         [&](const SourceNames& n) { return n.kind == kind; });
}

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

const char* ascii_name(SourceKind kind) { return names_of(kind).ascii; }
const char* chinese_name(SourceKind kind) { return names_of(kind).chinese; }

std::optional<SourceKind> source_named(std::string_view name) {
    for (const SourceNames& n : kNames)
        if (name == n.ascii || name == n.chinese) return n.kind;
    return std::nullopt;
}

std::vector<SourceKind> source_order(std::string_view names,
                                     std::vector<std::string_view>* unknown) {
    std::vector<SourceKind> order;
    while (!names.empty()) {
        const size_t comma = names.find(',');
        const std::string_view name = trimmed(names.substr(0, comma));
        names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
        const std::optional<SourceKind> kind = source_named(name);
        if (!kind) {
            if (unknown && !name.empty()) unknown->push_back(name);
        } else if (std::find(order.begin(), order.end(), *kind) == order.end()) {
            order.push_back(*kind);
        }
    }
    return order;
}

std::vector<SourceKind> default_source_order() {
    return {SourceKind::page, SourceKind::archive, SourceKind::mobile};
}

}  // namespace qinghe::app
