#include "runtime/property_access.h"

#include <QWidget>
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/text_encoding.h"
#include "runtime/component_interface.h"
#include "runtime/cursors.h"
#include "runtime/font_fields.h"
#include "runtime/form_resource.h"
#include "runtime/frame.h"
#include "runtime/main_thread.h"
#include "runtime/memory.h"
#include "runtime/runtime_error.h"
#include "runtime/runtime_object.h"

namespace qinghe {
namespace {

namespace C = CommonProperty;
namespace K = PropertyKind;

[[noreturn]] void report(const char* utf8, uint32_t window_id, uint32_t unit_id) {
    report_error(platform::gbk_from_utf8(utf8).c_str(), 0, window_id, unit_id);
}

struct Located {
    FormWindow* window;
    FormUnit* unit;
};

Located locate(uint32_t window_id, uint32_t unit_id) {
    FormWindow* window = window_table().find(window_id);
    if (!window) report("未载入欲访问窗口组件所在的窗口", window_id, unit_id);
    FormUnit* unit = find_unit(*window, unit_id);
    if (!unit) report("指定窗口或窗口组件不存在或尚未载入", window_id, unit_id);
    return {window, unit};
}

const DataTypeRecord& type_of(const FormUnit& unit) {
    static const DataTypeRecord none{};
    const DataTypeRecord* type = data_type_record(unit.type);
    return type ? *type : none;
}

template <typename Entry>
Entry entry_of(const DataTypeRecord& type, int32_t code) {
    return type.interface_entry ? reinterpret_cast<Entry>(type.interface_entry(code)) : nullptr;
}

uint32_t kind_of(const DataTypeRecord& type, int32_t own) {
    if (own < 0 || own >= type.property_count || !type.properties) return K::kInteger;
    return K::of(type.properties[own].kind);
}

void* pointer_of(uint32_t lo, uint32_t hi) {
    return reinterpret_cast<void*>(uintptr_t(uint64_t(lo) | (uint64_t(hi) << 32)));
}

std::string bytes_of(const PropertyValue& v) {
    return v.data && v.length > 0 ? std::string(v.data, size_t(v.length)) : std::string();
}

// The font record a font property holds now, or the default GUI font.
FontRecord current_font(QWidget* object, const DataTypeRecord& type, int32_t own) {
    PropertyValue v;
    auto get = entry_of<GetPropertyEntry>(type, InterfaceCode::kGetProperty);
    if (get && get(object, own, &v))
        if (auto record = decode_font_record(bytes_of(v))) return *record;
    return default_gui_font_record();
}

TaggedArg read_font(QWidget* object, const DataTypeRecord& type, int32_t own, int32_t index) {
    FontRecord font = current_font(object, type, own);
    if (index == FontField::kFace) return TaggedArg::of_text(make_text(font.face));
    if (index >= 0) return TaggedArg::of_int(font_field(font, index));
    return TaggedArg::of_byte_set(make_byte_set(encode_font_record(font)));
}

TaggedArg read_own(const Located& at, int32_t number, int32_t index) {
    QWidget* object = static_cast<QWidget*>(at.unit->object);
    if (!object) report("读取组件属性时发现指定窗口尚未载入", at.window->id, at.unit->id);
    const DataTypeRecord& type = type_of(*at.unit);
    const int32_t own = number - C::kFirstOwn;
    const uint32_t kind = kind_of(type, own);
    if (kind == K::kFont) return read_font(object, type, own, index);
    PropertyValue v;
    auto get = entry_of<GetPropertyEntry>(type, InterfaceCode::kGetProperty);
    if (!get || !get(object, own, &v)) v = PropertyValue{};
    if (kind == K::kLogical) return TaggedArg::of_bool(v.word == 1);
    if (K::is_word(kind)) return TaggedArg::of_int(int32_t(v.word));
    if (K::is_eight_bytes(kind)) {
        TaggedArg a{v.word, v.word2, kind == K::kLong ? TypeTag::kLong : TypeTag::kDateTime};
        return a;
    }
    if (K::is_bytes(kind)) {
        std::string bytes = bytes_of(v);
        if (kind == K::kCursor) bytes = translate_cursor_data(bytes, true);
        return TaggedArg::of_byte_set(make_byte_set(bytes));
    }
    return TaggedArg::of_text(make_text(bytes_of(v)));
}

TaggedArg read_common(const Located& at, int32_t number) {
    const FormUnit& unit = *at.unit;
    QWidget* object = static_cast<QWidget*>(unit.object);
    const QRect g =
        object ? object->geometry() : QRect(unit.left, unit.top, unit.width, unit.height);
    switch (number) {
    case C::kLeft: return TaggedArg::of_int(g.left());
    case C::kTop: return TaggedArg::of_int(g.top());
    case C::kWidth: return TaggedArg::of_int(object ? g.width() : unit.width);
    case C::kHeight: return TaggedArg::of_int(object ? g.height() : unit.height);
    case C::kTag: return TaggedArg::of_text(make_text(unit.tag));
    case C::kVisible: return TaggedArg::of_bool(object ? object->isVisible() : unit.visible());
    case C::kDisabled:
        return TaggedArg::of_bool(object ? object->testAttribute(Qt::WA_ForceDisabled)
                                         : unit.disabled());
    default:
        return TaggedArg::of_byte_set(
            make_byte_set(translate_cursor_data(unit.mouse_pointer, true)));
    }
}

TaggedArg read_menu_item(const FormUnit& unit, int32_t number) {
    switch (number) {
    case 0: return TaggedArg::of_text(make_text(unit.caption));
    case 1: return TaggedArg::of_bool(unit.state & 4);
    case 2: return TaggedArg::of_bool(unit.state & 2);
    default: return TaggedArg::of_bool(!(unit.state & 1));
    }
}

TaggedArg read(uint32_t window_id, uint32_t unit_id, int32_t number, int32_t index) {
    Located at = locate(window_id, unit_id);
    if (at.unit->menu_item()) return read_menu_item(*at.unit, number);
    if (number >= C::kFirstOwn) return read_own(at, number, index);
    return read_common(at, number);
}

// The value record a write hands to the type, by the property's kind.
PropertyValue value_for(QWidget* object, const DataTypeRecord& type, int32_t own, int32_t index,
                        uint32_t lo, uint32_t hi, std::string& storage) {
    PropertyValue v;
    const uint32_t kind = kind_of(type, own);
    if (kind == K::kFont) {
        FontRecord font = current_font(object, type, own);
        if (index == kWholeValue) {
            if (auto* fields = static_cast<const FontFields*>(pointer_of(lo, hi)))
                set_font_fields(font, *fields);
        } else if (index == FontField::kFace) {
            auto* face = static_cast<const char*>(pointer_of(lo, hi));
            set_font_face(font, face ? face : "");
        } else {
            set_font_field(font, index, int32_t(lo));
        }
        storage = encode_font_record(font);
    } else if (kind == K::kLogical) {
        v.word = lo ? 1 : 0;
        return v;
    } else if (kind == K::kNonNegative) {
        v.word = int32_t(lo) < 0 ? 0 : lo;
        return v;
    } else if (K::is_word(kind) || K::is_eight_bytes(kind)) {
        v.word = lo;
        v.word2 = K::is_eight_bytes(kind) ? hi : 0;
        return v;
    } else if (K::is_bytes(kind)) {
        auto* set = static_cast<const ByteSet*>(pointer_of(lo, hi));
        storage = std::string(byte_set_view(set));
        if (kind == K::kCursor) storage = translate_cursor_data(storage, false);
    } else {
        auto* text = static_cast<const char*>(pointer_of(lo, hi));
        storage = text ? text : "";
    }
    v.data = storage.empty() ? nullptr : storage.data();
    v.length = int32_t(storage.size());
    return v;
}

void write_own(const Located& at, int32_t number, int32_t index, uint32_t lo, uint32_t hi) {
    QWidget* object = static_cast<QWidget*>(at.unit->object);
    if (!object) report("修改组件属性时发现指定窗口尚未载入", at.window->id, at.unit->id);
    const DataTypeRecord& type = type_of(*at.unit);
    const int32_t own = number - C::kFirstOwn;
    std::string storage;
    PropertyValue v = value_for(object, type, own, index, lo, hi, storage);
    auto changed = entry_of<PropertyChangedEntry>(type, InterfaceCode::kPropertyChanged);
    if (!changed || changed(object, own, v) != 1) return;
    const uint32_t window_id = at.window->id, unit_id = at.unit->id;
    if (unit_id != at.window->units.front().id && find_object(window_id, unit_id) == object)
        recreate_component(window_id, unit_id);
}

void write_visible(const Located& at, bool visible) {
    FormUnit& unit = *at.unit;
    unit.state = visible ? (unit.state | UnitState::kVisible) : (unit.state & ~UnitState::kVisible);
    QWidget* object = static_cast<QWidget*>(unit.object);
    if (!object) return;
    if (!visible) {
        object->hide();
    } else if (&unit == &at.window->units.front()) {
        object->show();
        complete_window_load(at.window->id);
    } else {
        const DataTypeRecord* type = data_type_record(unit.type);
        if (!type || !(type->flags & TypeFlag::kNoWindow)) object->show();
    }
}

void write_common(const Located& at, int32_t number, uint32_t lo, uint32_t hi) {
    FormUnit& unit = *at.unit;
    QWidget* object = static_cast<QWidget*>(unit.object);
    const int32_t v = int32_t(lo);
    switch (number) {
    case C::kLeft:
    case C::kTop: {
        int32_t c = std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
        (number == C::kLeft ? unit.left : unit.top) = c;
        if (object)
            object->move(number == C::kLeft ? QPoint(c, object->y()) : QPoint(object->x(), c));
        break;
    }
    case C::kWidth:
    case C::kHeight: {
        int32_t c = std::clamp(v, 0, kCoordinateLimit);
        (number == C::kWidth ? unit.width : unit.height) = c;
        if (!object) break;
        const QSize size =
            number == C::kWidth ? QSize(c, object->height()) : QSize(object->width(), c);
        // A window with a fixed border keeps its new size fixed.
        if (object->isWindow() && object->minimumSize() == object->maximumSize())
            object->setFixedSize(size);
        else object->resize(size);
        break;
    }
    case C::kTag: {
        auto* text = static_cast<const char*>(pointer_of(lo, hi));
        unit.tag = text ? text : "";
        break;
    }
    case C::kVisible: write_visible(at, v != 0); break;
    case C::kDisabled:
        unit.state = v ? (unit.state | UnitState::kDisabled) : (unit.state & ~UnitState::kDisabled);
        if (object) object->setEnabled(!v);
        break;
    default: {
        auto* set = static_cast<const ByteSet*>(pointer_of(lo, hi));
        unit.mouse_pointer = translate_cursor_data(std::string(byte_set_view(set)), false);
        if (object) apply_cursor(object, unit.mouse_pointer);
        break;
    }
    }
}

void write_menu_item(FormUnit& unit, int32_t number, uint32_t lo, uint32_t hi) {
    if (number == 0) {
        auto* text = static_cast<const char*>(pointer_of(lo, hi));
        unit.caption = text ? text : "";
        return;
    }
    const uint32_t bit = number == 1 ? 4u : number == 2 ? 2u : 1u;
    const bool set = number == 3 ? lo == 0 : lo != 0;
    unit.state = set ? (unit.state | bit) : (unit.state & ~bit);
}

void write(uint32_t window_id, uint32_t unit_id, int32_t number, int32_t index, uint32_t lo,
           uint32_t hi) {
    Located at = locate(window_id, unit_id);
    if (at.unit->menu_item()) write_menu_item(*at.unit, number, lo, hi);
    else if (number >= C::kFirstOwn) write_own(at, number, index, lo, hi);
    else write_common(at, number, lo, hi);
}

}  // namespace

TaggedArg get_property(uint32_t window_id, uint32_t unit_id, int32_t number, int32_t index) {
    TaggedArg result{};
    run_on_main_thread([&] { result = read(window_id, unit_id, number, index); });
    return result;
}

void set_property(uint32_t window_id, uint32_t unit_id, int32_t number, int32_t index,
                  uint32_t value, uint32_t second) {
    run_on_main_thread([&] { write(window_id, unit_id, number, index, value, second); });
}

}  // namespace qinghe
