// The three sources on the site's answers as the generator writes them:
// the rows, facts and changes each gives, every variant of the archive and
// mobile answers, the Referer the archive needs and the second request of a
// first quarter.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/app_texts.h"
#include "analysis/sources/archive_source.h"
#include "analysis/sources/holdings_source.h"
#include "analysis/sources/page_source.h"
#include "platform/text_encoding.h"
#include "support/fund_pages.h"
#include "support/whole_page_reading.h"

namespace qinghe::app {
namespace {

using platform::utf8_from_gbk;
using namespace testing_support;

constexpr const char* kBase = "http://site.test/";

// The generated site, answering the archive's no-Referer page to a request
// without the Referer the site wants; every request is kept.
class FakeSite {
public:
    explicit FakeSite(const std::vector<std::string>& codes) : site_(generated_site(codes)) {}

    net::FetchResult operator()(const net::Request& request) {
        requests.push_back(request);
        std::string target = request.url.substr(std::string(kBase).size() - 1);
        const std::string code = query_value(target, "code");
        if (!code.empty() && request.referer != std::string(kBase) + "ccmx_" + code + ".html")
            return {200, generated_answer("archive/no-referer.html"), 0, true};
        auto found = site_.find(target);
        if (found == site_.end()) return {404, "not found", 0, true};
        return {200, found->second, 0, true};
    }

    std::vector<net::Request> requests;

private:
    static std::string query_value(const std::string& target, const std::string& key) {
        const size_t at = target.find("?" + key + "=") != std::string::npos
                              ? target.find("?" + key + "=")
                              : target.find("&" + key + "=");
        if (at == std::string::npos) return {};
        const size_t from = at + key.size() + 2;
        return target.substr(from, target.find('&', from) - from);
    }

    std::map<std::string, std::string> site_;
};

SourceAnswer ask(SourceKind kind, const std::string& code, FakeSite& site) {
    const HoldingsSources sources = make_sources({{kind}, kBase, kBase, kBase});
    return sources[0]->ask(code, [&](const net::Request& r) { return site(r); });
}

// Every generated fund: the archive gives all the page's rows (foreign rows
// without a link on the page too) with the fund's name and date, the
// mobile answer the same rows, and the change the archive works out from
// its two quarters is the change the mobile answer states.
TEST(HoldingsSources, ArchiveAndMobileGiveThePagesRowsWithTheSameChanges) {
    std::map<std::string, std::vector<GeneratedRow>> listed;
    for (const GeneratedRow& r : generated_rows()) listed[r.code].push_back(r);
    const std::vector<std::string> codes = generated_codes();
    FakeSite site(codes);
    for (const std::string& code : codes) {
        SCOPED_TRACE(code);
        const std::vector<GeneratedRow>& rows = listed[code];
        const SourceAnswer archive = ask(SourceKind::archive, code, site);
        const SourceAnswer mobile = ask(SourceKind::mobile, code, site);
        ASSERT_EQ(archive.rows.size(), rows.size());
        ASSERT_EQ(mobile.rows.size(), rows.size());
        if (rows.empty()) continue;
        EXPECT_EQ(utf8_from_gbk(archive.facts.name), rows[0].fund);
        EXPECT_EQ(archive.facts.report_date, rows[0].date);
        EXPECT_EQ(mobile.facts.report_date, rows[0].date);
        EXPECT_FALSE(archive.exited.empty());
        for (size_t i = 0; i < rows.size(); ++i) {
            const FundRow& a = archive.rows[i].row;
            const FundRow& m = mobile.rows[i].row;
            EXPECT_EQ(utf8_from_gbk(a.stock_name), rows[i].stock);
            EXPECT_EQ(a.stock_name, m.stock_name);
            EXPECT_FLOAT_EQ(a.ratio, std::stof(rows[i].ratio));
            EXPECT_FLOAT_EQ(m.ratio, a.ratio);
            EXPECT_EQ(a.change, m.change) << rows[i].stock;
            EXPECT_EQ(a.change_points, m.change_points) << rows[i].stock;
            if (!rows[i].link.empty()) {
                EXPECT_EQ(archive.rows[i].link, rows[i].link);
            }
        }
    }
}

TEST(HoldingsSources, EachVariantGivesItsRowsOrSaysWhyNot) {
    const struct {
        SourceKind kind;
        const char* code;
        size_t rows;
        const char* reason;
        const char* first_name;
        const char* charset;
        size_t requests;
    } cases[] = {
        {SourceKind::page, fund_code::archive_only, 0, "no box", "", "utf-8", 1},
        {SourceKind::page, fund_code::mobile_only, 0, "empty box", "", "utf-8", 1},
        {SourceKind::page, "999999", 0, "status 404", "", "utf-8", 1},
        {SourceKind::archive, fund_code::archive_only, 10, "", "岚溪酒业", "utf-8", 1},
        {SourceKind::archive, fund_code::mobile_only, 0, "not apidata", "", "utf-8", 1},
        {SourceKind::archive, fund_code::no_holdings, 0, "no stocks", "", "utf-8", 1},
        {SourceKind::archive, fund_code::first_quarter, 6, "", "瑾澜医药", "utf-8", 2},
        {SourceKind::archive, fund_code::archive_variants, 10, "", "Quillfield Outfitters Inc",
         "gbk", 1},
        {SourceKind::archive, fund_code::archive_escaped, 6, "", "苒溪电力", "utf-8", 1},
        {SourceKind::mobile, fund_code::archive_only, 0, "failure (ErrCode 61) 无效的基金代码", "",
         "utf-8", 1},
        {SourceKind::mobile, fund_code::mobile_only, 5, "", "璟屿银行", "utf-8", 1},
        {SourceKind::mobile, fund_code::no_holdings, 0, "no stocks", "", "utf-8", 1},
    };
    std::vector<std::string> codes = generated_source_codes();
    codes.push_back(fund_code::no_holdings);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(ascii_name(c.kind)) + " " + c.code);
        FakeSite site(codes);
        const SourceAnswer answer = ask(c.kind, c.code, site);
        EXPECT_EQ(answer.rows.size(), c.rows);
        EXPECT_EQ(answer.reason, c.reason);
        EXPECT_EQ(answer.charset, c.charset);
        EXPECT_EQ(site.requests.size(), c.requests);
        if (c.rows && !answer.rows.empty()) {
            EXPECT_EQ(utf8_from_gbk(answer.rows[0].row.stock_name), c.first_name);
        }
    }
}

// The page is cut in its own bytes and only its pieces converted: every
// generated page, and pages whose markers, zero bytes, byte-order marks,
// broken bytes and characters GBK lacks sit where a cut could go wrong,
// read as the whole converted page reads.
TEST(HoldingsSources, PageReadFromItsPiecesAsFromItsWholeText) {
    const std::string demo = generated_page(fund_code::demo);
    const size_t box = demo.find("持仓占比");
    const size_t date = demo.find("持仓截止日期:");
    ASSERT_NE(box, std::string::npos);
    ASSERT_NE(date, std::string::npos);
    const auto at = [&](size_t where, const std::string& bytes) {
        std::string page = demo;
        return page.insert(where, bytes);
    };
    std::vector<std::string> pages;
    for (const std::string& code : generated_codes()) pages.push_back(generated_page(code));
    pages.insert(pages.end(), {
        "\xEF\xBB\xBF" + demo,                              // a byte-order mark
        at(box + 12, "\xEF\xBB\xBF"),                        // a mark's bytes opening the box
        at(box, std::string(1, '\0')),                        // the page ends before the box
        at(box + 200, std::string(1, '\0')),                  // ... inside it
        at(date + 19, std::string("\0", 1)),                   // ... inside the date
        at(box, "\xE6"), at(box + 12, "\x8C\x81"),             // broken bytes at the cuts
        at(date, "\xE6\x8C"), at(box + 12, "\xF0\x9F\x98\x80"),  // and a character GBK lacks
        at(0, "持仓截止日期: 2021-03-31 "),                     // a date before the box
        at(box, "持仓截止日期:"),                               // the end right before the box
        at(box + 12, "持仓截止日期:"),                          // ... touching its start
        demo.substr(0, date),                                  // no end
        demo.substr(box),                                      // no title
        "<title>苒溪(" + std::string(fund_code::demo) + ")</title>",  // a title only
        "<title>" + std::string(fund_code::demo) + "</title>持仓占比",
    });
    const std::string url = std::string(kBase) + fund_code::demo + ".html";
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        const HoldingsSources sources = make_sources({{SourceKind::page}, kBase, kBase, kBase});
        const SourceAnswer read = sources[0]->ask(fund_code::demo, [&](const net::Request&) {
            return net::FetchResult{200, pages[i], 0, true};
        });
        const SourceAnswer whole = whole_page_reading(fund_code::demo, pages[i], url);
        EXPECT_EQ(read.facts.name, whole.facts.name);
        EXPECT_EQ(read.facts.report_date, whole.facts.report_date);
        EXPECT_EQ(read.section, whole.section);
        ASSERT_EQ(read.rows.size(), whole.rows.size());
        for (size_t r = 0; r < read.rows.size(); ++r) {
            EXPECT_EQ(read.rows[r].row.stock_name, whole.rows[r].row.stock_name);
            EXPECT_EQ(read.rows[r].row.ratio, whole.rows[r].row.ratio);
            EXPECT_EQ(read.rows[r].link, whole.rows[r].link);
        }
    }
}

// The first quarter of a year is alone in its answer: the previous quarter
// comes from the request for the year before, and the rows get changes.
TEST(HoldingsSources, FirstQuarterAsksForTheYearBeforeOnce) {
    FakeSite site(generated_source_codes());
    const SourceAnswer answer = ask(SourceKind::archive, fund_code::first_quarter, site);
    ASSERT_EQ(site.requests.size(), 2u);
    EXPECT_EQ(
        site.requests[1].url,
        std::string(kBase) + archive_target(fund_code::first_quarter, "2022", "12").substr(1));
    EXPECT_EQ(site.requests[1].referer, site.requests[0].referer);
    EXPECT_EQ(answer.facts.report_date, "2023-03-31");
    for (const SourceRow& row : answer.rows) EXPECT_FALSE(row.row.change.empty());
    EXPECT_FALSE(answer.exited.empty());
}

// Foreign rows: a name cell without a link takes the code cell's; a row
// with neither has none. Twelve rows give ten.
TEST(HoldingsSources, ArchiveRowLinksComeFromTheNameCellElseTheCodeCell) {
    FakeSite site(generated_source_codes());
    const SourceAnswer answer = ask(SourceKind::archive, fund_code::archive_variants, site);
    ASSERT_EQ(answer.rows.size(), 10u);
    EXPECT_EQ(answer.rows[0].link, "http://quote.example.com/r/105.QLFD");  // code cell only
    EXPECT_EQ(answer.rows[2].link, "http://quote.example.com/r/1.603871");
    EXPECT_EQ(answer.rows[5].link, "");  // 韦芒时装集团: no link at all
    EXPECT_EQ(utf8_from_gbk(answer.facts.name), "珩岭全球配置混合人民币A");
}

// Every source's names reach the merge with their character references
// decoded, as the page's do.
TEST(HoldingsSources, NamesOfEverySourceAreDecoded) {
    const std::string archive =
        "var apidata={ content:\"<div class='boxitem'><h4><a title='基金&amp;甲'>x</a> "
        "2026年3季度股票投资明细</h4><table><tr><th>股票名称</th><th>占净值比例</th></tr>"
        "<tr><td>A&amp;B</td><td>1.5%</td></tr></table></div>\"};";
    const std::string mobile =
        R"({"Datas":{"fundStocks":[{"GPJC":"C&#38;D","JZBL":"2"}]},"ErrCode":0,"Success":true})";
    const Fetch fetch = [&](const net::Request& r) {
        return net::FetchResult{200, r.url.find("Archives") != std::string::npos ? archive : mobile,
                                0, true};
    };
    const HoldingsSources sources =
        make_sources({{SourceKind::archive, SourceKind::mobile}, kBase, kBase, kBase});
    const SourceAnswer a = sources[0]->ask("000001", fetch);
    const SourceAnswer m = sources[1]->ask("000001", fetch);
    ASSERT_EQ(a.rows.size(), 1u);
    ASSERT_EQ(m.rows.size(), 1u);
    EXPECT_EQ(a.rows[0].row.stock_name, "A&B");
    EXPECT_EQ(utf8_from_gbk(a.facts.name), "基金&甲");
    EXPECT_EQ(m.rows[0].row.stock_name, "C&D");
}

// One name in GBK inside a UTF-8 body costs that name only (its bytes
// become "?"); a body mostly in GBK is read as GBK.
TEST(HoldingsSources, ArchiveBodyIsUtf8WhenNearlyAllOfItIs) {
    const auto body = [](const std::string& names) {
        return "var apidata={ content:\"<div class='boxitem'><h4>2026年3季度 "
               "截止至：2026-09-30</h4>"
               "<table><tr><th>股票名称</th><th>占净值比例</th></tr>" +
               names + "</table></div>\"};";
    };
    const auto cell = [](const std::string& name) {
        return "<tr><td>" + name + "</td><td>1.5%</td></tr>";
    };
    const std::string mixed =
        body(cell("岚溪酒业") + cell(platform::gbk_from_utf8("瑾澜医药")) + cell("苒溪电力"));
    const std::string gbk = platform::gbk_from_utf8(body(cell("岚溪酒业") + cell("苒溪电力")));
    for (const auto& [text, charset, second] :
         {std::tuple{mixed, "utf-8", "??????"}, std::tuple{gbk, "gbk", "苒溪电力"}}) {
        const SourceAnswer answer =
            make_sources({{SourceKind::archive}, kBase, kBase, kBase})[0]->ask(
                "000001", [&](const net::Request&) {
                    return net::FetchResult{200, text, 0, true};
                });
        EXPECT_EQ(answer.charset, charset);
        ASSERT_GE(answer.rows.size(), 2u) << charset;
        EXPECT_EQ(utf8_from_gbk(answer.rows[0].row.stock_name), "岚溪酒业");
        EXPECT_EQ(utf8_from_gbk(answer.rows[1].row.stock_name), second);
    }
}

// The mobile endpoint answers a browser with no stocks: its requests carry
// the app's user agent, or the one the settings name.
TEST(HoldingsSources, MobileRequestsSendAnAppsUserAgentUnlessOneIsSet) {
    for (const std::string& agent : {std::string(kMobileUserAgent), std::string("Custom/2.0")}) {
        FakeSite site(generated_source_codes());
        SourceSettings settings{{SourceKind::mobile}, kBase, kBase, kBase};
        if (agent != kMobileUserAgent) settings.mobile_user_agent = agent;
        make_sources(settings)[0]->ask(fund_code::mobile_only,
                                       [&](const net::Request& r) { return site(r); });
        ASSERT_EQ(site.requests.size(), 1u);
        EXPECT_EQ(site.requests[0].user_agent, agent);
    }
}

}  // namespace
}  // namespace qinghe::app
