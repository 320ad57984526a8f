#include "components/property_table.h"

#include <QWidget>
#include <algorithm>
#include <cstring>

#include "runtime/font_record.h"
#include "runtime/property_block.h"
#include "platform/text_encoding.h"

namespace qinghe {
PropertyTable::PropertyTable(uint32_t unit_type, std::vector<PropertyDecl> decls)
    : unit_type_(unit_type), decls_(std::move(decls)) {
    for (const auto& d : decls_) slot_count_ = std::max(slot_count_, d.number + 1);
    defaults_.resize(size_t(slot_count_));
    descriptors_.resize(size_t(slot_count_));
    for (const auto& d : decls_) {
        defaults_[size_t(d.number)] = platform::gbk_from_utf8(d.default_utf8);
        descriptors_[size_t(d.number)].kind = PropertyKind::code(d.kind);
    }
}

const PropertyDecl* PropertyTable::find(int32_t number) const {
    for (const auto& d : decls_)
        if (d.number == number) return &d;
    return nullptr;
}

int32_t PropertyTable::clamp(const PropertyDecl& decl, int32_t value) const {
    return std::clamp(value, decl.min, decl.max);
}

PropertyStore::PropertyStore(const PropertyTable& table) : table_(table) { reset(); }

void PropertyStore::reset() {
    words_.assign(size_t(table_.slot_count()), 0);
    bytes_.assign(size_t(table_.slot_count()), std::string());
    for (const auto& d : table_.decls()) {
        words_[size_t(d.number)] = d.default_word;
        bytes_[size_t(d.number)] = table_.default_bytes(d.number);
    }
}

bool PropertyStore::read_blob(const uint8_t* block, int32_t length) {
    reset();
    DecodedBlock decoded;
    std::string_view bytes(reinterpret_cast<const char*>(block),
                           block && length > 0 ? size_t(length) : 0);
    BlockStatus status = decode_property_block(table_.unit_type(), bytes, decoded);
    if (status == BlockStatus::Empty) return true;
    if (status != BlockStatus::Ok) return false;
    for (const BlockValue& v : decoded.values) {
        const PropertyDecl* d = table_.find(v.property());
        if (!d) continue;
        if (v.field->storage == FieldStorage::Bytes) bytes_[size_t(d->number)] = v.bytes;
        else words_[size_t(d->number)] = table_.clamp(*d, int32_t(v.word));
    }
    return true;
}

std::string PropertyStore::write_blob() const {
    const BlockLayout* layout = block_layout(table_.unit_type());
    if (!layout) return {};
    std::vector<BlockValue> values;
    for (const BlockField& field : layout->fields) {
        const PropertyDecl* d = table_.find(field.property);
        if (!d) continue;
        BlockValue v;
        v.field = &field;
        if (field.storage == FieldStorage::Bytes) v.bytes = bytes_[size_t(d->number)];
        else v.word = uint32_t(words_[size_t(d->number)]);
        values.push_back(std::move(v));
    }
    return encode_property_block(*layout, values);
}

void PropertyStore::set_word(int32_t number, int32_t value) {
    const PropertyDecl* d = table_.find(number);
    if (d) words_[size_t(number)] = table_.clamp(*d, value);
}

bool PropertyStore::assign(int32_t number, const PropertyValue& value) {
    const PropertyDecl* d = table_.find(number);
    if (!d) return false;
    if (PropertyKind::is_word(d->kind) || PropertyKind::is_eight_bytes(d->kind)) {
        set_word(number, int32_t(value.word));
    } else {
        std::string bytes;
        if (value.data && value.length > 0) bytes.assign(value.data, size_t(value.length));
        if (PropertyKind::is_text(d->kind)) bytes = bytes.substr(0, bytes.find('\0'));
        bytes_[size_t(number)] = std::move(bytes);
    }
    return true;
}

bool PropertyStore::fetch(int32_t number, PropertyValue* value) const {
    const PropertyDecl* d = table_.find(number);
    if (!d) return false;
    *value = PropertyValue{};
    if (PropertyKind::is_word(d->kind) || PropertyKind::is_eight_bytes(d->kind)) {
        value->word = uint32_t(words_[size_t(number)]);
    } else {
        const std::string& s = bytes_[size_t(number)];
        value->data = s.empty() ? nullptr : s.data();
        value->length = int32_t(s.size());
    }
    return true;
}

TableComponent* table_component(QWidget* object) { return dynamic_cast<TableComponent*>(object); }

int32_t table_property_changed(QWidget* object, int32_t own_number, const PropertyValue& value) {
    TableComponent* c = table_component(object);
    if (!c || !c->properties().assign(own_number, value)) return 0;
    OnChange change = c->properties().table().find(own_number)->on_change;
    c->apply_property(own_number, change);
    return change == OnChange::kRecreate ? 1 : 0;
}

std::string table_serialise(QWidget* object) {
    TableComponent* c = table_component(object);
    return c ? c->properties().write_blob() : std::string();
}

bool table_get_property(QWidget* object, int32_t own_number, PropertyValue* value) {
    TableComponent* c = table_component(object);
    return c && c->properties().fetch(own_number, value);
}

void table_enumerate_texts(QWidget* object, const TextVisitor& visit) {
    TableComponent* c = table_component(object);
    if (!c) return;
    for (const auto& d : c->properties().table().decls()) {
        const std::string& s = c->properties().bytes(d.number);
        if (d.kind == PropertyKind::kFont) {
            if (auto font = decode_font_record(s)) visit(font->face);
        } else if (PropertyKind::is_text(d.kind)) {
            visit(s);
        }
    }
}

void* type_interface(int32_t code, const TypeEntries& entries) {
    switch (code) {
    case InterfaceCode::kCreate: return reinterpret_cast<void*>(entries.create);
    case InterfaceCode::kPropertyChanged: return reinterpret_cast<void*>(entries.property_changed);
    case InterfaceCode::kSerialise: return reinterpret_cast<void*>(entries.serialise);
    case InterfaceCode::kGetProperty: return reinterpret_cast<void*>(entries.get_property);
    case InterfaceCode::kExtractIcon: return reinterpret_cast<void*>(entries.extract_icon);
    case InterfaceCode::kKeepsKey: return reinterpret_cast<void*>(entries.keeps_key);
    case InterfaceCode::kEnumerateTexts: return reinterpret_cast<void*>(entries.enumerate_texts);
    default: return nullptr;
    }
}

bool prepare_component(QWidget* widget, const CreateRequest& request) {
    TableComponent* component = table_component(widget);
    if (!component || !component->properties().read_blob(request.block, request.length))
        return false;
    component->set_ids(request.window_id, request.unit_id);
    widget->setGeometry(request.left, request.top, request.width, request.height);
    widget->setEnabled(!(request.style & Style::kDisabled));
    return true;
}

}  // namespace qinghe
