#include "components/list_box_header.h"

#include <QStyleOptionHeader>

namespace qinghe {

ListBoxHeader::ListBoxHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

void ListBoxHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int column) const {
    QHeaderView::initStyleOptionForIndex(option, column);
    if (size_t(column) < image_on_right.size() && image_on_right[size_t(column)])
        option->iconAlignment = Qt::AlignRight | Qt::AlignVCenter;
}

}  // namespace qinghe
