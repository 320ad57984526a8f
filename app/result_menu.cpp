#include "app/result_menu.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <algorithm>
#include <mutex>
#include <vector>

#include "app/analysis_run.h"
#include "app/colour_scheme.h"
#include "app/overlap_window.h"
#include "app/program_state.h"
#include "app/result_display.h"
#include "app/result_export.h"
#include "app/today_window.h"
#include "components/colours.h"
#include "components/list_box.h"
#include "program_resources.h"
#include "runtime/runtime_object.h"

namespace qinghe::app {
namespace {

constexpr uint32_t kMain = resources::window_id::main;

ListBox* result_list_box() {
    return dynamic_cast<ListBox*>(find_object(kMain, resources::unit_id::list_results));
}

int32_t shown_rows() {
    const ListBox* box = result_list_box();
    return box ? box->row_count() : 0;
}

size_t funds_with_rows() {
    std::lock_guard lock(result_list_lock());
    return size_t(std::count_if(run_reports().begin(), run_reports().end(),
                                [](const FundReport& r) { return !r.rows.empty(); }));
}

// The menu in the scheme's button colours, the active item in its area
// colours, greyed items half-way between text and background.
void colour_menu(QMenu& menu) {
    const SchemeColours& c = scheme_colours(colour_setting());
    const QColor background = colour_of(c.buttons), text = colour_of(c.button_text);
    QPalette palette = menu.palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, background);  // the panel's colour
        palette.setColor(group, QPalette::Window, background);
    }
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Highlight, colour_of(c.areas));
        palette.setColor(group, QPalette::HighlightedText, colour_of(c.area_text));
    }
    const QColor greyed = mixed_colour(background, text, 0.45);
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, greyed);
    palette.setColor(QPalette::Disabled, QPalette::Light, background);  // no etched shadow
    menu.setPalette(palette);
}

QAction* add_item(QMenu& menu, const char* utf8, bool enabled) {
    QAction* action = menu.addAction(QString::fromUtf8(utf8));
    action->setEnabled(enabled);
    return action;
}

// Control characters become blanks, so a cell stays one field.
QString one_field(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = u' ';
    return text;
}

std::vector<int> rows_to_copy(const QAbstractItemView& view) {
    std::vector<int> rows;
    for (const QModelIndex& index : view.selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty())
        for (int r = 0; r < view.model()->rowCount(); ++r) rows.push_back(r);
    return rows;
}

}  // namespace

std::string copied_rows() {
    const ListBox* box = result_list_box();
    if (!box || !box->view()) return {};
    const QAbstractItemModel& model = *box->view()->model();
    auto line = [&](auto cell) {
        QStringList fields;
        for (int c = 0; c < model.columnCount(); ++c) fields << one_field(cell(c));
        return fields.join(u'\t') + u'\n';
    };
    QString text = line([&](int c) { return model.headerData(c, Qt::Horizontal).toString(); });
    for (int r : rows_to_copy(*box->view()))
        text += line([&](int c) { return model.index(r, c).data().toString(); });
    return text.toStdString();
}

void copy_rows() { QGuiApplication::clipboard()->setText(QString::fromStdString(copied_rows())); }

QMenu* open_result_menu(const QPoint& global_position, int32_t row) {
    auto* menu = new QMenu(find_object(kMain, 0));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (const ListBox* box = result_list_box(); box && box->view())
        menu->setFont(box->view()->font());
    colour_menu(*menu);
    const bool rows = shown_rows() > 0;
    QObject::connect(add_item(*menu, "复制", rows), &QAction::triggered, &copy_rows);
    QObject::connect(add_item(*menu, "导出…", rows), &QAction::triggered,
                     [] { export_results_with_dialog(find_object(kMain, 0)); });
    QObject::connect(add_item(*menu, "打开股票页面", row_link_opens(row)), &QAction::triggered,
                     [row] { open_row_link(row); });
    menu->addSeparator();
    const bool overlap = runs_in_progress() == 0 && funds_with_rows() >= 2;
    QObject::connect(add_item(*menu, "基金重合度…", overlap), &QAction::triggered,
                     &open_overlap_window);
    const bool today = runs_in_progress() == 0 && funds_with_rows() >= 1;
    QObject::connect(add_item(*menu, "今日估算…", today), &QAction::triggered, &open_today_window);
    menu->popup(global_position);
    return menu;
}

void install_result_menu() {
    if (ListBox* box = result_list_box())
        box->set_context_menu_hook(
            [](const QPoint& at, int32_t row) { open_result_menu(at, row); });
}

}  // namespace qinghe::app
