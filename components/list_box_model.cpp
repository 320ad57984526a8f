#include "components/list_box_model.h"

#include <algorithm>

#include "components/qt_text.h"

namespace qinghe {
namespace {

namespace R = ListBoxRole;

QVariant icon_of(const ImageList& images, int32_t image) {
    if (!images.valid_index(image)) return QVariant();
    return QIcon(QPixmap::fromImage(images.images[size_t(image)]));
}

void set_state_image(QStandardItem* item, int32_t state_image, bool check_boxes) {
    item->setData(state_image, R::kStateImage);
    if (!check_boxes) return;
    item->setCheckable(true);
    item->setCheckState(state_image == 1 ? Qt::Checked : Qt::Unchecked);
    item->setData(state_image == 1 ? 1 : 0, R::kStateImage);
}

}  // namespace

int32_t ListBoxModel::sorted_position(const QString& label, int32_t sorting) const {
    int32_t position = 0;
    while (position < rowCount()) {
        const int order = item(position, 0)->text().compare(label, Qt::CaseInsensitive);
        if (sorting == 1 ? order > 0 : order < 0) break;
        ++position;
    }
    return position;
}

int32_t ListBoxModel::insert_row(int32_t position, const Row& row, const RowStyle& style,
                                 const ImageList& images) {
    const QString label = qt_text(row.text);
    if (style.sorting) position = sorted_position(label, style.sorting);
    else if (position < 0 || position > rowCount()) position = rowCount();
    auto* first = new QStandardItem(label);
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (style.editable) flags |= Qt::ItemIsEditable;
    first->setFlags(flags);
    first->setData(row.tag, R::kRowTag);
    first->setData(row.image, R::kImage);
    first->setData(std::max(0, row.indent), R::kIndent);
    if (images.valid_index(row.image))
        first->setData(icon_of(images, row.image), Qt::DecorationRole);
    set_state_image(first, row.state_image, style.check_boxes);
    QList<QStandardItem*> cells{first};
    for (int column = 1; column < columnCount(); ++column) {
        auto* cell = new QStandardItem();
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        cells.append(cell);
    }
    insertRow(position, cells);
    return position;
}

bool ListBoxModel::set_cell_text(int32_t row, int32_t column, const std::string& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return false;
    QStandardItem* cell = item(row, column);
    if (!cell) return false;
    cell->setText(qt_text(text));
    return true;
}

std::string ListBoxModel::cell_text(int32_t row, int32_t column) const {
    QStandardItem* cell = item(row, column);
    return cell ? gbk_text(cell->text()) : std::string();
}

uint32_t ListBoxModel::row_tag(int32_t row) const {
    QStandardItem* first = item(row, 0);
    return first ? first->data(R::kRowTag).toUInt() : 0;
}

std::optional<std::string> ListBoxModel::own_tip(int32_t row) const {
    const QStandardItem* first = item(row, 0);
    if (!first || !first->data(R::kTip).isValid()) return std::nullopt;
    return first->data(R::kTip).toByteArray().toStdString();
}

void ListBoxModel::set_own_tip(int32_t row, const std::string& tip) {
    if (QStandardItem* first = item(row, 0))
        first->setData(QByteArray::fromStdString(tip), R::kTip);
}

void ListBoxModel::show_item_images(const ImageList& images) {
    for (int row = 0; row < rowCount(); ++row)
        for (int column = 0; column < columnCount(); ++column)
            if (QStandardItem* cell = item(row, column)) {
                const QVariant image = cell->data(R::kImage);
                cell->setData(icon_of(images, image.isValid() ? image.toInt() : -1),
                              Qt::DecorationRole);
            }
}

}  // namespace qinghe
