#include "app/overlap_window.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "analysis/code_line.h"
#include "analysis/core_calls.h"
#include "analysis/decimal_numbers.h"
#include "analysis/fund_overlap.h"
#include "analysis/output/overlap_output.h"
#include "app/colour_scheme.h"
#include "app/palette_style.h"
#include "app/program_state.h"
#include "app/side_window.h"
#include "components/colours.h"
#include "platform/text_encoding.h"
#include "program_resources.h"

namespace qinghe::app {
namespace {

constexpr int kShareRole = Qt::UserRole + 1;  // 0 no overlap ... 1 identical
constexpr int kKindRole = Qt::UserRole + 2;
enum CellKind { kPair, kDiagonal, kIdentical };
constexpr int kCellWidth = 96, kCellHeight = 52;

QString qt(const std::string& gbk) { return QString::fromStdString(platform::utf8_from_gbk(gbk)); }

QString ratio_text(float ratio) {
    OwnedText text(to_text(TaggedArg::of_float(ratio)));
    return qt(text ? text.get() : "") + u'%';
}

QString points_text(double points) { return QString::fromStdString(overlap_points_text(points)); }

// The colours of the window in one scheme. The cells run from `quiet` (no
// overlap, close to the list's calm colour) to `loud` (identical).
struct Palette {
    QColor window, caption_text, header, header_text, diagonal, diagonal_text, quiet, loud;
};

Palette palette_of(const SchemeColours& c) {
    Palette p{colour_of(c.window),
              colour_of(c.caption_text),
              colour_of(c.buttons),
              colour_of(c.button_text),
              colour_of(c.buttons),
              colour_of(c.button_text),
              {},
              {}};
    if (c.dark) {
        p.quiet = QColor(0x26, 0x26, 0x26);
        p.loud = colour_of(c.areas);
    } else {
        p.quiet = colour_of(c.areas);
        p.loud = QColor(0x1F, 0x3D, 0x36);
    }
    return p;
}

QColor text_on(const QColor& background) {
    return background.lightnessF() > 0.55 ? QColor(Qt::black) : QColor(0xF0, 0xF0, 0xF0);
}

// Paints a cell: its colour on the scale (the diagonal in the header's
// colours), its text centred, identical pairs framed.
class CellPainter : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    Palette colours;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect cell = option.rect.adjusted(1, 1, -1, -1);
        const int kind = index.data(kKindRole).toInt();
        const QColor background =
            kind == kDiagonal
                ? colours.diagonal
                : mixed_colour(colours.quiet, colours.loud, index.data(kShareRole).toDouble());
        const QColor text = kind == kDiagonal ? colours.diagonal_text : text_on(background);
        painter->save();
        painter->fillRect(cell, background);
        painter->setPen(QPen(text, 2));
        if (kind == kIdentical) painter->drawRect(cell.adjusted(2, 2, -2, -2));
        painter->setFont(option.font);
        painter->drawText(cell, Qt::AlignCenter, index.data().toString());
        painter->restore();
    }
};

// The scale from no overlap to identical, and what ≡ means: as tall as its
// text needs when the window is narrow and the text wraps.
class Legend : public QWidget {
public:
    explicit Legend(QWidget* parent) : QWidget(parent) {
        setObjectName("legend");
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        setMinimumHeight(kBarAreaHeight);
    }
    Palette colours;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override {
        const QRect needed = fontMetrics().boundingRect(text_box(width, 10000), kTextFlags, text());
        return std::max(kBarAreaHeight, needed.height() + 4);
    }
    QSize sizeHint() const override { return {560, heightForWidth(560)}; }

protected:
    void resizeEvent(QResizeEvent*) override { setMinimumHeight(heightForWidth(width())); }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(colours.caption_text);
        QLinearGradient scale(kBarLeft, 0, kBarLeft + kBarWidth, 0);
        scale.setColorAt(0, colours.quiet);
        scale.setColorAt(1, colours.loud);
        p.fillRect(kBarLeft, kBarTop, kBarWidth, kBarHeight, scale);
        const QRect below(kBarLeft, kBarTop + kBarHeight, kBarWidth, 22);
        p.drawText(below, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("无重合"));
        p.drawText(below, Qt::AlignRight | Qt::AlignVCenter, QString::fromUtf8("前十相同"));
        p.drawText(text_box(width(), height()), kTextFlags, text());
    }

private:
    static constexpr int kBarLeft = 8, kBarWidth = 180, kBarTop = 4, kBarHeight = 16;
    static constexpr int kBarAreaHeight = 44;
    static constexpr int kTextLeft = kBarLeft + kBarWidth + 20;
    static constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;

    static QString text() {
        return QString::fromUtf8(
            "≡ 框出的两只基金前十完全相同(常为同一基金的A/C份额)\n"
            "对角线: 该基金前十大重仓股的比例合计");
    }
    static QRect text_box(int width, int height) {
        return QRect(kTextLeft, 0, std::max(width - kTextLeft - 16, 80), height);
    }
};

class OverlapWindow : public QWidget {
public:
    OverlapWindow(QWidget* parent, std::vector<FundReport> reports);
    void restyle();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString fund_title(size_t a) const;
    QString money_line(size_t a, double top_ten_points) const;
    QString cell_text(size_t a, size_t b) const;
    QString cell_tip(size_t a, size_t b) const;
    void fill();

    std::vector<FundReport> reports_;
    FundOverlap overlap_;
    QLabel* explanation_;
    QTableWidget* table_;
    CellPainter* painter_;
    Legend* legend_;
};

OverlapWindow::OverlapWindow(QWidget* parent, std::vector<FundReport> reports)
    : QWidget(parent, Qt::Window), reports_(std::move(reports)), overlap_(fund_overlap(reports_)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("基金重合度"));
    use_list_font(*this);
    explanation_ =
        new QLabel(QString::fromUtf8("每格: 两只基金都持有的股票, 各取较小的持仓比例相加(百分点), "
                                     "下为这些股票的只数。停在格上看股票明细。"),
                   this);
    explanation_->setWordWrap(true);
    table_ = new QTableWidget(this);
    painter_ = new CellPainter(table_);
    table_->setItemDelegate(painter_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setShowGrid(false);
    table_->setFrameShape(QFrame::NoFrame);
    use_palette_style(*table_);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->horizontalHeader()->setDefaultSectionSize(kCellWidth);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(kCellHeight);
    legend_ = new Legend(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation_);
    layout->addWidget(table_, 1);
    layout->addWidget(legend_);
    fill();
    restyle();
}

QString OverlapWindow::fund_title(size_t a) const {
    const FundReport& fund = reports_[overlap_.funds[a]];
    return qt(fund.code) + (fund.facts.name.empty() ? QString() : u' ' + qt(fund.facts.name));
}

// With amounts: "持有 ￥20,000.00, 其中前十 ￥9,874.00" on a line of its own.
QString OverlapWindow::money_line(size_t a, double top_ten_points) const {
    const std::vector<double> amounts = fund_amounts(reports_);
    if (amounts.empty()) return {};
    const double amount = amounts[overlap_.funds[a]];
    return QString::fromUtf8("\n持有 ￥%1, 其中前十 ￥%2")
        .arg(QString::fromStdString(yuan_text(amount)))
        .arg(QString::fromStdString(yuan_text(amount * top_ten_points / 100)));
}

QString OverlapWindow::cell_text(size_t a, size_t b) const {
    const OverlapCell& cell = overlap_.cells[a][b];
    const QString count = QString::fromUtf8("%1 只").arg(cell.common.size());
    if (a == b) return QString::fromUtf8("合计 ") + points_text(cell.points) + u'\n' + count;
    return points_text(cell.points) + (overlap_.is_identical(a, b) ? QString::fromUtf8(" ≡") : "") +
           u'\n' + count;
}

QString OverlapWindow::cell_tip(size_t a, size_t b) const {
    const OverlapCell& cell = overlap_.cells[a][b];
    if (a == b)
        return fund_title(a) +
               QString::fromUtf8("\n前十合计 %1%, %2 只股票")
                   .arg(points_text(cell.points))
                   .arg(cell.common.size()) +
               money_line(a, cell.points);
    QString tip = fund_title(a) + u'\n' + fund_title(b) + u'\n';
    if (overlap_.is_identical(a, b))
        tip += QString::fromUtf8("前十完全相同(常为同一基金的不同份额)\n");
    if (cell.common.empty()) return tip + QString::fromUtf8("没有共同持有的股票");
    tip += QString::fromUtf8("共同持有 %1 只, 重合 %2 个百分点")
               .arg(cell.common.size())
               .arg(points_text(cell.points));
    for (const CommonStock& stock : cell.common)
        tip += u'\n' + qt(stock.name) + QStringLiteral("  ") + ratio_text(stock.ratio_a) +
               QStringLiteral(" / ") + ratio_text(stock.ratio_b);
    return tip;
}

void OverlapWindow::fill() {
    const int n = int(overlap_.funds.size());
    table_->setRowCount(n);
    table_->setColumnCount(n);
    for (int a = 0; a < n; ++a) {
        auto* row = new QTableWidgetItem(fund_title(size_t(a)));
        auto* column = new QTableWidgetItem(qt(reports_[overlap_.funds[size_t(a)]].code));
        column->setToolTip(fund_title(size_t(a)));
        table_->setVerticalHeaderItem(a, row);
        table_->setHorizontalHeaderItem(a, column);
        for (int b = 0; b < n; ++b) {
            auto* item = new QTableWidgetItem(cell_text(size_t(a), size_t(b)));
            item->setData(kShareRole, overlap_.similarity(size_t(a), size_t(b)));
            item->setData(kKindRole, a == b                                        ? kDiagonal
                                     : overlap_.is_identical(size_t(a), size_t(b)) ? kIdentical
                                                                                   : kPair);
            item->setToolTip(cell_tip(size_t(a), size_t(b)));
            table_->setItem(a, b, item);
        }
    }
}

void OverlapWindow::restyle() {
    const Palette colours = palette_of(scheme_colours(colour_setting()));
    QPalette window = palette();
    window.setColor(QPalette::Window, colours.window);
    window.setColor(QPalette::WindowText, colours.caption_text);
    window.setColor(QPalette::Base, colours.window);
    setPalette(window);
    setAutoFillBackground(true);
    // The headers and the corner between them in the button colours.
    for (QWidget* part : std::initializer_list<QWidget*>{table_, table_->horizontalHeader(),
                                                         table_->verticalHeader()}) {
        QPalette p = part->palette();
        p.setColor(QPalette::Button, colours.header);
        p.setColor(QPalette::ButtonText, colours.header_text);
        p.setColor(QPalette::Window, colours.header);
        p.setColor(QPalette::Base, colours.window);
        part->setPalette(p);
    }
    painter_->colours = colours;
    legend_->colours = colours;
    table_->viewport()->update();
    legend_->update();
}

void OverlapWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) close();
    else QWidget::keyPressEvent(event);
}

QPointer<OverlapWindow>& open_window() {
    static QPointer<OverlapWindow> window;
    return window;
}

// The size the whole matrix needs, within what a screen offers.
QSize fitting_size(const QTableWidget& table, const QWidget& window) {
    const int n = table.rowCount();
    const int width = table.verticalHeader()->sizeHint().width() + n * kCellWidth + 24;
    const int height = table.horizontalHeader()->sizeHint().height() + n * kCellHeight +
                       window.sizeHint().height() - table.sizeHint().height() + 8;
    return QSize(std::clamp(width, 560, 1000), std::clamp(height, 240, 720));
}

}  // namespace

void open_overlap_window() {
    close_overlap_window();
    auto* window = new OverlapWindow(main_window(), last_run_reports());
    open_window() = window;
    show_over_main_window(*window, fitting_size(*window->findChild<QTableWidget*>(), *window));
}

void close_overlap_window() {
    if (QWidget* window = open_window()) {
        window->close();
        open_window() = nullptr;
    }
}

QWidget* overlap_window() {
    QWidget* window = open_window();
    return window && window->isVisible() ? window : nullptr;
}

void restyle_overlap_window() {
    if (OverlapWindow* window = open_window()) window->restyle();
}

}  // namespace qinghe::app
