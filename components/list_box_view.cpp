#include "components/list_box_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include "components/list_box.h"
#include "components/list_box_header.h"

namespace qinghe {
namespace {

namespace P = ListBoxProperty;

constexpr QSize kLargeIconSize(32, 32);
constexpr QSize kSmallIconSize(16, 16);

}  // namespace

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
void ListBoxView<View>::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* area = this->viewport();
    QModelIndex index;
    QPoint at;
    if (event->reason() == QContextMenuEvent::Mouse) {
        at = area->mapFromGlobal(event->globalPos());
        index = this->indexAt(at);
    } else {
        index = this->currentIndex();
        at = index.isValid() ? this->visualRect(index).bottomLeft() : QPoint(0, 0);
        if (!area->rect().contains(at)) at = QPoint(0, 0);  // scrolled out of sight
    }
    if (box_->context_menu_requested(area->mapToGlobal(at), index.isValid() ? index.row() : -1))
        event->accept();
    else View::contextMenuEvent(event);
}

template <class View>
void ListBoxView<View>::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (hint == QAbstractItemDelegate::RevertModelCache && this->currentIndex().isValid())
        box_->edit_cancelled(this->currentIndex().row());
    View::closeEditor(editor, hint);
    box_->set_editing(false);
}

template <>
void ListBoxView<QTreeView>::configure_layout(const PropertyStore& p) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(p.word(P::kWholeRowSelection) != 0);
    auto* columns = new ListBoxHeader(this);
    setHeader(columns);
    columns->setStretchLastSection(false);
    columns->setSectionsClickable(p.word(P::kClickableCaptions) != 0);
    columns->setSectionsMovable(p.word(P::kHeaderDrag) != 0);
}

// Icons flow in rows, or in columns when arranged to the left; an icon
// layout without auto-arrange lets the user move the icons.
template <>
void ListBoxView<QListView>::configure_layout(const PropertyStore& p) {
    const int32_t layout = p.word(P::kLayout);
    const bool icons = layout <= ListBoxLayout::kSmallIcons;
    const bool left_aligned = icons && p.word(P::kIconArrangement) == 1;
    setWrapping(true);
    setViewMode(layout == ListBoxLayout::kLargeIcons ? QListView::IconMode : QListView::ListMode);
    setFlow(icons && !left_aligned ? QListView::LeftToRight : QListView::TopToBottom);
    setIconSize(layout == ListBoxLayout::kLargeIcons ? kLargeIconSize : kSmallIconSize);
    const bool arranged = !icons || p.word(P::kAutoArrange) != 0;
    setResizeMode(arranged ? QListView::Adjust : QListView::Fixed);
    setMovement(arranged ? QListView::Static : QListView::Free);
}

template <class View>
void ListBoxView<View>::configure(const PropertyStore& p, QAbstractItemDelegate* delegate,
                                  QAbstractItemModel* model) {
    configure_layout(p);
    this->setFrameShape(QFrame::NoFrame);
    this->setItemDelegate(delegate);
    this->setModel(model);
    this->setSelectionBehavior(QAbstractItemView::SelectRows);
    this->setSelectionMode(p.word(P::kSingleSelection) ? QAbstractItemView::SingleSelection
                                                       : QAbstractItemView::ExtendedSelection);
    this->setEditTriggers(p.word(P::kEditableLabels) ? QAbstractItemView::SelectedClicked |
                                                           QAbstractItemView::EditKeyPressed
                                                     : QAbstractItemView::NoEditTriggers);
    this->setFocusPolicy(Qt::StrongFocus);
    if (p.word(P::kHotTracking)) {
        this->setMouseTracking(true);
        this->viewport()->setCursor(p.word(P::kHandCursor) ? Qt::PointingHandCursor
                                                           : Qt::ArrowCursor);
    }
}

template class ListBoxView<QTreeView>;
template class ListBoxView<QListView>;

}  // namespace qinghe
