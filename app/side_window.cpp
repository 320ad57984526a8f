#include "app/side_window.h"

#include <QAbstractItemView>
#include <QWidget>
#include <mutex>

#include "analysis/core_calls.h"
#include "app/program_state.h"
#include "components/list_box.h"
#include "program_resources.h"
#include "runtime/runtime_object.h"

namespace qinghe::app {

std::vector<FundReport> last_run_reports() {
    std::lock_guard lock(result_list_lock());
    return run_reports();
}

QWidget* main_window() { return find_object(resources::window_id::main, 0); }

void use_list_font(QWidget& window) {
    if (const auto* box = dynamic_cast<ListBox*>(
            find_object(resources::window_id::main, resources::unit_id::list_results));
        box && box->view()) {
        QFont font = box->view()->font();
        font.setPixelSize(15);
        window.setFont(font);
    }
}

void show_over_main_window(QWidget& window, const QSize& size) {
    window.resize(size);
    if (const QWidget* main = main_window()) {
        const QRect over = main->frameGeometry();
        window.move(over.center() - QPoint(window.width() / 2, window.height() / 2));
    }
    window.show();
    window.activateWindow();
}

}  // namespace qinghe::app
