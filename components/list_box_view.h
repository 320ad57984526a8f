// The list box's views: what both add to Qt's tree and list views (the
// click events before the hit test, Enter as activation, the end of a
// cancelled label edit). The report layout uses the tree view, the other
// layouts the list view.
#pragma once

#include <QListView>
#include <QTreeView>

#include "components/property_table.h"

namespace qinghe {

class ListBox;

template <class View>
class ListBoxView : public View {
public:
    explicit ListBoxView(ListBox* box);

    // Sets the view up from the box's stored properties; the delegate
    // paints the cells of `model`.
    void configure(const PropertyStore& properties, QAbstractItemDelegate* delegate,
                   QAbstractItemModel* model);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // To the box's hook: the row under the pointer, or for the Menu key the
    // current row, shown below it.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    // What only the report (tree) or the other layouts (list) set up.
    void configure_layout(const PropertyStore& properties);

    ListBox* box_;
};

template <>
void ListBoxView<QTreeView>::configure_layout(const PropertyStore& properties);
template <>
void ListBoxView<QListView>::configure_layout(const PropertyStore& properties);

extern template class ListBoxView<QTreeView>;
extern template class ListBoxView<QListView>;

using ReportView = ListBoxView<QTreeView>;
using IconListView = ListBoxView<QListView>;

}  // namespace qinghe
