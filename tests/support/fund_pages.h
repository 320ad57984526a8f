// The fund pages the build generates (tools/make_fund_pages.py, target
// fund_pages) and the saved real pages beside the repository, which exist
// only where ../shared/fixtures does: tests of real pages skip without them.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qinghe::testing_support {

// Generated funds with a fixed role and fixed holdings, whatever the seed.
namespace fund_code {
inline constexpr const char* demo = "701001";          // ten linked rows
inline constexpr const char* demo_class_c = "701002";  // the same table as demo
inline constexpr const char* foreign = "702001";       // ten rows, two <div> rows without a link
inline constexpr const char* short_table = "703001";   // seven rows
inline constexpr const char* no_holdings = "704001";   // the 暂无数据 box
inline constexpr const char* older_report = "705001";  // reported 2022-06-30, the others 2022-09-30
// Funds of source-codes.txt, which only the archive or the mobile answer gives.
inline constexpr const char* archive_only = "706001";      // no box; mobile sends the failure JSON
inline constexpr const char* mobile_only = "706002";       // empty box; archive sends its 404 page
inline constexpr const char* first_quarter = "706003";     // no box; 2023 Q1, Q4 2022 asked apart
inline constexpr const char* archive_variants = "706004";  // 12 rows, foreign rows, GBK body
inline constexpr const char* archive_escaped = "706005";   // content as \uXXXX and \/
}  // namespace fund_code

inline std::string read_fund_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string generated_page(const std::string& code) {
    return read_fund_file(QINGHE_GENERATED_PAGES_DIR "/" + code + ".html");
}

// The demo fund's page a quarter earlier: reported 2022-06-30, 岚溪酒业 at
// 8.00% (9.41% now), 旧日物流 where 栎峰物流 is now.
inline std::string demo_page_quarter_before() {
    std::string page = generated_page(fund_code::demo);
    for (auto [now, before] :
         {std::pair{"2022-09-30", "2022-06-30"}, std::pair{"bold\">9.41%", "bold\">8.00%"},
          std::pair{"title=\"栎峰物流\">栎峰物流", "title=\"旧日物流\">旧日物流"}})
        page.replace(page.find(now), std::string_view(now).size(), before);
    return page;
}

// Every generated code, in generation order.
inline std::vector<std::string> generated_codes() {
    std::istringstream lines(read_fund_file(QINGHE_GENERATED_PAGES_DIR "/codes.txt"));
    std::vector<std::string> codes;
    for (std::string code; std::getline(lines, code);)
        if (!code.empty()) codes.push_back(code);
    return codes;
}

// The funds that only the other sources answer, in generation order.
inline std::vector<std::string> generated_source_codes() {
    std::istringstream lines(read_fund_file(QINGHE_GENERATED_PAGES_DIR "/source-codes.txt"));
    std::vector<std::string> codes;
    for (std::string code; std::getline(lines, code);)
        if (!code.empty()) codes.push_back(code);
    return codes;
}

// The request targets of a fund's three sources under a base URL of "/".
inline std::string page_target(const std::string& code) { return "/" + code + ".html"; }
inline std::string archive_target(const std::string& code, const std::string& year = "",
                                  const std::string& month = "") {
    return "/FundArchivesDatas.aspx?type=jjcc&code=" + code + "&topline=10&year=" + year +
           "&month=" + month;
}
inline std::string mobile_target(const std::string& code) {
    return "/FundMNewApi/FundMNInverstPosition?FCODE=" + code +
           "&deviceid=Wap&plat=Wap&product=EFund&version=2.0.0";
}

// A generated answer file ("archive/701001.js"); empty when there is none.
inline std::string generated_answer(const std::string& name) {
    return read_fund_file(QINGHE_GENERATED_PAGES_DIR "/" + name);
}

// The site as the generator wrote it for `codes`, by request target: each
// fund's page, archive answer (and the year before's, where there is one)
// and mobile answer.
inline std::map<std::string, std::string> generated_site(const std::vector<std::string>& codes) {
    std::map<std::string, std::string> site;
    for (const std::string& code : codes) {
        site[page_target(code)] = generated_page(code);
        site[archive_target(code)] = generated_answer("archive/" + code + ".js");
        site[mobile_target(code)] = generated_answer("mobile/" + code + ".json");
        const std::string before = generated_answer("archive/" + code + "-2022-12.js");
        if (!before.empty()) site[archive_target(code, "2022", "12")] = before;
    }
    return site;
}

// One holdings row as the generator lists it in holdings.tsv; link is
// empty for a <div> row, else the stock link resolved against an http page.
struct GeneratedRow {
    std::string code, date, fund, stock, ratio, link;
};

inline std::vector<GeneratedRow> generated_rows() {
    std::istringstream lines(read_fund_file(QINGHE_GENERATED_PAGES_DIR "/holdings.tsv"));
    std::vector<GeneratedRow> rows;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream cells(line);
        GeneratedRow r;
        for (std::string* field : {&r.code, &r.date, &r.fund, &r.stock, &r.ratio, &r.link})
            std::getline(cells, *field, '\t');
        rows.push_back(r);
    }
    return rows;
}

inline std::string real_pages_dir() {
    return std::filesystem::path(QINGHE_SHARED_FIXTURE_DIR "/fund-pages")
        .lexically_normal()
        .string();
}

// The path of a saved real page, or "" where the real pages are absent.
inline std::string real_page_path(const std::string& code) {
    const std::string path = real_pages_dir() + "/" + code + ".html";
    return std::filesystem::exists(path) ? path : "";
}

}  // namespace qinghe::testing_support

// Ends a test of the real pages as skipped, naming the missing folder.
#define SKIP_WITHOUT_REAL_FUND_PAGES()                                             \
    if (!std::filesystem::is_directory(qinghe::testing_support::real_pages_dir())) \
    GTEST_SKIP() << "real fund pages absent: no folder "                           \
                 << qinghe::testing_support::real_pages_dir()
