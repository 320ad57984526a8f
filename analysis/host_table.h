// Every host the program asks, one row each: its name (also the command
// line's, `--url NAME=BASE`), its key in section 设置 of 配置.ini and its
// built-in base URL. Tests, the demo and the benchmarks set every row, so no run of
// theirs reaches the real site through a default.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::app {

enum class Host { page, archive, mobile, quote, quote2, tencent, nav };
inline constexpr size_t kHostCount = 7;

struct HostRow {
    Host host;
    std::string name;      // page, archive, mobile, quote, quote2, tencent, nav
    std::string key;       // UTF-8: 基金网址, 档案网址 …
    std::string fallback;  // a base URL ending in "/"
};

// The rows in the order of Host.
const std::vector<HostRow>& host_table();
const HostRow& host_row(Host host);
// The host of a name of the table; nothing for any other text.
std::optional<Host> host_named(std::string_view name);

// A base URL for every host.
class HostBases {
public:
    // Every row's built-in base URL.
    HostBases();
    const std::string& operator[](Host host) const { return bases_[size_t(host)]; }
    std::string& operator[](Host host) { return bases_[size_t(host)]; }

private:
    std::array<std::string, kHostCount> bases_;
};

// Whether `url` may be a host's base: an http or https URL ending in "/".
bool is_base_url(std::string_view url);

}  // namespace qinghe::app
