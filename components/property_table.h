// One declared property table per component type. The type lists each own
// property once (number, kind, default, clamp, what a change does); the
// blob reader and writer (over the type's resource block layout), and the
// get-property, property-changed, serialise and enumerate-texts entries
// all walk that table.
#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/component_interface.h"
#include "runtime/frame.h"

class QWidget;

namespace qinghe {

// What a change of the property does to the live component.
enum class OnChange : uint8_t {
    kStore,     // stored only
    kRepaint,   // stored, then repainted
    kReapply,   // stored, then the component re-applies it (frame, title, ...)
    kRecreate,  // the component is built again from its serialised blob
};

struct PropertyDecl {
    int32_t number;  // own number (application number - 8)
    uint32_t kind;   // PropertyKind
    int32_t default_word = 0;
    const char* default_utf8 = "";  // default of a text or byte property
    int32_t min = INT_MIN;
    int32_t max = INT_MAX;
    OnChange on_change = OnChange::kRepaint;
};

class PropertyTable {
public:
    PropertyTable(uint32_t unit_type, std::vector<PropertyDecl> decls);

    const PropertyDecl* find(int32_t number) const;
    int32_t slot_count() const { return slot_count_; }
    uint32_t unit_type() const { return unit_type_; }
    const std::vector<PropertyDecl>& decls() const { return decls_; }
    // Descriptors indexed by own number, for the type's DataTypeRecord.
    const std::vector<PropertyDescriptor>& descriptors() const { return descriptors_; }
    const std::string& default_bytes(int32_t number) const { return defaults_[size_t(number)]; }

    int32_t clamp(const PropertyDecl& decl, int32_t value) const;

private:
    uint32_t unit_type_;
    int32_t slot_count_ = 0;
    std::vector<PropertyDecl> decls_;
    std::vector<std::string> defaults_;  // GBK defaults by own number
    std::vector<PropertyDescriptor> descriptors_;
    friend class PropertyStore;
};

// The current values of one component's own properties.
class PropertyStore {
public:
    explicit PropertyStore(const PropertyTable& table);

    // Resets to the defaults, then reads the blob. Returns false when the
    // blob cannot be read (a newer version, a field cut short); an empty
    // blob keeps the defaults.
    bool read_blob(const uint8_t* block, int32_t length);
    std::string write_blob() const;

    int32_t word(int32_t number) const { return words_[size_t(number)]; }
    const std::string& bytes(int32_t number) const { return bytes_[size_t(number)]; }
    void set_word(int32_t number, int32_t value);  // clamped by the table
    void set_bytes(int32_t number, std::string value) { bytes_[size_t(number)] = std::move(value); }

    // Stores a value record by the property's kind; false for an unknown number.
    bool assign(int32_t number, const PropertyValue& value);
    // Fills a value record by the property's kind (pointers into the store).
    bool fetch(int32_t number, PropertyValue* value) const;

    const PropertyTable& table() const { return table_; }

private:
    void reset();

    const PropertyTable& table_;
    std::vector<int32_t> words_;
    std::vector<std::string> bytes_;
};

// Base of every component widget built on a property table: the store,
// the ids of its unit, and the hook that applies a changed property.
class TableComponent {
public:
    explicit TableComponent(const PropertyTable& table) : properties_(table) {}
    virtual ~TableComponent() = default;

    PropertyStore& properties() { return properties_; }
    const PropertyStore& properties() const { return properties_; }

    uint32_t window_id() const { return window_id_; }
    uint32_t unit_id() const { return unit_id_; }
    void set_ids(uint32_t window_id, uint32_t unit_id) {
        window_id_ = window_id;
        unit_id_ = unit_id;
    }

    // Called after a stored value changed through the property-changed entry.
    virtual void apply_property(int32_t number, OnChange change) = 0;

private:
    PropertyStore properties_;
    uint32_t window_id_ = 0;
    uint32_t unit_id_ = 0;
};

TableComponent* table_component(QWidget* object);

// The generic entries, shared by every table-driven type.
int32_t table_property_changed(QWidget* object, int32_t own_number, const PropertyValue& value);
std::string table_serialise(QWidget* object);
bool table_get_property(QWidget* object, int32_t own_number, PropertyValue* value);
void table_enumerate_texts(QWidget* object, const TextVisitor& visit);

// The entries a type offers through its interface entry. A type built on a
// property table gets the generic ones and names only those it replaces.
struct TypeEntries {
    CreateEntry create = nullptr;
    PropertyChangedEntry property_changed = &table_property_changed;
    SerialiseEntry serialise = &table_serialise;
    GetPropertyEntry get_property = &table_get_property;
    EnumerateTextsEntry enumerate_texts = &table_enumerate_texts;
    KeepsKeyEntry keeps_key = nullptr;
    ExtractIconEntry extract_icon = nullptr;
};

// What the type's interface entry answers for `code`: its entry, or null.
void* type_interface(int32_t code, const TypeEntries& entries);

// Reads a new component's blob and places it as the request asks (ids,
// geometry, enabled state). False when the blob cannot be read.
bool prepare_component(QWidget* widget, const CreateRequest& request);

}  // namespace qinghe
