// The rows the analysis leaves in the main window's result list: each
// row's tip and the web link a double-click opens.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QApplication>
#include <QToolTip>
#include <algorithm>
#include <string>
#include <vector>

#include "app/analysis_run.h"
#include "main_window_fixture.h"
#include "runtime/event_dispatch.h"
#include "support/capturing_web_opener.h"

namespace qinghe::app {
namespace {

using namespace main_window_testing;
using qinghe::testing::CapturingWebOpener;

// Hovering a row shows the funds that hold the stock, in typed order, and
// that the funds report different quarters (this site has no asset
// allocations: each fund's line says so).
TEST_F(AnalysisTest, EachRowsTipNamesTheFundsHoldingItAndDifferingQuarters) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    namespace code = testing_support::fund_code;
    LoopbackServer server(
        pages({"Generated", false, {code::demo, code::foreign, code::older_report}}));
    point_at(server);
    type_codes("701001\r\n702001\r\n705001");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    ASSERT_EQ(rows().size(), 25u);  // 杉屿服饰-W, 澄岫食品 and 泓樾汽车 shared

    const std::string dates = "\n报告期不同: 2022-06-30, 2022-09-30";
    const std::string shared =
        "701001 青禾新兴消费混合A 8.87% (2022-09-30) 资产配置未知\n"
        "705001 篁岭科技先锋股票 6.43% (2022-06-30) 资产配置未知" +
        dates;
    EXPECT_EQ(tip_of("澄岫食品"), shared);
    EXPECT_EQ(tip_of("杉屿服饰-W"),
              "701001 青禾新兴消费混合A 5.48% (2022-09-30) 资产配置未知\n"
              "702001 澄川全球消费精选混合人民币C 5.73% (2022-09-30) 资产配置未知" +
                  dates);
    EXPECT_EQ(tip_of("Kestrel Athletic"),
              "702001 澄川全球消费精选混合人民币C 2.55% (2022-09-30) 资产配置未知" + dates);
    click(unit::label_sort_by_occurrences);  // the tips move with their rows
    EXPECT_EQ(tip_of("澄岫食品"), shared);

    // The list box shows a row's tip on a tool-tip event over it.
    QAbstractItemView* view = list_view();
    const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view->viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), tip_of(rows()[0][0]));
    QToolTip::hideText();
}

// Amounts after the codes add the column 持有金额 (Σ amount × ratio / 100),
// each fund's part in the tips and a sort by money; without them the list
// is three columns again.
TEST_F(AnalysisTest, AmountsAddTheMoneyColumnItsTipsAndItsSort) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    namespace code = testing_support::fund_code;
    LoopbackServer server(
        pages({"Generated", false, {code::demo, code::foreign, code::older_report}}));
    point_at(server);
    type_codes("701001 20000\r\n702001\r\n705001=10,000");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    ASSERT_EQ(rows().size(), 25u);
    EXPECT_FALSE(object(unit::label_sort_by_money)->isHidden());
    EXPECT_EQ(text_property(unit::label_progress), "未填金额: 702001");
    const auto money_of = [](const std::string& name) {
        for (const auto& row : rows())
            if (row[0] == name) return row.at(3);
        return std::string("no such row");
    };
    EXPECT_EQ(money_of("澄岫食品"), "2,417.00");    // 20000 × 8.87 % + 10000 × 6.43 %
    EXPECT_EQ(money_of("杉屿服饰-W"), "1,096.00");  // 702001 has no amount: 0
    EXPECT_EQ(tip_of("澄岫食品"),
              "701001 青禾新兴消费混合A 8.87% (2022-09-30) ￥1,774.00 资产配置未知\n"
              "705001 篁岭科技先锋股票 6.43% (2022-06-30) ￥643.00 资产配置未知\n"
              "报告期不同: 2022-06-30, 2022-09-30");

    click(unit::label_sort_by_money);
    std::vector<double> shown;
    for (const auto& row : rows()) {
        std::string digits = row.at(3);
        std::erase(digits, ',');
        shown.push_back(std::stod(digits));
    }
    EXPECT_TRUE(std::is_sorted(shown.rbegin(), shown.rend()));
    EXPECT_EQ(rows()[0][0], "澄岫食品");

    type_codes("701001\r\n702001");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    EXPECT_EQ(list_view()->model()->columnCount(), 3);
    // The list box made afresh for the columns keeps the list's menu.
    auto* box = dynamic_cast<ListBox*>(object(unit::list_results));
    ASSERT_TRUE(box && box->context_menu_requested(QPoint(0, 0), 0));
    if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    EXPECT_TRUE(object(unit::label_sort_by_money)->isHidden());
    EXPECT_EQ(object(unit::label_sort_by_ratio)->x(), 448);
}

TEST_F(AnalysisTest, DoubleClickOpensTheResolvedWebLinkOfTheSelectedRowOnly) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer server(pages());
    point_at(server);
    type_codes("900001\r\n900002");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    ASSERT_EQ(rows().size(), 5u);  // 泸州老窖 merged

    EXPECT_EQ(capture_->shown(), 0) << capture_->utf8();
    CapturingWebOpener opener;
    auto row_of = [](const std::string& name) {
        auto all = rows();
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i][0] == name) return int32_t(i);
        return -1;
    };
    struct Case {
        const char* name;
        std::string opened;  // empty: nothing opened
    };
    const Case cases[] = {
        {"泸州老窖", "http://quote.eastmoney.com/unify/r/0.000568"},  // protocol-relative
        {"示例科技", server.base_url() + "unify/r/0.300001"},         // root-relative
        {"Sample Corp", "https://example.com/sample"},
        {"Sample Corp ", ""},  // a javascript: link is never handed on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        opener.targets.clear();
        set_property(kMain, unit::list_results, 35, kWholeValue, TaggedArg::of_int(row_of(c.name)));
        raise_event(kMain, unit::list_results, kDoubleClick, {});
        EXPECT_EQ(capture_->shown(), 0) << capture_->utf8();
        if (c.opened.empty()) EXPECT_TRUE(opener.targets.empty());
        else EXPECT_EQ(opener.targets, std::vector<std::string>{c.opened});
    }
    opener.targets.clear();
    set_property(kMain, unit::list_results, 35, kWholeValue, TaggedArg::of_int(-1));
    raise_event(kMain, unit::list_results, kDoubleClick, {});
    EXPECT_TRUE(opener.targets.empty());
}

}  // namespace
}  // namespace qinghe::app
