#include "analysis/sources/markup_scan.h"

#include <algorithm>
#include <cctype>

namespace qinghe::app::markup {
namespace {

constexpr std::string_view kFullWidthBlank = "\xE3\x80\x80";  // U+3000, UTF-8

bool is_name_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '!' || c == '-';
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The ">" that ends a tag whose attributes start at `from`, quotes
// respected; npos when there is none.
size_t tag_end(std::string_view text, size_t from) {
    char quote = 0;
    for (size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string text_without_tags(std::string_view markup) {
    std::string text;
    size_t at = 0;
    while (at < markup.size()) {
        const size_t open = markup.find('<', at);
        const size_t stop = open == std::string_view::npos ? markup.size() : open;
        text.append(markup.substr(at, stop - at));
        if (open == std::string_view::npos) break;
        const size_t close = tag_end(markup, open + 1);
        if (close == std::string_view::npos) break;
        at = close + 1;
    }
    std::string blanked;
    for (size_t at = 0; at < text.size();) {
        const size_t nbsp = std::min(text.find("&nbsp;", at), text.size());
        blanked.append(text, at, nbsp - at);
        if (nbsp == text.size()) break;
        blanked += ' ';
        at = nbsp + 6;
    }
    return blanked;
}

}  // namespace

std::optional<Tag> next_tag(std::string_view text, size_t from) {
    for (size_t open = text.find('<', from); open != std::string_view::npos;
         open = text.find('<', open + 1)) {
        size_t name_end = open + 1;
        while (name_end < text.size() && is_name_char(text[name_end])) ++name_end;
        if (name_end == open + 1) continue;  // "<" in text
        const size_t close = tag_end(text, name_end);
        if (close == std::string_view::npos) return std::nullopt;
        return Tag{text.substr(open + 1, name_end - open - 1),
                   text.substr(name_end, close - name_end), open, close + 1};
    }
    return std::nullopt;
}

std::optional<Tag> next_tag_named(std::string_view text, std::string_view name, size_t from) {
    for (auto tag = next_tag(text, from); tag; tag = next_tag(text, tag->end)) {
        if (tag->name.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(tag->name[i])) == name[i];
        if (same) return tag;
    }
    return std::nullopt;
}

std::optional<std::string_view> attribute(std::string_view attributes, std::string_view name) {
    size_t at = 0;
    while (at < attributes.size()) {
        while (at < attributes.size() && (is_blank(attributes[at]) || attributes[at] == '/')) ++at;
        const size_t name_start = at;
        while (at < attributes.size() && !is_blank(attributes[at]) && attributes[at] != '=') ++at;
        const std::string_view found = attributes.substr(name_start, at - name_start);
        while (at < attributes.size() && is_blank(attributes[at])) ++at;
        if (at >= attributes.size() || attributes[at] != '=') {
            if (found == name) return std::string_view();
            if (at == name_start) ++at;
            continue;
        }
        ++at;
        while (at < attributes.size() && is_blank(attributes[at])) ++at;
        std::string_view value;
        if (at < attributes.size() && (attributes[at] == '\'' || attributes[at] == '"')) {
            const size_t close = attributes.find(attributes[at], at + 1);
            const size_t stop = close == std::string_view::npos ? attributes.size() : close;
            value = attributes.substr(at + 1, stop - at - 1);
            at = stop + 1;
        } else {
            const size_t start = at;
            while (at < attributes.size() && !is_blank(attributes[at])) ++at;
            value = attributes.substr(start, at - start);
        }
        if (found == name) return value;
    }
    return std::nullopt;
}

std::string text_of(std::string_view markup) {
    std::string text = text_without_tags(markup);
    std::string_view view = text;
    while (true) {
        if (!view.empty() && is_blank(view.front())) view.remove_prefix(1);
        else if (!view.empty() && is_blank(view.back())) view.remove_suffix(1);
        else if (view.starts_with(kFullWidthBlank)) view.remove_prefix(kFullWidthBlank.size());
        else if (view.ends_with(kFullWidthBlank)) view.remove_suffix(kFullWidthBlank.size());
        else break;
    }
    return std::string(view);
}

std::string squeezed_text_of(std::string_view markup) {
    const std::string text = text_without_tags(markup);
    std::string squeezed;
    for (size_t i = 0; i < text.size(); ++i) {
        if (is_blank(text[i])) continue;
        if (std::string_view(text).substr(i).starts_with(kFullWidthBlank)) {
            i += kFullWidthBlank.size() - 1;
            continue;
        }
        squeezed += text[i];
    }
    return squeezed;
}

}  // namespace qinghe::app::markup
