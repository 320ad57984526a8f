// The list box's views: what both add to Qt's tree and list views (the
// click events before the hit test, Enter as activation, the end of a
// cancelled label edit). The report layout uses the tree view, the other
// layouts the list view.
#pragma once

#include <QListView>
#include <QTreeView>

namespace qinghe {

class ListBox;

template <class View>
class ListBoxView : public View {
public:
    explicit ListBoxView(ListBox* box);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    ListBox* box_;
};

extern template class ListBoxView<QTreeView>;
extern template class ListBoxView<QListView>;

using ReportView = ListBoxView<QTreeView>;
using IconListView = ListBoxView<QListView>;

}  // namespace qinghe
