#include "app/today_window.h"

#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTableWidget>
#include <QTimeZone>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "analysis/app_files.h"
#include "analysis/decimal_numbers.h"
#include "analysis/history/history_location.h"
#include "analysis/host_table.h"
#include "analysis/today/today_history.h"
#include "analysis/today/today_reader.h"
#include "app/colour_scheme.h"
#include "app/palette_style.h"
#include "app/program_state.h"
#include "app/side_window.h"
#include "app/result_display.h"
#include "components/colours.h"
#include "platform/text_encoding.h"
#include "program_resources.h"

namespace qinghe::app {
namespace {

constexpr int kRefreshMilliseconds = 60'000;
enum Column { kCode, kName, kChange, kCoverage, kTime, kMoney, kPrevious };

QString qt(const std::string& gbk) { return QString::fromStdString(platform::utf8_from_gbk(gbk)); }

QString percent_text(double percent) {
    return QString::asprintf("%+.2f%%", std::abs(percent) < 0.005 ? 0.0 : percent);
}

QString money_text(double yuan) {
    const bool down = yuan <= -0.005;
    return QString::fromUtf8(down ? "-￥" : "+￥") +
           QString::fromStdString(yuan_text(std::abs(yuan)));
}

// "14:35:02" in Asia/Shanghai time (UTC+8 all year), with the day before it
// when that is not the reading's trading day.
QString time_text(long long unix_seconds, int trading_day) {
    if (unix_seconds <= 0) return {};
    const QDateTime at = QDateTime::fromSecsSinceEpoch(unix_seconds, QTimeZone(8 * 3600));
    const bool that_day =
        at.date().year() * 10000 + at.date().month() * 100 + at.date().day() == trading_day;
    return at.toString(that_day ? "HH:mm:ss" : "yyyy-MM-dd HH:mm");
}

QString reason_words(const TodayFund& fund) {
    if (fund.holdings.empty()) return QString::fromUtf8("没有读到持仓");
    switch (fund.estimate.reason) {
    case NoEstimate::none: break;
    case NoEstimate::stock_share_unknown: return QString::fromUtf8("股票仓位未知, 无法估算");
    case NoEstimate::few_stocks: return QString::fromUtf8("股票仓位不足10%(债券或货币基金)");
    case NoEstimate::few_quotes: return QString::fromUtf8("今日有行情的持仓不足一半");
    case NoEstimate::etf_share_unknown: return QString::fromUtf8("在目标ETF中的份额未知");
    case NoEstimate::etf_unquoted: return QString::fromUtf8("目标ETF今日没有行情");
    }
    return {};
}

// "昨日估算 +0.52% / 公布 +0.48%", or what of it is known.
QString previous_text(const PreviousDay& day) {
    QString text = QString::fromUtf8("估算 ") +
                   (day.estimate ? percent_text(*day.estimate) : QString::fromUtf8("—"));
    text += QString::fromUtf8(" / 公布 ") +
            (day.published ? percent_text(*day.published) : QString::fromUtf8("未公布"));
    return text;
}

// The window's colours in one scheme: its table on the list's background
// where red and green read well on it.
struct Palette {
    QColor window, caption_text, header, header_text, base, text, up, down, quiet;
};

Palette palette_of(const SchemeColours& c) {
    Palette p{colour_of(c.window),
              colour_of(c.caption_text),
              colour_of(c.buttons),
              colour_of(c.button_text),
              {},
              {},
              {},
              {},
              {}};
    if (c.dark) {
        p.base = QColor(Qt::black);
        p.text = colour_of(c.caption_text);
        p.up = QColor(0xFF, 0x4D, 0x4D);
        p.down = QColor(0x3D, 0xD6, 0x6E);
    } else {
        p.base = colour_of(c.areas);
        p.text = colour_of(c.area_text);
        p.up = QColor(0xC0, 0x00, 0x00);
        p.down = QColor(0x00, 0x6B, 0x1E);
    }
    p.quiet = mixed_colour(p.base, p.text, 0.6);
    return p;
}

// What the window and the worker that reads for it share: the reader, the
// history's place, and the window to send the report to, null once the
// window is gone. A late report then goes nowhere. Made on the main thread,
// which alone reads the settings.
struct Reading {
    explicit Reading(QObject* window)
        : reader(quote_settings(host_settings(), quote_source_setting(), &engine)),
          history_path(history_file_path()),
          nav_base(host_settings()[Host::nav]),
          offline(offline_setting()),
          receiver(window) {}

    // On the worker, with a connection of its own to the history; the
    // published changes are asked at the window's first reading only.
    TodayReport read(const std::vector<FundReport>& reports) {
        std::optional<HistoryStore> store;
        if (!history_path.empty()) store.emplace(history_path);
        HistoryStore* history = store ? &*store : nullptr;
        const bool ask = !offline && !published_asked.exchange(true);
        before_today_reading(history, reader, ask ? &engine : nullptr, nav_base, reports);
        TodayReport report = reader.read(reports);
        after_today_reading(history, reader, report);
        return report;
    }

    // Every request of the window's readings, the quotes' and the published changes'.
    net::DownloadEngine engine{parallel_download_setting()};
    TodayReader reader;
    const std::string history_path, nav_base;
    const bool offline;
    std::atomic<bool> published_asked = false;
    std::mutex mutex;
    QObject* receiver;
};

class TodayWindow : public QWidget {
public:
    TodayWindow(QWidget* parent, std::vector<FundReport> reports);
    ~TodayWindow() override;
    void restyle();
    std::shared_ptr<const TodayReport> report() const { return report_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void start_reading();
    void show_report(std::shared_ptr<const TodayReport> report);
    void fill();
    void fill_fund(int row, const TodayFund& fund);
    void fill_total(int row);
    void set_cell(int row, int column, const QString& text, std::optional<double> sign = {});
    QString caption() const;
    QString status() const;

    std::vector<FundReport> reports_;
    std::shared_ptr<Reading> reading_;
    bool under_way_ = false;
    std::shared_ptr<const TodayReport> report_;
    Palette colours_;
    QLabel* caption_;
    QLabel* status_;
    QTableWidget* table_;
    QTimer* refresh_;
};

TodayWindow::TodayWindow(QWidget* parent, std::vector<FundReport> reports)
    : QWidget(parent, Qt::Window),
      reports_(std::move(reports)),
      reading_(std::make_shared<Reading>(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("今日估算"));
    use_list_font(*this);
    caption_ = new QLabel(this);
    caption_->setObjectName("caption");
    caption_->setWordWrap(true);
    status_ = new QLabel(QString::fromUtf8("行情加载中…"), this);
    status_->setObjectName("status");
    status_->setWordWrap(true);
    table_ = new QTableWidget(this);
    table_->setObjectName("funds");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFrameShape(QFrame::NoFrame);
    table_->verticalHeader()->hide();
    use_palette_style(*table_);
    refresh_ = new QTimer(this);
    refresh_->setObjectName("refresh");
    refresh_->setSingleShot(true);
    refresh_->setInterval(kRefreshMilliseconds);
    connect(refresh_, &QTimer::timeout, this, [this] { start_reading(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    caption_->setText(caption());
    restyle();
    start_reading();
}

TodayWindow::~TodayWindow() {
    {
        std::lock_guard lock(reading_->mutex);
        reading_->receiver = nullptr;
    }
    reading_->reader.cancel();
    reading_->engine.cancel_all();
}

// Reads on a thread of its own that holds the reading (and so the reader)
// for as long as it runs; the report comes back through the window's
// event queue, which drops it when the window is gone by then.
void TodayWindow::start_reading() {
    if (under_way_) return;
    under_way_ = true;
    std::thread([reading = reading_, reports = reports_] {
        auto report = std::make_shared<const TodayReport>(reading->read(reports));
        std::lock_guard lock(reading->mutex);
        if (QObject* receiver = reading->receiver)
            QMetaObject::invokeMethod(
                receiver,
                [receiver, report] { static_cast<TodayWindow*>(receiver)->show_report(report); },
                Qt::QueuedConnection);
    }).detach();
}

void TodayWindow::show_report(std::shared_ptr<const TodayReport> report) {
    under_way_ = false;
    if (!isVisible()) return;  // closed, its deletion not yet done
    report_ = std::move(report);
    fill();
    caption_->setText(caption());
    status_->setText(status());
    if (report_->market_open) refresh_->start();
    show_results();  // the list's column of the stocks' changes today
}

QString TodayWindow::caption() const {
    QStringList dates;
    for (const FundReport& fund : reports_)
        if (!fund.facts.report_date.empty() && !dates.contains(qt(fund.facts.report_date)))
            dates << qt(fund.facts.report_date);
    return QString::fromUtf8(
               "按基金于 %1 披露的前十大持仓和各股票今日的涨跌推算, 只是估算, "
               "并非基金公司公布的净值。主窗口列表的最后一列是各股票今日的涨跌。")
        .arg(dates.isEmpty() ? QString::fromUtf8("季报") : dates.join(QString::fromUtf8("、")));
}

QString TodayWindow::status() const {
    if (!report_->quote_fault.empty()) return QString::fromStdString(report_->quote_fault);
    if (!report_->trading_day) return QString::fromUtf8("没有取得今日行情");
    const QString read_at = time_text(report_->read_at, 0);
    return report_->market_open ? QString::fromUtf8("%1 读取, 开市中每 60 秒刷新").arg(read_at)
                                : QString::fromUtf8("%1 读取, 已收市").arg(read_at);
}

void TodayWindow::fill() {
    const bool money = report_->total_money.has_value();
    const bool previous = std::any_of(report_->funds.begin(), report_->funds.end(),
                                      [](const TodayFund& f) { return f.previous.has_value(); });
    QStringList captions = {QString::fromUtf8("代码"),           QString::fromUtf8("名称"),
                            QString::fromUtf8("估算涨跌"),       QString::fromUtf8("覆盖"),
                            QString::fromUtf8("行情时间"),       QString::fromUtf8("今日盈亏"),
                            QString::fromUtf8("昨日(估算/公布)")};
    table_->clear();
    table_->setColumnCount(kPrevious + 1);
    table_->setHorizontalHeaderLabels(captions);
    table_->setColumnHidden(kMoney, !money);
    table_->setColumnHidden(kPrevious, !previous);
    const int funds = int(report_->funds.size());
    table_->setRowCount(funds + (money ? 1 : 0));
    for (int row = 0; row < funds; ++row) fill_fund(row, report_->funds[size_t(row)]);
    if (money) fill_total(funds);
    table_->resizeColumnsToContents();
}

void TodayWindow::fill_fund(int row, const TodayFund& fund) {
    set_cell(row, kCode, qt(fund.code));
    set_cell(row, kName, qt(fund.name));
    if (fund.estimate.change)
        set_cell(row, kChange, percent_text(*fund.estimate.change), *fund.estimate.change);
    else set_cell(row, kChange, reason_words(fund));
    if (!fund.holdings.empty())
        set_cell(row, kCoverage, QString::asprintf("%.0f%%", fund.estimate.coverage * 100));
    set_cell(row, kTime, time_text(fund.quoted_at, report_->trading_day));
    if (fund.money) set_cell(row, kMoney, money_text(*fund.money), *fund.money);
    if (fund.previous)
        set_cell(row, kPrevious,
                 QString::asprintf("%02d-%02d ", fund.previous->trading_day / 100 % 100,
                                   fund.previous->trading_day % 100) +
                     previous_text(*fund.previous));
}

void TodayWindow::fill_total(int row) {
    set_cell(row, kName, QString::fromUtf8("合计"));
    set_cell(row, kMoney, money_text(*report_->total_money), *report_->total_money);
}

// A cell, red when `sign` is up and green when down.
void TodayWindow::set_cell(int row, int column, const QString& text, std::optional<double> sign) {
    auto* item = new QTableWidgetItem(text);
    if (column != kName) item->setTextAlignment(Qt::AlignCenter);
    QColor colour = colours_.text;
    if (sign && *sign >= 0.005) colour = colours_.up;
    else if (sign && *sign <= -0.005) colour = colours_.down;
    else if (column == kChange && !sign) colour = colours_.quiet;
    item->setForeground(colour);
    table_->setItem(row, column, item);
}

void TodayWindow::restyle() {
    colours_ = palette_of(scheme_colours(colour_setting()));
    QPalette window = palette();
    window.setColor(QPalette::Window, colours_.window);
    window.setColor(QPalette::WindowText, colours_.caption_text);
    setPalette(window);
    setAutoFillBackground(true);
    for (QWidget* part : std::initializer_list<QWidget*>{table_, table_->horizontalHeader()}) {
        QPalette p = part->palette();
        p.setColor(QPalette::Button, colours_.header);
        p.setColor(QPalette::ButtonText, colours_.header_text);
        p.setColor(QPalette::Window, colours_.header);
        p.setColor(QPalette::Base, colours_.base);
        p.setColor(QPalette::Text, colours_.text);
        part->setPalette(p);
    }
    if (report_) fill();
}

void TodayWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) close();
    else QWidget::keyPressEvent(event);
}

// The list loses its column of the changes today with the window.
void TodayWindow::closeEvent(QCloseEvent* event) {
    report_.reset();
    refresh_->stop();
    QWidget::closeEvent(event);
    show_results();
}

QPointer<TodayWindow>& open_window() {
    static QPointer<TodayWindow> window;
    return window;
}

}  // namespace

void open_today_window() {
    close_today_window();
    auto* window = new TodayWindow(main_window(), last_run_reports());
    open_window() = window;
    show_over_main_window(*window, QSize(760, 420));
}

void close_today_window() {
    if (QWidget* window = open_window()) {
        window->close();
        open_window() = nullptr;
    }
}

QWidget* today_window() {
    QWidget* window = open_window();
    return window && window->isVisible() ? window : nullptr;
}

void restyle_today_window() {
    if (TodayWindow* window = open_window()) window->restyle();
}

std::string today_change_text(const TodayStock* stock) {
    if (!stock) return "—";
    if (stock->quote && stock->quote->change)
        return percent_text(*stock->quote->change).toStdString();
    return stock->reason == "suspended" ? "停牌" : "无行情";
}

std::string today_quote_line(const TodayStock& stock) {
    if (!stock.quote || !stock.quote->change) return "今日 " + today_change_text(&stock);
    const Quote& quote = *stock.quote;
    QString line = QString::fromUtf8("今日 ") + percent_text(*quote.change);
    if (quote.price) line += QString::fromUtf8("  现价 ") + QString::number(*quote.price, 'f', 2);
    if (quote.quoted_at)
        line += QStringLiteral("  ") + time_text(quote.quoted_at, quote.trading_day);
    return line.toStdString();
}

std::shared_ptr<const TodayReport> shown_today_report() {
    TodayWindow* window = open_window();
    return window && window->isVisible() ? window->report() : nullptr;
}

}  // namespace qinghe::app
