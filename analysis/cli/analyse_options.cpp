#include "analysis/cli/analyse_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "analysis/sources/link_resolution.h"

namespace qinghe::app {
namespace {

// --- One helper per kind of value: true, with the value stored, when it
// --- is of the kind; a new option takes one of these or adds its kind.

template <class T>
bool one_of(const std::string& value, std::initializer_list<std::pair<const char*, T>> choices,
            T& taken) {
    for (const auto& [name, choice] : choices)
        if (value == name) {
            taken = choice;
            return true;
        }
    return false;
}

// Decimal digits only: no sign, no blanks, no fraction.
bool whole_number(const std::string& value, int min, int max, int& taken) {
    if (value.empty() || !std::isdigit(static_cast<unsigned char>(value[0]))) return false;
    int number = 0;
    const char* end = value.data() + value.size();
    auto [stop, failure] = std::from_chars(value.data(), end, number);
    if (failure != std::errc() || stop != end || number < min || number > max) return false;
    taken = number;
    return true;
}

// An http or https address ending in "/", below which pages are named.
bool web_folder(const std::string& value, std::string& taken) {
    if (!is_web_address(value) || !value.ends_with('/')) return false;
    taken = value;
    return true;
}

// NAME=BASE: a host of the table and its base URL.
bool host_url(const std::string& value, AnalyseOptions& options) {
    const size_t equals = value.find('=');
    if (equals == std::string::npos) return false;
    const std::optional<Host> host = host_named(std::string_view(value).substr(0, equals));
    std::string base;
    if (!host || !web_folder(value.substr(equals + 1), base)) return false;
    options.urls.emplace_back(*host, std::move(base));
    return true;
}

bool own_host_url(Host host, const std::string& value, AnalyseOptions& options) {
    return host_url(host_row(host).name + "=" + value, options);
}

// Names of sources separated by ",", each known, at least one.
bool source_list(const std::string& value, std::vector<SourceKind>& taken) {
    std::vector<std::string_view> unknown;
    std::vector<SourceKind> order = source_order(value, &unknown);
    if (!unknown.empty() || order.empty()) return false;
    taken = std::move(order);
    return true;
}

// A fund code as the site names funds: six ASCII digits.
bool six_digits(const std::string& value) {
    return value.size() == 6 && std::all_of(value.begin(), value.end(), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c));
           });
}

bool fund_code(const std::string& value, std::string& taken) {
    if (!six_digits(value)) return false;
    taken = value;
    return true;
}

bool non_empty(const std::string& value, std::string& taken) {
    if (value.empty()) return false;
    taken = value;
    return true;
}

// --- The options that take a value ---------------------------------------

// `take` stores a value of the allowed kind and refuses any other.
struct ValueOption {
    const char* name;
    const char* allowed;
    bool (*take)(const std::string& value, AnalyseOptions& options);
};

const ValueOption kValueOptions[] = {
    {"--base-url", "an http or https URL ending in '/'",
     [](const std::string& v, AnalyseOptions& o) { return own_host_url(Host::page, v, o); }},
    {"--archive-url", "an http or https URL ending in '/'",
     [](const std::string& v, AnalyseOptions& o) { return own_host_url(Host::archive, v, o); }},
    {"--mobile-url", "an http or https URL ending in '/'",
     [](const std::string& v, AnalyseOptions& o) { return own_host_url(Host::mobile, v, o); }},
    {"--url",
     "NAME=BASE: NAME one of page, archive, mobile, quote, quote2, tencent, nav, BASE an http "
     "or https URL ending in '/'",
     host_url},
    {"--source",
     "page, archive and mobile (or 页面, 档案, 移动) in the order wanted, separated by ','",
     [](const std::string& v, AnalyseOptions& o) { return source_list(v, o.sources); }},
    {"--check", "a fund code of six digits",
     [](const std::string& v, AnalyseOptions& o) { return fund_code(v, o.check); }},
    {"--sort", "ratio, count or exposure",
     [](const std::string& v, AnalyseOptions& o) {
         return one_of<SortKey>(v,
                                {{"ratio", SortKey::ratio},
                                 {"count", SortKey::count},
                                 {"exposure", SortKey::exposure}},
                                o.sort);
     }},
    {"--format", "tsv, csv or json",
     [](const std::string& v, AnalyseOptions& o) {
         return one_of<OutputFormat>(
             v,
             {{"tsv", OutputFormat::tsv}, {"csv", OutputFormat::csv}, {"json", OutputFormat::json}},
             o.format);
     }},
    {"--parallel", "a whole number from 1 to 8",
     [](const std::string& v, AnalyseOptions& o) {
         return whole_number(v, net::parallel::kMin, net::parallel::kMax, o.parallel);
     }},
    {"--timeout", "a whole number of seconds from 5 to 600",
     [](const std::string& v, AnalyseOptions& o) {
         return whole_number(v, int(net::limit::kMinTransferTimeout.count()),
                             int(net::limit::kMaxTransferTimeout.count()), o.timeout_seconds);
     }},
    {"--output", "a file name",
     [](const std::string& v, AnalyseOptions& o) { return non_empty(v, o.output); }},
};

// The options that stand alone.
struct FlagOption {
    const char* name;
    void (*set)(AnalyseOptions& options);
};

const FlagOption kFlagOptions[] = {
    {"--overlap", [](AnalyseOptions& o) { o.overlap = true; }},
    {"--offline", [](AnalyseOptions& o) { o.offline = true; }},
    {"--history", [](AnalyseOptions& o) { o.history = true; }},
    {"--today", [](AnalyseOptions& o) { o.today = true; }},
    {"--accuracy", [](AnalyseOptions& o) { o.accuracy = true; }},
};

const FlagOption* flag_option(const std::string& name) {
    for (const FlagOption& option : kFlagOptions)
        if (name == option.name) return &option;
    return nullptr;
}

const ValueOption* value_option(const std::string& name) {
    for (const ValueOption& option : kValueOptions)
        if (name == option.name) return &option;
    return nullptr;
}

// Takes the options from `args`, leaving the other arguments in `codes` and
// the names of the options given (with --format, its value too) in `given`.
bool take_options(const std::vector<std::string>& args, AnalyseOptions& options,
                  std::vector<std::string>& codes, std::vector<std::string>& given,
                  std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            codes.push_back(arg);
            continue;
        }
        given.push_back(arg);
        if (const FlagOption* flag = flag_option(arg)) {
            flag->set(options);
            continue;
        }
        const ValueOption* option = value_option(arg);
        if (!option) error = "unknown option '" + arg + "'";
        else if (i + 1 == args.size()) error = arg + " needs a value: " + option->allowed;
        else if (!option->take(args[++i], options))
            error = arg + " '" + args[i] + "' is not allowed: use " + option->allowed;
        if (!error.empty()) return false;
        if (arg == "--format") given.push_back(arg + " " + args[i]);
    }
    return true;
}

// Splits CODE=AMOUNT as the window splits its lines (code_line.h); every
// code needs an amount once one has one.
bool has_amount_part(const std::string& arg) {
    return split_code_line(arg).amount_text || arg.find('=') != std::string::npos;
}

bool take_codes(const std::vector<std::string>& args, AnalyseOptions& options, std::string& error) {
    const bool with_amounts = std::any_of(args.begin(), args.end(), has_amount_part);
    for (const std::string& arg : args) {
        const CodeLine line = split_code_line(arg);
        if (!has_amount_part(arg)) {
            if (!with_amounts) {
                options.codes.push_back(arg);
                continue;
            }
            error = "'" + arg +
                    "': no amount; when one code has an amount (CODE=AMOUNT), every code needs one";
            return false;
        }
        double amount = 0;
        if (line.code.empty()) error = "'" + arg + "': the code before '=' is missing";
        else if (!line.amount_text || !parse_amount(*line.amount_text, amount))
            error = "'" + arg +
                    "': the amount must be a positive decimal number up to 1e15, e.g. "
                    "160127=20000";
        if (!error.empty()) return false;
        options.codes.push_back(line.code);
        options.amounts.push_back(amount);
    }
    return true;
}

// Options that contradict each other, or of which one would be ignored: the
// first names what the run does, the second what it cannot do then.
struct Conflict {
    const char* first;
    const char* second;
    const char* why;
};

const Conflict kConflicts[] = {
    {"--check", "--history", "--check asks the site, --history lists what is stored"},
    {"--check", "--offline", "--check asks the site"},
    {"--check", "--overlap", "--check reads one fund, --overlap compares funds"},
    {"--check", "--sort", "--check prints one line per source, in the order asked"},
    {"--check", "--format csv", "--check prints lines (tsv) or JSON"},
    {"--history", "--overlap", "--history lists stored reports, --overlap compares funds"},
    {"--history", "--offline", "--history never asks the site"},
    {"--history", "--sort", "--history lists each fund's reports newest first"},
    {"--overlap", "--sort", "--overlap prints the funds in the order typed"},
    {"--today", "--check", "--today reads quotes for funds, --check asks the site for one"},
    {"--today", "--history", "--today reads quotes, --history lists what is stored"},
    {"--today", "--offline", "--today asks the quote services"},
    {"--today", "--overlap", "--today prints each fund's estimate, --overlap compares funds"},
    {"--today", "--sort", "--today prints the funds in the order typed"},
    {"--accuracy", "--check", "--accuracy lists stored estimates, --check asks the sources"},
    {"--accuracy", "--history", "--accuracy lists estimates, --history lists reports"},
    {"--accuracy", "--overlap", "--accuracy lists estimates, --overlap compares funds"},
    {"--accuracy", "--sort", "--accuracy lists each fund's days newest first"},
    {"--today", "--accuracy", "--today estimates, --accuracy lists stored estimates"},
};

bool given_option(const std::vector<std::string>& given, const char* name) {
    return std::find(given.begin(), given.end(), name) != given.end();
}

// The first pair of `given` options that cannot go together, told in `error`.
bool options_agree(const std::vector<std::string>& given, std::string& error) {
    for (const Conflict& c : kConflicts)
        if (given_option(given, c.first) && given_option(given, c.second)) {
            error = std::string(c.first) + " and " + c.second + " cannot go together: " + c.why;
            return false;
        }
    return true;
}

// Codes looked up in the history are six digits, as the site names funds.
bool history_codes(const char* option, const std::vector<std::string>& codes, std::string& error) {
    for (const std::string& code : codes)
        if (!six_digits(code)) {
            error = std::string(option) + " '" + code +
                    "' is not allowed: use fund codes of six digits";
            return false;
        }
    return true;
}

}  // namespace

bool parse_analyse_options(const std::vector<std::string>& args, AnalyseOptions& options,
                           std::string& error) {
    std::vector<std::string> codes, given;
    if (!take_options(args, options, codes, given, error)) return false;
    if (!options_agree(given, error)) return false;
    if (!options.check.empty()) {
        if (codes.empty()) return true;
        error = "--check takes one code and no other codes";
        return false;
    }
    if (codes.empty() && !options.history) {
        error = args.empty() ? "" : "no fund code given, e.g. qinghe-analyse 160127";
        return false;
    }
    if (!take_codes(codes, options, error)) return false;
    if (options.history && !options.amounts.empty()) {
        error = "--history takes fund codes without amounts";
        return false;
    }
    if (options.history && !history_codes("--history", options.codes, error)) return false;
    if (options.accuracy && !options.amounts.empty()) {
        error = "--accuracy takes fund codes without amounts";
        return false;
    }
    if (options.accuracy && !history_codes("--accuracy", options.codes, error)) return false;
    if (options.overlap && !options.amounts.empty()) {
        error = "--overlap compares the funds' holdings and takes no amounts (CODE=AMOUNT)";
        return false;
    }
    if (options.sort == SortKey::exposure && options.amounts.empty()) {
        error = "--sort exposure needs an amount for every code (CODE=AMOUNT)";
        return false;
    }
    return true;
}

}  // namespace qinghe::app
