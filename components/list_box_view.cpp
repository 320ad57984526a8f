#include "components/list_box_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include "components/list_box.h"

namespace qinghe {

template <class View>
ListBoxView<View>::ListBoxView(ListBox* box) : View(box), box_(box) {}

// The box's click events come first; a handler may delete the list.
template <class View>
void ListBoxView<View>::mousePressEvent(QMouseEvent* event) {
    QPointer<QWidget> alive(this);
    box_->mouse_pressed(event->button());
    if (alive) View::mousePressEvent(event);
}

template <class View>
void ListBoxView<View>::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) box_->enter_pressed();
    View::keyPressEvent(event);
}

template <class View>
void ListBoxView<View>::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (hint == QAbstractItemDelegate::RevertModelCache && this->currentIndex().isValid())
        box_->edit_cancelled(this->currentIndex().row());
    View::closeEditor(editor, hint);
    box_->set_editing(false);
}

template class ListBoxView<QTreeView>;
template class ListBoxView<QListView>;

}  // namespace qinghe
