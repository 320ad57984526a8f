#include "app/palette_style.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QStyleFactory>
#include <QTableWidget>

namespace qinghe::app {

void use_palette_style(QTableWidget& table) {
    static QStyle* const palette_style = [] {
        QStyle* style = QStyleFactory::create("Fusion");
        style->setParent(qApp);
        return style;
    }();
    table.setStyle(palette_style);
    table.horizontalHeader()->setStyle(palette_style);
    table.verticalHeader()->setStyle(palette_style);
    if (auto* corner = table.findChild<QAbstractButton*>()) corner->setStyle(palette_style);
}

}  // namespace qinghe::app
