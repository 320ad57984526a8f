// The result list's context menu in the main window: which items are
// greyed, the clipboard's text, the export's three formats read back by
// Python and a failed export, and the overlap window it opens.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTableWidget>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <set>
#include <sstream>

#include "analysis/history/estimate_store.h"
#include "analysis/history/history_location.h"
#include "app/analysis_run.h"
#include "app/overlap_window.h"
#include "app/result_export.h"
#include "app/result_menu.h"
#include "app/today_window.h"
#include "main_window_fixture.h"

namespace qinghe::app {
namespace {

using namespace main_window_testing;
namespace code = testing_support::fund_code;

class ResultMenuTest : public AnalysisTest {
protected:
    void analyse(const LoopbackServer& server, const std::string& codes) {
        point_at(server);
        type_codes(codes);
        click(unit::label_analyse);
        ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    }

    // The menu a right click on `row` (-1: below the rows) opens, through
    // the list box's hook.
    static QMenu* right_click(int row) {
        QAbstractItemView* view = list_view();
        const QPoint at = row >= 0 ? view->visualRect(view->model()->index(row, 0)).center()
                                   : QPoint(4, view->viewport()->height() - 4);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &event);
        QMenu* menu = nullptr;
        for (QMenu* m : object(0)->findChildren<QMenu*>())
            if (m->isVisible()) menu = m;
        return menu;
    }

    // Item texts, "(off)" after a greyed one.
    static std::vector<std::string> items(QMenu* menu) {
        std::vector<std::string> out;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                out.push_back(a->text().toStdString() + (a->isEnabled() ? "" : "(off)"));
        menu->close();
        return out;
    }

    static void trigger(const std::string& item, int row = -1) {
        QMenu* menu = right_click(row);
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions())
            if (a->text().toStdString() == item) a->trigger();
        menu->close();
    }

    static std::string cell(int row, int column) {
        auto* table = overlap_window()->findChild<QTableWidget*>();
        return table->item(row, column)->text().toStdString();
    }
};

TEST_F(ResultMenuTest, ItemsAreGreyedWithNothingToActOnAndTheOverlapWhileARunWorks) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    ASSERT_NE(right_click(-1), nullptr) << "no menu through the list box's hook";
    EXPECT_EQ(items(right_click(-1)),
              (std::vector<std::string>{"复制(off)", "导出…(off)", "打开股票页面(off)",
                                        "基金重合度…(off)", "今日估算…(off)"}));
    // Held back by the server until the menu was looked at mid-run.
    std::mutex mutex;
    std::condition_variable released;
    bool hold = false;
    LoopbackServer server(pages({"Generated", false, {code::demo, code::foreign}}));
    server.on_request([&](const std::string&) {
        std::unique_lock lock(mutex);
        released.wait(lock, [&] { return !hold; });
    });
    analyse(server, "701001\r\n702001");
    EXPECT_EQ(items(right_click(0)), (std::vector<std::string>{"复制", "导出…", "打开股票页面",
                                                               "基金重合度…", "今日估算…"}));
    {
        std::lock_guard lock(mutex);
        hold = true;
    }
    type_codes("701001\r\n702001");
    click(unit::label_analyse);
    EXPECT_GT(runs_in_progress(), 0);
    EXPECT_EQ(items(right_click(0)),
              (std::vector<std::string>{"复制", "导出…", "打开股票页面", "基金重合度…(off)",
                                        "今日估算…(off)"}));
    {
        std::lock_guard lock(mutex);
        hold = false;
    }
    released.notify_all();
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    // One fund with rows is nothing to compare; a javascript: link opens nothing.
    analyse(server, "900002\r\n704001");
    const auto all = rows();
    int unlinked = -1;
    for (size_t r = 0; r < all.size(); ++r)
        if (all[r][0] == "Sample Corp ") unlinked = int(r);
    ASSERT_GE(unlinked, 0);
    EXPECT_EQ(items(right_click(unlinked)),
              (std::vector<std::string>{"复制", "导出…", "打开股票页面(off)", "基金重合度…(off)",
                                        "今日估算…"}));
}

TEST_F(ResultMenuTest, CopyPutsTheCaptionsAndTheSelectedOrElseAllRowsOnTheClipboard) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer server(pages());
    analyse(server, "900001\r\n900002");
    const auto shown = rows();
    ASSERT_EQ(shown.size(), 5u);
    auto line = [](const std::vector<std::string>& cells) {
        return cells[0] + '\t' + cells[1] + '\t' + cells[2] + '\n';
    };
    std::string all = "股票名称\t持仓比例\t出现次数\n";
    for (const auto& r : shown) all += line(r);
    trigger("复制");
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), all);
    set_property(kMain, unit::list_results, 35, kWholeValue, TaggedArg::of_int(3));
    trigger("复制", 3);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              "股票名称\t持仓比例\t出现次数\n" + line(shown[3]));
}

// Runs python3 (never a shell) with `script` and `file`; its output.
std::string python(const std::string& script, const std::string& file) {
    QProcess process;
    process.start("python3", {"-c", QString::fromStdString(script), QString::fromStdString(file)});
    process.waitForFinished(30000);
    return process.readAllStandardOutput().toStdString() +
           process.readAllStandardError().toStdString();
}

TEST_F(ResultMenuTest, ExportWritesEachFormatAsTheListShowsItAndAFailureWritesNothing) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer server(pages({"Generated", false, {code::demo, code::demo_class_c}}));
    analyse(server, "701001\r\n701002\r\n900001");
    click(unit::label_sort_by_occurrences);
    std::string names;  // as shown, one a line
    for (const auto& r : rows()) names += r[0] + ' ' + r[1] + ' ' + r[2] + '\n';
    std::string error;
    for (const char* file : {"list.csv", "list.JSON", "list.tsv"}) {
        const std::string path = directory_.file(file);
        const auto format = format_of_file_name(path);
        ASSERT_TRUE(format.has_value()) << file;
        ASSERT_TRUE(export_results(path, *format, error)) << error;
    }
    EXPECT_EQ(
        python("import csv,sys\n"
               "rows = list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline='')))\n"
               "assert rows[0] == ['股票名称', '持仓比例', '出现次数', '链接'], rows[0]\n"
               "for r in rows[1:]: print(r[0], r[1], r[2])\n",
               directory_.file("list.csv")),
        names);
    EXPECT_EQ(python("import json,sys\n"
                     "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                     "for s in d['stocks']: print(s['name'], s['ratio'], s['occurrences'])\n"
                     "print(d['same_holdings'], [f['code'] for f in d['funds']])\n",
                     directory_.file("list.JSON")),
              names + "[['701001', '701002']] ['701001', '701002', '900001']\n");
    EXPECT_EQ(python("import sys\n"
                     "for l in open(sys.argv[1], encoding='utf-8'): print(*l.split('\\t')[:3])\n",
                     directory_.file("list.tsv")),
              names);
    EXPECT_FALSE(format_of_file_name("list.txt").has_value());

    // Into a folder that does not exist: a message box names the file and
    // why, and nothing is written.
    const std::string missing = directory_.file("no such folder/list.csv");
    std::string message;
    QTimer::singleShot(0, [&] {
        wait_until([] { return QApplication::activeModalWidget() != nullptr; }, 5000);
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            message = (box->text() + '\n' + box->informativeText()).toStdString();
            box->accept();
        }
    });
    export_results_to(object(0), missing, OutputFormat::csv);
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(directory_.file("no such folder")));
}

// 701001 and 701002 are one portfolio (total 54.20); 701001 shares 杉屿服饰-W
// (5.48, 5.73) with 702001 (eight linked rows, 31.81), 澄岫食品 (8.87, 6.43)
// and 泓樾汽车 (3.64, 5.21) with 705001 (52.99); 702001 and 705001 share
// nothing.
TEST_F(ResultMenuTest, OverlapWindowShowsTheRunsFundsSurvivesSortsAndClosesOnEscAndNextRun) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer server(pages(
        {"Generated", false, {code::demo, code::demo_class_c, code::foreign, code::older_report}}));
    analyse(server, "701001\r\n704001\r\n701002\r\n702001\r\n705001");
    trigger("基金重合度…");
    ASSERT_NE(overlap_window(), nullptr);
    auto* table = overlap_window()->findChild<QTableWidget*>();
    ASSERT_EQ(table->rowCount(), 4);  // 704001 gave no rows
    EXPECT_EQ(table->verticalHeaderItem(3)->text().toStdString(), "705001 篁岭科技先锋股票");
    const std::vector<std::vector<std::string>> expected = {
        {"合计 54.20\n10 只", "54.20 ≡\n10 只", "5.48\n1 只", "10.07\n2 只"},
        {"54.20 ≡\n10 只", "合计 54.20\n10 只", "5.48\n1 只", "10.07\n2 只"},
        {"5.48\n1 只", "5.48\n1 只", "合计 31.81\n8 只", "0.00\n0 只"},
        {"10.07\n2 只", "10.07\n2 只", "0.00\n0 只", "合计 52.99\n10 只"},
    };
    auto cells = [table] {
        std::vector<std::vector<std::string>> out(4);
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b) out[a].push_back(table->item(a, b)->text().toStdString());
        return out;
    };
    EXPECT_EQ(cells(), expected);
    EXPECT_EQ(table->item(0, 3)->toolTip().toStdString(),
              "701001 青禾新兴消费混合A\n705001 篁岭科技先锋股票\n"
              "共同持有 2 只, 重合 10.07 个百分点\n"
              "澄岫食品  8.87% / 6.43%\n泓樾汽车  3.64% / 5.21%");
    click(unit::label_sort_by_occurrences);
    EXPECT_EQ(cells(), expected);
    // As narrow as it gets, the legend's text wraps to three lines, and the
    // legend grows to hold them.
    overlap_window()->resize(560, overlap_window()->height());
    QCoreApplication::processEvents();
    const auto* legend = overlap_window()->findChild<QWidget*>("legend");
    ASSERT_NE(legend, nullptr);
    EXPECT_GE(legend->height(), 3 * legend->fontMetrics().lineSpacing());

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(table, &esc);
    EXPECT_EQ(overlap_window(), nullptr);
    ASSERT_NE(object(0), nullptr);  // Esc closed only the overlap window
    trigger("基金重合度…");
    ASSERT_NE(overlap_window(), nullptr);
    click(unit::label_analyse);
    EXPECT_EQ(overlap_window(), nullptr);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
}

// The quotes of the 今日估算 tests: every stock +1.00% except those only
// 705001 holds, -2.00%, and 漪汀旅游 (2.57 of 701001), none. The US stocks
// of 702001 have no stock code to ask for. 701001's stock share is 84.20
// (its top ten 54.20), 705001's 82.99 (52.99): they estimate +0.84% and
// 0.8299 × (11.64 × 1 − 41.35 × 2) / 52.99 = −1.11%; 702001 has quotes
// for 5.73 of its 37.14.
class TodayWindowTest : public ResultMenuTest {
protected:
    static constexpr long long kQuotedAt = 1796798102;  // 2026-12-09 14:35:02 in Shanghai

    static std::string quote_answer(const std::string& target) {
        const std::string secids = target.substr(target.find("secids=") + 7);
        std::string diff;
        std::istringstream names(secids);
        for (std::string secid; std::getline(names, secid, ',');) {
            const size_t dot = secid.find('.');
            const int market = std::stoi(secid.substr(0, dot));
            if (secid == "0.300952") continue;  // 漪汀旅游: no quote
            const std::string code = secid.substr(dot + 1);
            const bool down = std::set<std::string>{"688417", "300684", "601358", "002519",
                                                    "688761", "300437", "300918", "603892"}
                                  .count(code);
            diff += std::string(diff.empty() ? "" : ",") +
                    "{\"f2\":10.10,\"f3\":" + (down ? "-2.00" : "1.00") + ",\"f12\":\"" + code +
                    "\",\"f13\":" + std::to_string(market) +
                    ",\"f14\":\"x\",\"f18\":10.0,\"f124\":" + std::to_string(kQuotedAt) +
                    ",\"f297\":20261209}";
        }
        return "{\"rc\":0,\"data\":{\"diff\":[" + diff + "]}}";
    }

    // The generated site of `codes` with their asset mixes and the quotes;
    // `before_quotes` runs before each quote answer.
    static LoopbackServer::Handler site(const std::vector<std::string>& codes,
                                        std::function<void()> before_quotes = {}) {
        auto served = testing_support::generated_site(codes);
        for (const std::string& code : codes)
            served["/FundMNewApi/FundMNAssetAllocationNew?FCODE=" + code +
                   "&deviceid=Wap&plat=Wap&product=EFund&version=2.0.0"] =
                testing_support::generated_answer("assets/" + code + ".json");
        return [served, before_quotes](qinghe::testing::Connection& connection) {
            const std::string target = connection.target();
            if (target.starts_with("/api/qt/ulist.np/get?")) {
                if (before_quotes) before_quotes();
                connection.send(qinghe::testing::http_response("200 OK", quote_answer(target)));
                return;
            }
            auto found = served.find(target);
            connection.send(found == served.end()
                                ? qinghe::testing::http_response("404 Not Found", "")
                                : qinghe::testing::http_response("200 OK", found->second));
        };
    }

    void analyse_at(const LoopbackServer& server, const std::string& codes) {
        point_at(server);
        type_codes(codes);
        click(unit::label_analyse);
        ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    }

    // The list, made afresh or just filled, lays itself out (its scroll bars).
    static void settle() {
        wait_until([] { return false; }, 300);
    }

    static QTableWidget* funds() { return today_window()->findChild<QTableWidget*>("funds"); }
    static std::string label(const char* name) {
        return today_window()->findChild<QLabel*>(name)->text().toStdString();
    }
    // The shown cells of a row, "colour:" before those in red or green.
    static std::vector<std::string> fund_row(int row) {
        std::vector<std::string> cells;
        QTableWidget* table = funds();
        for (int c = 0; c < table->columnCount(); ++c) {
            if (table->isColumnHidden(c)) continue;
            const QTableWidgetItem* item = table->item(row, c);
            if (!item) {
                cells.push_back("");
                continue;
            }
            const QColor colour = item->foreground().color();
            const char* hue = colour.red() > 0x90 && colour.green() < 0x60 ? "red:"
                              : colour.green() > colour.red() + 0x40       ? "green:"
                                                                           : "";
            cells.push_back(hue + item->text().toStdString());
        }
        return cells;
    }
};

TEST_F(TodayWindowTest, ShowsEachFundsEstimateInRedOrGreenTheReasonOfNoneAndTheTotal) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer server(site({code::demo, code::foreign, code::no_holdings, code::older_report}));
    analyse_at(server, "701001=10000\r\n702001\r\n704001\r\n705001=2000");
    const auto list_before = rows();
    settle();
    const QImage picture_before = list_view()->grab().toImage();
    trigger("今日估算…");
    ASSERT_NE(today_window(), nullptr);
    EXPECT_EQ(label("status"), "行情加载中…");
    ASSERT_TRUE(wait_until([] { return shown_today_report() != nullptr; }));
    EXPECT_EQ(label("caption"),
              "按基金于 2022-09-30、2022-06-30 披露的前十大持仓和各股票今日的涨跌推算, 只是估算, "
              "并非基金公司公布的净值。主窗口列表的最后一列是各股票今日的涨跌。");
    ASSERT_EQ(funds()->rowCount(), 5);
    using Row = std::vector<std::string>;
    EXPECT_EQ(fund_row(0), (Row{"701001", "青禾新兴消费混合A", "red:+0.84%", "61%", "14:35:02",
                                "red:+￥84.20"}));
    EXPECT_EQ(fund_row(1), (Row{"702001", "澄川全球消费精选混合人民币C", "今日有行情的持仓不足一半",
                                "9%", "14:35:02", ""}));
    EXPECT_EQ(fund_row(2), (Row{"704001", "珩渚货币增利债券A", "没有读到持仓", "", "", ""}));
    EXPECT_EQ(fund_row(3), (Row{"705001", "篁岭科技先锋股票", "green:-1.11%", "64%", "14:35:02",
                                "green:-￥22.26"}));
    EXPECT_EQ(fund_row(4), (Row{"", "合计", "", "", "", "red:+￥61.94"}));
    {  // stored by the window's worker, the funds with an estimate
        HistoryStore history(history_file_path(), HistoryAccess::read_only);
        EXPECT_EQ(estimated_days(history, "701001").size(), 1u);
        EXPECT_EQ(estimated_days(history, "702001").size(), 0u);
    }
    // The list shows each stock's change today, and its tip the price and time.
    ASSERT_EQ(rows().size(), list_before.size());
    auto today_of = [](const std::string& name) {
        for (const auto& row : rows())
            if (row[0] == name) return row.size() == 5 ? row[4] : "no column";
        return std::string("no such row");
    };
    EXPECT_EQ(today_of("岚溪酒业"), "+1.00%");
    EXPECT_EQ(today_of("枫硒半导体"), "-2.00%");
    EXPECT_EQ(today_of("漪汀旅游"), "无行情");
    EXPECT_EQ(today_of("Quillfield Outfitters Inc"), "—");
    EXPECT_NE(tip_of("岚溪酒业").find("\n今日 +1.00%  现价 10.10  14:35:02"), std::string::npos);
    // Read again in 60 s while a market is open, else not.
    EXPECT_EQ(today_window()->findChild<QTimer*>("refresh")->isActive(),
              shown_today_report()->market_open);

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(funds(), &esc);
    EXPECT_EQ(today_window(), nullptr);
    ASSERT_NE(object(0), nullptr);  // Esc closed only the 今日估算 window
    EXPECT_EQ(rows(), list_before);
    settle();
    EXPECT_EQ(list_view()->grab().toImage(), picture_before);
    trigger("今日估算…");
    ASSERT_NE(today_window(), nullptr);
    click(unit::label_analyse);
    EXPECT_EQ(today_window(), nullptr);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
}

// A window closed while its quotes load gets them nowhere: nothing shows
// them, nothing touches the window that is gone.
TEST_F(TodayWindowTest, QuotesThatComeAfterTheWindowClosedAreDropped) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    std::mutex mutex;
    std::condition_variable released;
    bool hold = true, asked = false;
    LoopbackServer server(site({code::demo}, [&] {
        std::unique_lock lock(mutex);
        asked = true;
        released.wait(lock, [&] { return !hold; });
    }));
    analyse_at(server, "701001");
    const auto list_before = rows();
    trigger("今日估算…");
    ASSERT_TRUE(wait_until([&] {
        std::lock_guard lock(mutex);
        return asked;
    }));
    EXPECT_EQ(label("status"), "行情加载中…");
    today_window()->close();
    EXPECT_EQ(today_window(), nullptr);
    {
        std::lock_guard lock(mutex);
        hold = false;
    }
    released.notify_all();
    // The reading ends soon after the answer; its report would be here by then.
    wait_until([] { return false; }, 500);
    EXPECT_EQ(shown_today_report(), nullptr);
    EXPECT_EQ(rows(), list_before);
}

}  // namespace
}  // namespace qinghe::app
