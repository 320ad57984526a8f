#include "components/list_box.h"

#include <QPainter>
#include <algorithm>

#include "components/border_style.h"
#include "components/colours.h"
#include "components/fonts.h"
#include "components/list_box_delegate.h"
#include "components/list_box_header.h"
#include "components/list_box_view.h"
#include "components/qt_text.h"
#include "runtime/event_dispatch.h"
#include "runtime/font_record.h"
#include "runtime/property_block.h"
#include "runtime/runtime_object.h"

namespace qinghe {
namespace {

namespace P = ListBoxProperty;
namespace R = ListBoxRole;

uint32_t bgr_of(const QColor& c) {
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

Qt::Alignment column_alignment(int32_t alignment) {
    if (alignment == 1) return Qt::AlignHCenter | Qt::AlignVCenter;
    if (alignment == 2) return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

// Expanded from the list box's property list (runtime/list_box_properties.h).
const PropertyTable& ListBox::table() {
    static const PropertyTable table(UnitType::kListBox,
                                     {
#define QINGHE_LIST_BOX_DECL(name, number, key, meaning, kind, value, range, change) \
    PropertyDecl{number,    PropertyKind::k##kind, value, "", range.min,             \
                 range.max, OnChange::k##change},
                                         QINGHE_LIST_BOX_PROPERTIES(QINGHE_LIST_BOX_DECL)
#undef QINGHE_LIST_BOX_DECL
                                     });
    return table;
}

ListBox::ListBox(QWidget* parent) : QWidget(parent), TableComponent(table()) {
    delegate_ = new ListBoxDelegate(this);
    connect(&model_, &QStandardItemModel::itemChanged, this, [this](QStandardItem* item) {
        if (filling_ || item->column() != 0 || !properties().word(P::kCheckBoxes)) return;
        const int32_t state = item->checkState() == Qt::Checked ? 1 : 0;
        if (item->data(R::kStateImage).toInt() == state) return;
        item->setData(state, R::kStateImage);
        post_event(ListBoxEvent::kCheckChanged, {uint32_t(item->row()), uint32_t(state)});
    });
}

ListBox::~ListBox() { notify_destroyed(window_id(), unit_id(), this); }

int32_t ListBox::layout() const { return properties().word(P::kLayout); }
bool ListBox::in_icon_layout() const { return layout() <= ListBoxLayout::kSmallIcons; }
bool ListBox::in_report_layout() const { return layout() == ListBoxLayout::kReport; }
QTreeView* ListBox::report_view() const { return qobject_cast<QTreeView*>(view_); }

bool ListBox::needs_recreate(int32_t number) const {
    switch (number) {
    case P::kIconArrangement:
    case P::kAutoArrange: return in_icon_layout();
    case P::kColumns:
    case P::kClickableCaptions:
    case P::kWholeRowSelection:
    case P::kGridLines:
    case P::kHeaderDrag: return in_report_layout();
    case P::kHandCursor:
    case P::kUnderlineCold:
    case P::kUnderlineHot: return properties().word(P::kHotTracking) != 0;
    default: return table().find(number)->on_change == OnChange::kRecreate;
    }
}

void ListBox::decode_tables() {
    const PropertyStore& p = properties();
    tables_.columns = decode_column_table(p.bytes(P::kColumns)).value_or(std::vector<ListColumn>{});
    tables_.items = decode_item_table(p.bytes(P::kItems)).value_or(std::vector<ListCell>{});
}

void ListBox::property_stored(int32_t number) {
    if (number == P::kColumns || number == P::kItems) decode_tables();
}

void ListBox::build() {
    decode_tables();
    create_view();
    apply_font();
    apply_image_lists();
    apply_colours();
    if (in_report_layout()) insert_columns();
    else model_.setColumnCount(1);
    fill_initial_items();
    apply_selection();
    place_view();
}

void ListBox::create_view() {
    if (in_report_layout()) {
        auto* tree = new ReportView(this);
        tree->configure(properties(), delegate_, &model_);
        view_ = tree;
        apply_hide_header();
    } else {
        auto* list = new IconListView(this);
        list->configure(properties(), delegate_, &model_);
        view_ = list;
        apply_wrap();
    }
    setFocusProxy(view_);
    connect_view();
}

void ListBox::connect_view() {
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                if (current.isValid() && current.row() != previous.row())
                    post_event(ListBoxEvent::kFocusedRow);
            });
    // A double-click activates, or with hot tracking a single click (Enter
    // is the views' own); Qt's style-dependent activation is not used.
    const bool hot = properties().word(P::kHotTracking) != 0;
    connect(view_, hot ? &QAbstractItemView::clicked : &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) {
                if (index.isValid()) post_event(ListBoxEvent::kActivated);
            });
    if (QTreeView* tree = report_view())
        connect(tree->header(), &QHeaderView::sectionClicked, this, [this](int column) {
            post_event(ListBoxEvent::kCaptionClicked, {uint32_t(column)});
        });
    if (hot)
        connect(view_, &QAbstractItemView::entered, this,
                [this](const QModelIndex& index) { hot_row_changed(index.row()); });
}

void ListBox::enter_pressed() {
    if (!editing_ && view_->currentIndex().isValid()) post_event(ListBoxEvent::kActivated);
}

void ListBox::apply_property(int32_t number, OnChange change) {
    if (change == OnChange::kStore || !view_) return;
    switch (number) {
    case P::kBorder: place_view(); break;
    case P::kTextColour:
    case P::kTextBackground:
    case P::kListBackground: apply_colours(); break;
    case P::kFont: apply_font(); break;
    case P::kWrapLabels: apply_wrap(); break;
    case P::kHideHeader: apply_hide_header(); break;
    case P::kHeaderImages: apply_header_images(); break;
    case P::kItemImages:
    case P::kStateImages: apply_image_lists(); break;
    case P::kSelection: apply_selection(); break;
    case P::kItems: fill_initial_items(); break;
    default: break;
    }
    update();
    view_->viewport()->update();
}

void ListBox::apply_colours() {
    const PropertyStore& p = properties();
    QPalette palette = view_->palette();
    const QColor text = colour_of(uint32_t(p.word(P::kTextColour)));
    const QColor list = background_colour_of(uint32_t(p.word(P::kListBackground)));
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, list);
        palette.setColor(group, QPalette::Window, list);
    }
    if (!p.word(P::kKeepSelectionVisible)) {
        // Without the style bit the selection disappears when the list loses the focus.
        palette.setColor(QPalette::Inactive, QPalette::Highlight, list);
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    }
    view_->setPalette(palette);
    delegate_->text_background = background_colour_of(uint32_t(p.word(P::kTextBackground)));
}

uint32_t ListBox::shown_colour(int32_t number) const {
    if (!view_) return uint32_t(properties().word(number));
    switch (number) {
    case P::kTextColour: return bgr_of(view_->palette().color(QPalette::Active, QPalette::Text));
    case P::kListBackground:
        return bgr_of(view_->palette().color(QPalette::Active, QPalette::Base));
    default: return bgr_of(delegate_->text_background);
    }
}

void ListBox::apply_font() {
    const QFont font = font_from_record_bytes(properties().bytes(P::kFont));
    view_->setFont(font);
    if (QTreeView* tree = report_view()) tree->header()->setFont(font);
}

void ListBox::apply_wrap() {
    if (auto* list = qobject_cast<QListView*>(view_); list && in_icon_layout())
        list->setWordWrap(properties().word(P::kWrapLabels) != 0);
}

void ListBox::apply_hide_header() {
    if (QTreeView* tree = report_view())
        tree->header()->setVisible(!properties().word(P::kHideHeader));
}

void ListBox::apply_image_lists() {
    item_images_ = read_image_list(properties().bytes(P::kItemImages));
    state_images_ = read_image_list(properties().bytes(P::kStateImages));
    if (item_images_.count() > 0) view_->setIconSize(item_images_.image_size);
    model_.show_item_images(item_images_);
    apply_header_images();
}

void ListBox::apply_header_images() {
    header_images_ = read_image_list(properties().bytes(P::kHeaderImages));
    QTreeView* tree = report_view();
    if (!tree) return;
    QPalette palette = tree->header()->palette();
    palette.setColor(QPalette::Button, background_colour_of(kSystemBackground));
    tree->header()->setPalette(palette);
    const std::vector<ListColumn>& columns = tables_.columns;
    for (size_t k = 0; k < columns.size() && int(k) < model_.columnCount(); ++k) {
        QStandardItem* header = model_.horizontalHeaderItem(int(k));
        if (!header) continue;
        const int32_t image = columns[k].image;
        header->setData(
            header_images_.valid_index(image)
                ? QVariant(QIcon(QPixmap::fromImage(header_images_.images[size_t(image)])))
                : QVariant(),
            Qt::DecorationRole);
    }
}

void ListBox::insert_columns() {
    const std::vector<ListColumn>& columns = tables_.columns;
    QTreeView* tree = report_view();
    auto* header_view = static_cast<ListBoxHeader*>(tree->header());
    model_.setColumnCount(std::max<int>(1, int(columns.size())));
    delegate_->alignments.clear();
    header_view->image_on_right.clear();
    for (size_t k = 0; k < columns.size(); ++k) {
        const ListColumn& c = columns[k];
        header_view->image_on_right.push_back(c.image_on_right);
        auto* header = new QStandardItem(qt_text(c.caption));
        header->setTextAlignment(column_alignment(c.alignment));
        model_.setHorizontalHeaderItem(int(k), header);
        delegate_->alignments.push_back(column_alignment(c.alignment));
        tree->header()->resizeSection(int(k), std::max(0, c.width));
    }
    apply_header_images();
}

void ListBox::fill_initial_items() {
    filling_ = true;
    delete_all_rows();
    tips_.clear();
    const std::vector<ListCell>& cells = tables_.items;
    int32_t row = -1;
    int32_t column = 0;
    for (const ListCell& cell : cells) {
        const int32_t image = item_images_.valid_index(cell.image) ? cell.image : -1;
        if (!cell.continues_row) {
            const int32_t state =
                state_images_.valid_index(cell.state_image) ? cell.state_image : -1;
            const int32_t indent = in_report_layout() ? cell.indent : 0;
            row = insert_row(-1, cell.text, image, state, indent, cell.row_tag);
            column = 0;
            tips_.push_back(cell.tip);
        } else if (row >= 0 && set_cell_text(row, ++column, cell.text)) {
            model_.item(row, column)->setData(image, R::kImage);
        }
    }
    if (!cells.empty()) apply_image_lists();
    filling_ = false;
}

void ListBox::apply_selection() {
    const PropertyStore& p = properties();
    if (!p.word(P::kSingleSelection)) return;
    const int32_t row = p.word(P::kSelection);
    QItemSelectionModel* selection = view_->selectionModel();
    if (row >= 0) {
        if (row >= model_.rowCount()) return;
        const QModelIndex index = model_.index(row, 0);
        selection->setCurrentIndex(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return;
    }
    const int32_t first = selected_row();
    if (first < 0) return;
    selection->select(model_.index(first, 0),
                      QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    if (selection->currentIndex().row() == first)
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

int32_t ListBox::selected_row() const {
    if (!view_) return -1;
    int32_t first = -1;
    for (const QModelIndex& index : view_->selectionModel()->selectedIndexes())
        if (first < 0 || index.row() < first) first = index.row();
    return first;
}

int32_t ListBox::row_count() const { return model_.rowCount(); }

void ListBox::delete_all_rows() { model_.removeRows(0, model_.rowCount()); }

int32_t ListBox::insert_row(int32_t position, const std::string& text, int32_t image,
                            int32_t state_image, int32_t indent, uint32_t row_tag) {
    const PropertyStore& p = properties();
    const ListBoxModel::RowStyle style{p.word(P::kSorting), p.word(P::kEditableLabels) != 0,
                                       p.word(P::kCheckBoxes) != 0};
    const bool was_filling = filling_;
    filling_ = true;
    const int32_t row = model_.insert_row(position, {text, image, state_image, indent, row_tag},
                                          style, item_images_);
    filling_ = was_filling;
    return row;
}

bool ListBox::set_cell_text(int32_t row, int32_t column, const std::string& text) {
    return model_.set_cell_text(row, column, text);
}

std::string ListBox::cell_text(int32_t row, int32_t column) const {
    return model_.cell_text(row, column);
}

uint32_t ListBox::row_tag(int32_t row) const { return model_.row_tag(row); }

std::string ListBox::row_tip(int32_t row) const {
    if (auto tip = model_.own_tip(row)) return *tip;
    return row >= 0 && size_t(row) < tips_.size() ? tips_[size_t(row)] : std::string();
}

void ListBox::set_row_tip(int32_t row, const std::string& tip) { model_.set_own_tip(row, tip); }

void ListBox::visit_texts(const TextVisitor& visit) const {
    if (auto font = decode_font_record(properties().bytes(P::kFont))) visit(font->face);
    for (const ListColumn& c : tables_.columns) visit(c.caption);
    for (const ListCell& c : tables_.items) {
        visit(c.text);
        visit(c.tip);
    }
}

bool ListBox::edit_may_start(int32_t row) {
    HandlerResult r =
        raise_event(window_id(), unit_id(), ListBoxEvent::kEditStarting, {uint32_t(row)});
    return !(r.has_value && r.lo == 0);
}

bool ListBox::edit_accepted(int32_t row, const std::string& text) {
    properties().set_bytes(P::kEditedText, text);
    HandlerResult r =
        raise_event(window_id(), unit_id(), ListBoxEvent::kEditEnded, {uint32_t(row)});
    properties().set_bytes(P::kEditedText, {});
    return !(r.has_value && r.lo == 0);
}

void ListBox::edit_cancelled(int32_t row) {
    properties().set_bytes(P::kEditedText, cell_text(row, 0));
    raise_event(window_id(), unit_id(), ListBoxEvent::kEditEnded, {uint32_t(row)});
    properties().set_bytes(P::kEditedText, {});
}

void ListBox::mouse_pressed(Qt::MouseButton button) {
    if (button == Qt::LeftButton) raise_event(window_id(), unit_id(), ListBoxEvent::kLeftClick);
    if (button == Qt::RightButton) raise_event(window_id(), unit_id(), ListBoxEvent::kRightClick);
}

bool ListBox::context_menu_requested(const QPoint& global_position, int32_t row) {
    if (!context_menu_hook_) return false;
    context_menu_hook_(global_position, row);
    return true;
}

void ListBox::hot_row_changed(int32_t row) {
    if (row == hot_row_) return;
    hot_row_ = row;
    delegate_->hot_row = row;
    if (row >= 0)  // hover selects
        view_->selectionModel()->setCurrentIndex(
            model_.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view_->viewport()->update();
    post_event(ListBoxEvent::kHotRow, {uint32_t(row)});
}

// Events raised from inside the views' own signal handling are posted, so
// that a handler which rebuilds or closes the list never pulls the view
// out from under the code that emitted the signal.
void ListBox::post_event(int32_t event, std::initializer_list<uint32_t> args) {
    EventRecord record;
    record.window_id = window_id();
    record.unit_id = unit_id();
    record.event = event;
    for (uint32_t a : args) record.args[record.count++] = a;
    QMetaObject::invokeMethod(
        this, [record]() mutable { fire_event(&record); }, Qt::QueuedConnection);
}

void ListBox::place_view() {
    if (!view_) return;
    const int32_t w = border_width(properties().word(P::kBorder));
    view_->setGeometry(rect().adjusted(w, w, -w, -w));
    update();
}

void ListBox::resizeEvent(QResizeEvent*) { place_view(); }

void ListBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint_border(painter, rect(), properties().word(P::kBorder), palette());
}

namespace {

ListBox* list_box_of(QWidget* object) { return dynamic_cast<ListBox*>(object); }

constexpr int32_t kTabKey = 9;
constexpr int32_t kEnterKey = 13;
constexpr int32_t kEscapeKey = 27;

QWidget* create_list_box(const CreateRequest& request) {
    auto box = std::make_unique<ListBox>(request.parent);
    if (!prepare_component(box.get(), request)) return nullptr;
    box->build();
    return box.release();
}

int32_t list_box_property_changed(QWidget* object, int32_t number, const PropertyValue& value) {
    ListBox* box = list_box_of(object);
    if (!box || number == P::kEditedText || !box->properties().assign(number, value)) return 0;
    box->property_stored(number);
    if (box->needs_recreate(number)) return 1;
    box->apply_property(number, OnChange::kReapply);
    return 0;
}

bool list_box_get_property(QWidget* object, int32_t number, PropertyValue* value) {
    ListBox* box = list_box_of(object);
    if (!box) return false;
    switch (number) {
    case P::kTextColour:
    case P::kTextBackground:
    case P::kListBackground:
        *value = PropertyValue{};
        value->word = box->shown_colour(number);
        return true;
    case P::kSelection:
        *value = PropertyValue{};
        value->word = uint32_t(box->selected_row());
        return true;
    default: return box->properties().fetch(number, value);
    }
}

// While a label is being edited the editor keeps Enter, Esc and Tab, so
// that the window neither moves the focus nor closes.
bool list_box_keeps_key(QWidget* object, int32_t key_with_modifiers) {
    ListBox* box = list_box_of(object);
    const int32_t key = key_with_modifiers & 0xFFFF;
    return box && box->view() && box->editing() &&
           (key == kEnterKey || key == kEscapeKey || key == kTabKey);
}

void list_box_enumerate_texts(QWidget* object, const TextVisitor& visit) {
    if (ListBox* box = list_box_of(object)) box->visit_texts(visit);
}

}  // namespace

void* list_box_interface(int32_t code) {
    return type_interface(code, {.create = &create_list_box,
                                 .property_changed = &list_box_property_changed,
                                 .get_property = &list_box_get_property,
                                 .enumerate_texts = &list_box_enumerate_texts,
                                 .keeps_key = &list_box_keeps_key});
}

}  // namespace qinghe
