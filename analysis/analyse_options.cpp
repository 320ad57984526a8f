#include "analysis/analyse_options.h"

#include <charconv>
#include <cmath>

#include "analysis/link_resolution.h"
#include "analysis/funds_ahead.h"

namespace qinghe::app {
namespace {

bool parse_sort(const std::string& key, SortKey& sort) {
    if (key == "ratio") sort = SortKey::ratio;
    else if (key == "count") sort = SortKey::count;
    else if (key == "exposure") sort = SortKey::exposure;
    else return false;
    return true;
}

bool parse_format(const std::string& name, OutputFormat& format) {
    if (name == "tsv") format = OutputFormat::tsv;
    else if (name == "csv") format = OutputFormat::csv;
    else if (name == "json") format = OutputFormat::json;
    else return false;
    return true;
}

bool is_base_url(const std::string& url) { return is_web_address(url) && url.back() == '/'; }

bool parse_sources(const std::string& names, std::vector<SourceKind>& sources, std::string& error) {
    std::vector<std::string_view> unknown;
    sources = source_order(names, &unknown);
    if (!unknown.empty())
        error = "--source: '" + std::string(unknown[0]) +
                "' names no source (page, archive, mobile or 页面, 档案, 移动)";
    else if (sources.empty()) error = "--source: no source named";
    return error.empty();
}

// Splits CODE=AMOUNT at the last '='; every code needs an amount once one
// has one.
bool take_codes(const std::vector<std::string>& args, AnalyseOptions& options, std::string& error) {
    size_t with_amount = 0;
    for (const std::string& arg : args) with_amount += arg.find('=') != std::string::npos;
    for (const std::string& arg : args) {
        const size_t at = arg.rfind('=');
        if (at == std::string::npos) {
            if (with_amount == 0) {
                options.codes.push_back(arg);
                continue;
            }
            error = "'" + arg +
                    "': no amount; when one code has an amount (CODE=AMOUNT), every code needs one";
            return false;
        }
        double amount = 0;
        if (at == 0) error = "'" + arg + "': the code before '=' is missing";
        else if (!parse_amount(arg.substr(at + 1), amount))
            error =
                "'" + arg + "': the amount must be a positive decimal number, e.g. 160127=20000";
        if (!error.empty()) return false;
        options.codes.push_back(arg.substr(0, at));
        options.amounts.push_back(amount);
    }
    return true;
}

}  // namespace

bool parse_amount(const std::string& text, double& amount) {
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.'))
        return false;
    const char* end = text.data() + text.size();
    auto [stop, failure] = std::from_chars(text.data(), end, amount, std::chars_format::general);
    return failure == std::errc() && stop == end && std::isfinite(amount) && amount > 0;
}

bool parse_analyse_options(const std::vector<std::string>& args, AnalyseOptions& options,
                           std::string& error) {
    std::vector<std::string> code_args;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--base-url" && has_value) {
            options.base_url = args[++i];
            if (!is_base_url(options.base_url)) return false;
        } else if (arg == "--archive-url" && has_value) {
            options.archive_url = args[++i];
            if (!is_base_url(options.archive_url)) return false;
        } else if (arg == "--mobile-url" && has_value) {
            options.mobile_url = args[++i];
            if (!is_base_url(options.mobile_url)) return false;
        } else if (arg == "--source" && has_value) {
            if (!parse_sources(args[++i], options.sources, error)) return false;
        } else if (arg == "--check" && has_value) {
            options.check = args[++i];
        } else if (arg == "--sort" && has_value) {
            if (!parse_sort(args[++i], options.sort)) return false;
        } else if (arg == "--format" && has_value) {
            if (!parse_format(args[++i], options.format)) return false;
        } else if (arg == "--parallel" && has_value) {
            options.parallel = parallel_downloads(args[++i].c_str());
        } else if (arg == "--output" && has_value) {
            options.output = args[++i];
            if (options.output.empty()) return false;
        } else if (arg.starts_with("--")) {
            return false;
        } else {
            code_args.push_back(arg);
        }
    }
    if (!options.check.empty()) {
        if (code_args.empty()) return true;
        error = "--check takes one code and no other codes";
        return false;
    }
    if (code_args.empty() || !take_codes(code_args, options, error)) return false;
    if (options.sort == SortKey::exposure && options.amounts.empty()) {
        error = "--sort exposure needs an amount for every code (CODE=AMOUNT)";
        return false;
    }
    return true;
}

}  // namespace qinghe::app
