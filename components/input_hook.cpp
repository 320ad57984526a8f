#include "components/input_hook.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWindow>

#include "components/form_window.h"
#include "components/qt_text.h"
#include "runtime/component_interface.h"
#include "runtime/event_dispatch.h"
#include "runtime/frame.h"
#include "runtime/runtime_object.h"

namespace qinghe {
namespace {

namespace E = CommonEvent;

struct Target {
    QWidget* widget = nullptr;  // the unit's own object
    uint32_t window_id = 0;
    uint32_t unit_id = 0;
};

// The unit that owns `widget`: the nearest ancestor placed by a load.
Target locate(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        Target t;
        if (unit_of_object(w, &t.window_id, &t.unit_id)) {
            t.widget = w;
            return t;
        }
    }
    return {};
}

struct KeyRow {
    int qt_key;
    uint32_t code;
};

constexpr KeyRow kKeys[] = {
    {Qt::Key_Backspace, 8},     {Qt::Key_Tab, 9},         {Qt::Key_Backtab, 9},
    {Qt::Key_Return, 13},       {Qt::Key_Enter, 13},      {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},      {Qt::Key_Alt, 18},        {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},     {Qt::Key_Escape, 27},     {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},       {Qt::Key_PageDown, 34},   {Qt::Key_End, 35},
    {Qt::Key_Home, 36},         {Qt::Key_Left, 37},       {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},        {Qt::Key_Down, 40},       {Qt::Key_Print, 44},
    {Qt::Key_Insert, 45},       {Qt::Key_Delete, 46},     {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},  {Qt::Key_Semicolon, 186}, {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},        {Qt::Key_Comma, 188},     {Qt::Key_Minus, 189},
    {Qt::Key_Period, 190},      {Qt::Key_Slash, 191},     {Qt::Key_QuoteLeft, 192},
    {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220}, {Qt::Key_BracketRight, 221},
    {Qt::Key_Apostrophe, 222},  {Qt::Key_Asterisk, 106},
};

bool is_own_modifier(int key, uint32_t bit) {
    return (key == Qt::Key_Control && bit == KeyState::kCtrl) ||
           (key == Qt::Key_Shift && bit == KeyState::kShift) ||
           (key == Qt::Key_Alt && bit == KeyState::kAlt);
}

uint32_t modifier_bits(Qt::KeyboardModifiers m) {
    uint32_t bits = 0;
    if (m & Qt::ControlModifier) bits |= KeyState::kCtrl;
    if (m & Qt::ShiftModifier) bits |= KeyState::kShift;
    if (m & Qt::AltModifier) bits |= KeyState::kAlt;
    return bits;
}

// A typed character as the program sees it: ASCII, or the two GBK bytes.
uint32_t character_code(const QString& text) {
    std::string gbk = gbk_text(text.left(1));
    if (gbk.size() == 1) return uint8_t(gbk[0]);
    if (gbk.size() == 2) return (uint32_t(uint8_t(gbk[0])) << 8) | uint8_t(gbk[1]);
    return 0;
}

QString character_text(uint32_t code) {
    std::string gbk;
    if (code > 0xFF) gbk.push_back(char(code >> 8));
    gbk.push_back(char(code & 0xFF));
    return qt_text(gbk);
}

// Whether the type of the unit at `object` asks for the key (key query).
bool type_takes_key(QWidget* object, uint32_t unit_type, uint32_t key_with_modifiers) {
    const DataTypeRecord* type = data_type_record(unit_type);
    if (!type || !type->interface_entry) return false;
    auto keeps = reinterpret_cast<KeepsKeyEntry>(type->interface_entry(InterfaceCode::kKeepsKey));
    return keeps && keeps(object, int32_t(key_with_modifiers));
}

bool type_keeps_key(QWidget* focused, uint32_t key_with_modifiers) {
    Target t = locate(focused);
    return t.widget &&
           type_takes_key(t.widget, unit_type_of(t.window_id, t.unit_id), key_with_modifiers);
}

// The first component in index order, other than `focused`, whose type
// takes the key (a default button takes Enter); null when none does.
QWidget* component_taking_key(uint32_t window_id, QWidget* focused, uint32_t key_with_modifiers) {
    FormWindow* window = window_table().find(window_id);
    if (!window) return nullptr;
    const QWidget* focused_unit = locate(focused).widget;
    for (size_t i = 1; i < window->units.size(); ++i) {
        const FormUnit& u = window->units[i];
        QWidget* w = find_object(window_id, u.id);
        if (!w || w == focused_unit || !w->isVisible() || !w->isEnabled()) continue;
        if (type_takes_key(w, u.type, key_with_modifiers)) return w;
    }
    return nullptr;
}

class InputHook : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (replaying_ || !object->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(object);
        if (is_key_event(event->type()) && !widget->window()->isEnabled())
            return true;  // keys for a disabled window (one behind a modal window) are dropped
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: return mouse(widget, static_cast<QMouseEvent*>(event));
        case QEvent::Wheel: return wheel(widget, static_cast<QWheelEvent*>(event));
        case QEvent::KeyPress: return key_press(widget, static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease: return key_release(widget, static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn:
        case QEvent::FocusOut: focus(widget, event->type() == QEvent::FocusIn); return false;
        default: return false;
        }
    }

private:
    static bool is_key_event(QEvent::Type type) {
        return type == QEvent::KeyPress || type == QEvent::KeyRelease ||
               type == QEvent::ShortcutOverride;
    }

    // Qt offers an unaccepted mouse event to each parent in turn (as a
    // copy); the hook sees the first delivery only.
    bool seen_before(const QSinglePointEvent* e) {
        auto key =
            std::make_tuple(int(e->type()), e->timestamp(), e->globalPosition(), int(e->buttons()));
        if (last_pointer_ && *last_pointer_ == key) return true;
        last_pointer_ = key;
        return false;
    }

    static bool key_target(QWidget* widget) {
        QWidget* focus = QApplication::focusWidget();
        return focus ? widget == focus : widget->isWindow();
    }

    bool mouse(QWidget* widget, QMouseEvent* e) {
        if (seen_before(e)) return false;
        int32_t number = 0;
        switch (e->type()) {
        case QEvent::MouseButtonPress:
            number = e->button() == Qt::LeftButton    ? E::kLeftDown
                     : e->button() == Qt::RightButton ? E::kRightDown
                                                      : 0;
            break;
        case QEvent::MouseButtonRelease:
            number = e->button() == Qt::LeftButton    ? E::kLeftUp
                     : e->button() == Qt::RightButton ? E::kRightUp
                                                      : 0;
            break;
        case QEvent::MouseButtonDblClick:
            number = e->button() == Qt::LeftButton ? E::kDoubleClick : 0;
            break;
        default: number = E::kMouseMove; break;
        }
        Target t = locate(widget);
        if (!number || !t.widget) return false;
        if (number == E::kLeftDown) drag_window(t);
        QPoint at = t.widget->mapFromGlobal(e->globalPosition()).toPoint();
        return !event_lets_pass(
            t.window_id, t.unit_id, number,
            {uint32_t(at.x()) & 0xFFFF, uint32_t(at.y()) & 0xFFFF, modifier_bits(e->modifiers())});
    }

    // With drag-to-move on, a press on the window (or on a component whose
    // type asks for it) moves the window as if its caption were dragged.
    static void drag_window(const Target& t) {
        FormWindowWidget* form = form_window_of(t.widget);
        if (!form || !form->properties().word(FormProperty::kDragToMove)) return;
        const DataTypeRecord* type = data_type_record(unit_type_of(t.window_id, t.unit_id));
        bool drags = t.widget == form || (type && (type->flags & TypeFlag::kDragsWindow));
        if (drags && form->windowHandle()) form->windowHandle()->startSystemMove();
    }

    bool wheel(QWidget* widget, QWheelEvent* e) {
        if (seen_before(e)) return false;
        Target t = locate(widget);
        if (!t.widget) return false;
        int32_t notches = e->angleDelta().y() / 120;
        return !event_lets_pass(t.window_id, t.unit_id, E::kWheel,
                                {uint32_t(notches), modifier_bits(e->modifiers())});
    }

    // Tab, Shift+Tab, Enter, Esc and F1 as the window handles them; true when used.
    bool window_key(QWidget* widget, QKeyEvent* e) {
        FormWindowWidget* form = form_window_of(widget);
        if (!form) return false;
        const int key = e->key();
        const uint32_t code = virtual_key_code(*e);
        const uint32_t modifiers = modifier_bits(e->modifiers()) << 16;
        if (type_keeps_key(widget, code | modifiers)) return false;
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            bool forward = key == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier);
            if (QWidget* next = next_focus(form->window_id(), widget, forward))
                next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (form->properties().word(FormProperty::kEnterMovesFocus)) {
                if (QWidget* next = next_focus(form->window_id(), widget, true))
                    next->setFocus(Qt::TabFocusReason);
                return true;
            }
            QWidget* taker = component_taking_key(form->window_id(), widget, code | modifiers);
            if (!taker) return false;
            QKeyEvent offered(e->type(), e->key(), e->modifiers(), e->text(), e->isAutoRepeat(),
                              ushort(e->count()));
            replay(taker, offered);
            return true;
        }
        if (key == Qt::Key_F1 && form->properties().word(FormProperty::kF1Help)) {
            form->open_help();
            return true;
        }
        if (key == Qt::Key_Escape && form->properties().word(FormProperty::kEscCloses)) {
            form->request_close();
            return true;
        }
        return false;
    }

    // Delivers an event to `widget` without the hook seeing it again.
    void replay(QWidget* widget, QKeyEvent& e) {
        replaying_ = true;
        QCoreApplication::sendEvent(widget, &e);
        replaying_ = false;
    }

    bool key_press(QWidget* widget, QKeyEvent* e) {
        if (!key_target(widget)) return false;
        QPointer<QWidget> guard(widget);
        if (window_key(widget, e)) return true;
        Target t = locate(widget);
        if (!t.widget) return false;
        if (!event_lets_pass(t.window_id, t.unit_id, E::kKeyDown,
                             {virtual_key_code(*e), key_state(*e, true)}))
            return true;
        if (!guard) return true;
        uint32_t character = e->text().isEmpty() ? 0 : character_code(e->text());
        if (character == 0 || character < 0x20 || character == 0x7F) return false;
        HandlerResult r = raise_event(t.window_id, t.unit_id, E::kCharacter, {character});
        if (!r.has_value || r.lo == character) return false;
        if (r.lo != 0 && guard) {
            QKeyEvent replaced(QEvent::KeyPress, e->key(), e->modifiers(), character_text(r.lo),
                               e->isAutoRepeat(), ushort(e->count()));
            replay(widget, replaced);
        }
        return true;
    }

    bool key_release(QWidget* widget, QKeyEvent* e) {
        if (!key_target(widget)) return false;
        Target t = locate(widget);
        if (!t.widget) return false;
        return !event_lets_pass(t.window_id, t.unit_id, E::kKeyUp,
                                {virtual_key_code(*e), key_state(*e, true)});
    }

    void focus(QWidget* widget, bool in) {
        Target t = locate(widget);
        if (t.widget && !t.widget->isWindow())
            raise_event(t.window_id, t.unit_id, in ? E::kFocusIn : E::kFocusOut);
    }

    bool replaying_ = false;
    std::optional<std::tuple<int, quint64, QPointF, int>> last_pointer_;
};

}  // namespace

void install_input_hook() {
    static InputHook* hook = nullptr;
    if (hook || !QCoreApplication::instance()) return;
    hook = new InputHook;
    hook->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(hook);
}

uint32_t virtual_key_code(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return uint32_t(key);
        if (key == Qt::Key_Minus) return 189;
        if (key == Qt::Key_Period) return 190;
        if (key == Qt::Key_Slash) return 191;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return uint32_t(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + uint32_t(key - Qt::Key_F1);
    for (const KeyRow& row : kKeys)
        if (row.qt_key == key) return row.code;
    return 0;
}

uint32_t key_state(const QKeyEvent& event, bool omit_own) {
    uint32_t bits = modifier_bits(event.modifiers());
    if (omit_own)
        for (uint32_t bit : {KeyState::kCtrl, KeyState::kShift, KeyState::kAlt})
            if (is_own_modifier(event.key(), bit)) bits &= ~bit;
    return bits;
}

}  // namespace qinghe
