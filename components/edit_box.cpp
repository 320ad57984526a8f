#include "components/edit_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <algorithm>

#include "components/border_style.h"
#include "components/colours.h"
#include "components/edit_input_mode.h"
#include "components/focus_loss_watcher.h"
#include "components/fonts.h"
#include "components/password_style.h"
#include "components/spin_button.h"
#include "runtime/event_dispatch.h"
#include "runtime/font_record.h"
#include "runtime/property_block.h"
#include "runtime/runtime_object.h"

namespace qinghe {
namespace {

namespace K = PropertyKind;
namespace E = EditBoxProperty;

constexpr int32_t kEnterKey = 13;
constexpr int32_t kSystemEdge = 2;   // height of the platform's sunken edge
constexpr int32_t kFieldMargin = 1;  // the line edit's own margin above and below the text

PropertyDecl word_decl(int32_t number, uint32_t kind, int32_t value, int32_t min = INT_MIN,
                       int32_t max = INT_MAX, OnChange change = OnChange::kReapply) {
    return {number, kind, value, "", min, max, change};
}

PropertyDecl recreating(int32_t number, uint32_t kind, int32_t value, int32_t max) {
    return word_decl(number, kind, value, 0, max, OnChange::kRecreate);
}

PropertyDecl bytes_decl(int32_t number, uint32_t kind, const char* value = "",
                        OnChange change = OnChange::kReapply) {
    return {number, kind, 0, value, INT_MIN, INT_MAX, change};
}

Qt::Alignment horizontal_alignment(int32_t alignment) {
    if (alignment == 1) return Qt::AlignHCenter;
    if (alignment == 2) return Qt::AlignRight;
    return Qt::AlignLeft;
}

// The spin button has a thin edge beside boxes without a raised frame.
bool thin_spin_edge(int32_t border) { return border == 0 || border == 1 || border == 3; }

QString case_converted(const QString& text, int32_t conversion) {
    if (conversion == 1) return text.toLower();
    if (conversion == 2) return text.toUpper();
    return text;
}

}  // namespace

const PropertyTable& EditBox::table() {
    static const PropertyTable table(
        UnitType::kEditBox,
        {
            bytes_decl(E::kContent, K::kText),
            word_decl(E::kBorder, K::kChoice, 1, 0, 5),
            word_decl(E::kTextColour, K::kColour, 0),
            word_decl(E::kBackground, K::kBackgroundColour, 0xFFFFFF),
            bytes_decl(E::kFont, K::kFont),
            recreating(E::kHideSelection, K::kLogical, 1, 1),
            // Checked on every change the user makes (on_text_changed).
            word_decl(E::kMaximumLength, K::kNonNegative, 0, 0, INT_MAX, OnChange::kStore),
            recreating(E::kMultiLine, K::kLogical, 0, 1),
            recreating(E::kScrollBars, K::kChoice, 0, 3),
            recreating(E::kAlignment, K::kChoice, 0, 2),
            word_decl(E::kInputMode, K::kChoice, 0, 0, InputMode::kLast),
            // Stored as a text and, in the resource block, as its first byte.
            {E::kPasswordCharacter, K::kText, '*', "*", 0, 0xFFFF, OnChange::kReapply},
            recreating(E::kCaseConversion, K::kChoice, 0, 2),
            recreating(E::kSpinButton, K::kChoice, 0, 2),
            word_decl(E::kSpinLower, K::kInteger, 0),
            word_decl(E::kSpinUpper, K::kInteger, 100),
            word_decl(E::kSelectionStart, K::kInteger, 0),
            word_decl(E::kSelectionLength, K::kInteger, 0),
            bytes_decl(E::kSelectedText, K::kText),
            bytes_decl(E::kDataSource, K::kText, "", OnChange::kStore),
            bytes_decl(E::kDataColumn, K::kText, "", OnChange::kStore),
        });
    return table;
}

EditBox::EditBox(QWidget* parent) : QWidget(parent), TableComponent(table()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

EditBox::~EditBox() {
    destroying_ = true;
    // The spin button may be inside its own press handler when a handler
    // re-creates the box: it is cut loose now and deleted later.
    if (spin_) spin_->release();
    // The field goes while the box is whole; whatever its focus loss
    // triggers finds no field.
    delete field_.release();
    notify_destroyed(window_id(), unit_id(), this);
}

EditBox* EditBox::of_field(QObject* field) {
    if (!field || !field->isWidgetType()) return nullptr;
    auto* box = dynamic_cast<EditBox*>(field->parent());
    return box && !box->destroying_ && box->field() == field ? box : nullptr;
}

void EditBox::build() {
    // The resource block keeps the password character as a number.
    const int32_t password = word(E::kPasswordCharacter) & 0xFF;
    properties().set_bytes(E::kPasswordCharacter, password ? std::string(1, char(password)) : "");
    create_field();
    apply_colours();
    apply_font();
    apply_input_mode();
    if (!multi_line() && word(E::kSpinButton) != 0) create_spin_button();
    select_from_properties();
    watch_focus_loss();
}

void EditBox::create_field() {
    const Qt::Alignment alignment = horizontal_alignment(word(E::kAlignment));
    if (word(E::kMultiLine)) field_.create_plain(this, word(E::kScrollBars), alignment);
    else field_.create_line(this, alignment);
    field_.set_text(texts().to_field(properties().bytes(E::kContent)));
    if (QPlainTextEdit* plain = field_.plain())
        connect(plain, &QPlainTextEdit::textChanged, this, [this] { on_text_changed(false); });
    else connect(field_.line(), &QLineEdit::textChanged, this, [this] { on_text_changed(false); });
    last_text_ = field_.text();
    field()->setAutoFillBackground(true);
    field()->installEventFilter(this);
    setFocusProxy(field());
    setFocusPolicy(Qt::StrongFocus);
    layout_field();
}

void EditBox::create_spin_button() {
    if (!parentWidget()) return;
    spin_ = new SpinButton(parentWidget(), [this](int32_t direction) { step(direction); });
    const int32_t border = word(E::kBorder);
    spin_->set_thin_edge(thin_spin_edge(border));
    spin_->set_range(word(E::kSpinLower), word(E::kSpinUpper));
    spin_->setEnabled(isEnabled());
    place_spin_button();
}

void EditBox::place_spin_button() {
    if (!spin_) return;
    spin_->setGeometry(geometry().right() + 1, geometry().top(), SpinButton::kWidth, height());
    spin_->stackUnder(this);
}

// Single-line text sits in a band as tall as one line of the font,
// centred in the space inside the border.
void EditBox::layout_field() {
    if (!field()) return;
    const int32_t edge = border_width(word(E::kBorder));
    const QRect client = rect().adjusted(edge, edge, -edge, -edge);
    if (multi_line()) {
        field_.plain()->setGeometry(client);
        return;
    }
    QLineEdit* line = field_.line();
    const int32_t band = QFontMetrics(line->font()).height() + 2 * kFieldMargin;
    if (band >= client.height()) {
        line->setGeometry(client);
        return;
    }
    line->setGeometry(client.left(), client.top() + (client.height() - band) / 2, client.width(),
                      band);
}

void EditBox::apply_colours() {
    const QColor text = colour_of(uint32_t(word(E::kTextColour)));
    const QColor background = background_colour_of(uint32_t(word(E::kBackground)));
    QPalette palette = field()->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Window, background);
    }
    for (auto group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Text, text);
    // A box that hides its selection draws it like plain text while unfocused.
    const bool hide = word(E::kHideSelection) != 0;
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     hide ? background : palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     hide ? text : palette.color(QPalette::Active, QPalette::HighlightedText));
    field()->setPalette(palette);
    update();
}

// A single-line box lower than a line of text plus the sunken edge is
// made that tall.
void EditBox::apply_font() {
    const QFont font = font_from_record_bytes(properties().bytes(E::kFont));
    field()->setFont(font);
    if (!multi_line()) {
        const int32_t needed = QFontMetrics(font).height() + 2 * kSystemEdge;
        if (height() < needed) resize(width(), needed);
    }
    layout_field();
}

void EditBox::apply_input_mode() {
    const int32_t mode = word(E::kInputMode);
    field_.set_read_only(mode == InputMode::kReadOnly);
    apply_password_character();
}

void EditBox::apply_password_character() {
    QLineEdit* line = field_.line();
    if (!line) return;
    const std::string& character = properties().bytes(E::kPasswordCharacter);
    const bool hidden = word(E::kInputMode) == InputMode::kPassword && !character.empty();
    line->setEchoMode(hidden ? QLineEdit::Password : QLineEdit::Normal);
    if (!hidden) return;
    auto* style = new PasswordStyle(QChar::fromLatin1(character[0]));
    style->setParent(line);
    QStyle* old = line->style();
    line->setStyle(style);
    if (old->parent() == line) delete old;
}

void EditBox::apply_property(int32_t number, OnChange change) {
    if (change == OnChange::kStore || change == OnChange::kRecreate || !field()) return;
    switch (number) {
    case E::kContent: write_content(); break;
    case E::kBorder:
        layout_field();
        if (spin_) spin_->set_thin_edge(thin_spin_edge(word(E::kBorder)));
        update();
        break;
    case E::kTextColour:
    case E::kBackground: apply_colours(); break;
    case E::kFont: apply_font(); break;
    case E::kInputMode: apply_input_mode(); break;
    case E::kPasswordCharacter: {
        const std::string& character = properties().bytes(E::kPasswordCharacter);
        properties().set_word(E::kPasswordCharacter, character.empty() ? 0 : uint8_t(character[0]));
        apply_password_character();
        break;
    }
    case E::kSpinLower:
    case E::kSpinUpper:
        if (spin_) spin_->set_range(word(E::kSpinLower), word(E::kSpinUpper));
        break;
    case E::kSelectionStart: apply_selection_start(); break;
    case E::kSelectionLength: apply_selection_length(); break;
    case E::kSelectedText: {
        const QString text = texts().to_field(properties().bytes(E::kSelectedText));
        field_.insert(text);
        break;
    }
    default: break;
    }
}

// ---- selection ----------------------------------------------------------

void EditBox::select_from_properties() {
    const QString text = field_.text();
    const int32_t start = word(E::kSelectionStart), length = word(E::kSelectionLength);
    if (length == -1) {
        field_.select(0, int32_t(text.size()));
    } else if (start == -1) {
        field_.select(int32_t(text.size()), 0);
    } else {
        const FieldText t = texts();
        const int32_t from = t.char_index(text, std::max(start, 0));
        field_.select(from, t.char_index(text, std::max(start, 0) + std::max(length, 0)) - from);
    }
}

// -1 puts the caret at the end; the selection keeps its length otherwise.
void EditBox::apply_selection_start() {
    const QString text = field_.text();
    const int32_t start = word(E::kSelectionStart);
    if (start == -1) {
        field_.select(int32_t(text.size()), 0);
        return;
    }
    const int32_t from = texts().char_index(text, std::max(start, 0));
    field_.select(from, field_.selection().second);
}

// -1 selects everything; otherwise the selection keeps its start.
void EditBox::apply_selection_length() {
    const QString text = field_.text();
    const int32_t length = word(E::kSelectionLength);
    if (length == -1) {
        field_.select(0, int32_t(text.size()));
        return;
    }
    const FieldText t = texts();
    const int32_t from = field_.selection().first;
    field_.select(from, t.char_index(text, t.byte_offset(text, from) + std::max(length, 0)) - from);
}

void EditBox::read_back() {
    if (!field()) return;
    PropertyStore& p = properties();
    const QString text = field_.text();
    const auto [start, length] = field_.selection();
    const FieldText t = texts();
    p.set_bytes(E::kContent, t.to_gbk(text));
    p.set_word(E::kSelectionStart, t.byte_offset(text, start));
    p.set_word(E::kSelectionLength,
               t.byte_offset(text, start + length) - t.byte_offset(text, start));
    p.set_bytes(E::kSelectedText, t.to_gbk(text.mid(start, length)));
}

// ---- content changes ----------------------------------------------------

void EditBox::replace_text(const QString& text, bool quiet) {
    const bool was_quiet = quiet_;
    quiet_ = quiet;
    field_.set_text(text);
    quiet_ = was_quiet;
}

// A program write: the text is replaced without a report, then the box
// reports the change itself, so event 0 fires once even for equal text.
void EditBox::write_content() {
    replace_text(texts().to_field(properties().bytes(E::kContent)), true);
    on_text_changed(true);
}

// Case conversion and the length limit apply to every change the user
// makes; a change over the limit is refused.
void EditBox::on_text_changed(bool by_program) {
    if (quiet_ || destroying_) return;
    const QString current = field_.text();
    if (!by_program && current == last_text_) return;
    QString fixed = case_converted(current, word(E::kCaseConversion));
    const int32_t limit = word(E::kMaximumLength);
    if (!by_program && limit > 0 && texts().byte_offset(fixed, int32_t(fixed.size())) > limit)
        fixed = last_text_;
    if (fixed != current) {
        const int32_t caret = field_.caret();
        replace_text(fixed, true);
        field_.select(std::min(caret, int32_t(fixed.size())), 0);
    }
    last_text_ = fixed;
    raise_event(window_id(), unit_id(), EditBoxEvent::kContentChanged);
}

void EditBox::normalise_input() {
    const int32_t mode = word(E::kInputMode);
    if (mode < InputMode::kByte) return;
    const QString text = field_.text();
    const std::string gbk = texts().to_gbk(text);
    const std::string normalised = normalised_input(mode, gbk);
    if (normalised == gbk) return;
    const int32_t caret = texts().byte_offset(text, field_.caret());
    replace_text(texts().to_field(normalised), false);
    const QString now = field_.text();
    field_.select(texts().char_index(now, caret), 0);
}

void EditBox::step(int32_t direction) {
    if (word(E::kSpinButton) == 2) {
        raise_event(window_id(), unit_id(), EditBoxEvent::kSpinPressed, {uint32_t(direction)});
        return;
    }
    if (!spin_ || !field_.line()) return;
    int64_t value = leading_integer(texts().to_gbk(field_.text())) + direction;
    if (value < spin_->minimum()) value = spin_->maximum();
    else if (value > spin_->maximum()) value = spin_->minimum();
    replace_text(QString::number(value), false);
    field_.line()->selectAll();
    field_.line()->setFocus(Qt::OtherFocusReason);
}

bool EditBox::keeps_enter() const {
    return multi_line() && word(E::kInputMode) != InputMode::kReadOnly;
}

// ---- events -------------------------------------------------------------

// Drops typed characters that the input mode does not accept.
bool EditBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field() || event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    const int32_t mode = word(E::kInputMode);
    for (QChar c : key->text())
        if (!input_mode_accepts(mode, c.unicode())) return true;
    return false;
}

void EditBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect client = paint_border(painter, rect(), word(E::kBorder), palette());
    painter.fillRect(client, background_colour_of(uint32_t(word(E::kBackground))));
}

void EditBox::resizeEvent(QResizeEvent*) {
    layout_field();
    place_spin_button();
}

void EditBox::moveEvent(QMoveEvent*) { place_spin_button(); }

void EditBox::showEvent(QShowEvent*) {
    if (spin_) spin_->show();
    place_spin_button();
}

// Only an explicit hide hides the spin button; a hidden parent hides both.
void EditBox::hideEvent(QHideEvent*) {
    if (spin_ && isHidden()) spin_->hide();
}

void EditBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && spin_) spin_->setEnabled(isEnabled());
    QWidget::changeEvent(event);
}

// ---- the type's entries -----------------------------------------------

namespace {

EditBox* box_of(QWidget* object) { return dynamic_cast<EditBox*>(object); }

QWidget* create_edit_box(const CreateRequest& request) {
    auto box = std::make_unique<EditBox>(request.parent);
    if (!prepare_component(box.get(), request)) return nullptr;
    box->build();
    return box.release();
}

// Properties that re-create the box do so only when the value differs.
int32_t edit_box_property_changed(QWidget* object, int32_t number, const PropertyValue& value) {
    EditBox* box = box_of(object);
    const PropertyDecl* decl = EditBox::table().find(number);
    if (!box || !decl) return 0;
    const int32_t before = box->properties().word(number);
    const int32_t recreate = table_property_changed(object, number, value);
    return recreate && box->properties().word(number) != before ? 1 : 0;
}

std::string serialise_edit_box(QWidget* object) {
    if (EditBox* box = box_of(object)) box->read_back();
    return table_serialise(object);
}

bool get_edit_box_property(QWidget* object, int32_t number, PropertyValue* value) {
    EditBox* box = box_of(object);
    if (!box) return false;
    box->read_back();
    if (!table_get_property(object, number, value)) return false;
    if (number == E::kSpinButton && !box->spin_button()) value->word = 0;
    return true;
}

bool edit_box_keeps_key(QWidget* object, int32_t key_with_modifiers) {
    EditBox* box = box_of(object);
    return box && (key_with_modifiers & 0xFFFF) == kEnterKey && box->keeps_enter();
}

void enumerate_edit_box_texts(QWidget* object, const TextVisitor& visit) {
    EditBox* box = box_of(object);
    if (!box) return;
    box->read_back();
    const PropertyStore& p = box->properties();
    visit(p.bytes(E::kContent));
    if (auto font = decode_font_record(p.bytes(E::kFont))) visit(font->face);
    visit(p.bytes(E::kDataSource));
    visit(p.bytes(E::kDataColumn));
}

}  // namespace

void* edit_box_interface(int32_t code) {
    return type_interface(code, {.create = &create_edit_box,
                                 .property_changed = &edit_box_property_changed,
                                 .serialise = &serialise_edit_box,
                                 .get_property = &get_edit_box_property,
                                 .enumerate_texts = &enumerate_edit_box_texts,
                                 .keeps_key = &edit_box_keeps_key});
}

}  // namespace qinghe
