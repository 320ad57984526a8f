#include "components/list_box_delegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QToolTip>

#include "components/list_box.h"
#include "components/list_box_model.h"
#include "components/qt_text.h"

namespace qinghe {
namespace {

namespace P = ListBoxProperty;
namespace R = ListBoxRole;

}  // namespace

ListBoxDelegate::ListBoxDelegate(ListBox* box) : QStyledItemDelegate(box), box_(box) {}

void ListBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    const PropertyStore& p = box_->properties();
    if (index.column() == 0) {
        const int image_width = box_->item_images().image_size.width();
        opt.rect.adjust(index.data(R::kIndent).toInt() * image_width, 0, 0, 0);
        paint_state_image(painter, opt, index);
    }
    if (index.column() > 0 && !p.word(P::kWholeRowSelection)) opt.state &= ~QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, opt, index);
    if (p.word(P::kGridLines) && box_->report_view()) {
        painter->save();
        painter->setPen(QColor(0xC0, 0xC0, 0xC0));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
}

QWidget* ListBoxDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    if (!box_->edit_may_start(index.row())) return nullptr;
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    box_->set_editing(editor != nullptr);
    return editor;
}

void ListBoxDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                   const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line || !box_->edit_accepted(index.row(), gbk_text(line->text()))) return;
    QStyledItemDelegate::setModelData(editor, model, index);
}

bool ListBoxDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const std::string tip = box_->row_tip(index.row());
    if (tip.empty()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), qt_text(tip), view);
    return true;
}

void ListBoxDelegate::initStyleOption(QStyleOptionViewItem* option,
                                      const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->backgroundBrush = text_background;
    if (size_t(index.column()) < alignments.size())
        option->displayAlignment = alignments[size_t(index.column())];
    const PropertyStore& p = box_->properties();
    if (p.word(P::kHotTracking)) {
        bool hot = index.row() == hot_row;
        option->font.setUnderline(hot ? p.word(P::kUnderlineHot) : p.word(P::kUnderlineCold));
    }
}

// With check boxes off, a row's state image stands left of its label.
void ListBoxDelegate::paint_state_image(QPainter* painter, QStyleOptionViewItem& opt,
                                        const QModelIndex& index) const {
    if (box_->properties().word(P::kCheckBoxes)) return;
    const ImageList& states = box_->state_images();
    const QVariant data = index.data(R::kStateImage);
    const int state = data.isValid() ? data.toInt() : -1;
    if (!states.valid_index(state)) return;
    const QImage& image = states.images[size_t(state)];
    const int y = opt.rect.top() + (opt.rect.height() - image.height()) / 2;
    painter->drawImage(QPoint(opt.rect.left(), y), image);
    opt.rect.adjust(image.width(), 0, 0, 0);
}

}  // namespace qinghe
