// The keys of section 设置 that name a host the program asks, in the order of
// the host table (analysis/host_table.h; HostTable.TestsKnowEveryKey keeps
// the two alike), and the lines that point every one at one server: a test,
// the demo or a benchmark that sets them all reaches nothing beyond it.
#pragma once

#include <string>

namespace qinghe::testing_support {

inline constexpr const char* kHostKeys[] = {"基金网址",     "档案网址",     "移动网址", "行情网址",
                                            "备用行情网址", "文本行情网址", "净值网址"};

// "基金网址=BASE\r\n档案网址=BASE\r\n…" (UTF-8).
inline std::string every_host_at(const std::string& base) {
    std::string lines;
    for (const char* key : kHostKeys) lines += std::string(key) + "=" + base + "\r\n";
    return lines;
}

}  // namespace qinghe::testing_support
