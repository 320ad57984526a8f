// The list box's item delegate: paints the cells (text background, column
// alignment, whole-row selection, grid lines, indent, state images and
// hot-tracking underlines), raises the label-editing events and shows the
// rows' tips.
#pragma once

#include <QStyledItemDelegate>
#include <vector>

namespace qinghe {

class ListBox;

class ListBoxDelegate : public QStyledItemDelegate {
public:
    explicit ListBoxDelegate(ListBox* box);

    QColor text_background;
    std::vector<Qt::Alignment> alignments;  // by column
    int hot_row = -1;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    void paint_state_image(QPainter* painter, QStyleOptionViewItem& opt,
                           const QModelIndex& index) const;

    ListBox* box_;
};

}  // namespace qinghe
