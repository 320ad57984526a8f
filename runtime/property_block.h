// Property blocks: the type-specific part of a unit in the window resource.
// Each component type declares its block once, as an ordered list of
// fields (own property number, how it is stored, from which version on);
// one generic walker reads and writes every type's block from that list.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe {

namespace UnitType {
inline constexpr uint32_t kWindow = 0x00010001;
inline constexpr uint32_t kEditBox = 0x00010005;
inline constexpr uint32_t kPictureBox = 0x00010006;
inline constexpr uint32_t kLabel = 0x0001000A;
inline constexpr uint32_t kHyperlinkBox = 0x0001001D;
inline constexpr uint32_t kListBox = 0x00040004;
}  // namespace UnitType

enum class FieldStorage : uint8_t {
    Word,   // 32-bit little-endian
    Short,  // 16-bit little-endian
    Bytes,  // 32-bit length, then the bytes
};

// What the stored value means; tells sources and dumps how to show it.
enum class FieldMeaning : uint8_t {
    Number,
    Colour,
    Logical,
    Character,  // words
    Text,
    Font,
    Picture,
    Columns,
    Items,
    ImageList,  // byte strings
};

// How a value of each meaning is stored: a character in 16 bits, the other
// word meanings in 32, byte strings with a length word.
constexpr FieldStorage storage_for(FieldMeaning meaning) {
    if (meaning == FieldMeaning::Character) return FieldStorage::Short;
    if (meaning <= FieldMeaning::Character) return FieldStorage::Word;
    return FieldStorage::Bytes;
}

struct BlockField {
    const char* key;   // name in resource sources and dumps
    int32_t property;  // own property number; -1 for the version word
    FieldStorage storage;
    FieldMeaning meaning;
    uint32_t since_version;  // present when the block's version is at least this
};

struct BlockLayout {
    uint32_t unit_type;
    const char* type_name;               // ASCII type name
    uint32_t version;                    // the highest version read, and the one written
    std::span<const BlockField> fields;  // fields[0] is the version word
};

// The layout of a unit type, or null for a type without one.
const BlockLayout* block_layout(uint32_t unit_type);
const BlockField* find_field(const BlockLayout& layout, std::string_view key);

struct BlockValue {
    const BlockField* field = nullptr;
    uint32_t word = 0;  // Word and Short storage
    std::string bytes;  // Bytes storage
    int32_t property() const { return field->property; }
};

struct DecodedBlock {
    uint32_t version = 0;
    std::vector<BlockValue> values;  // the fields present, in block order
    size_t consumed = 0;             // bytes the fields took

    const BlockValue* find(int32_t property) const;
    const BlockValue* find(std::string_view key) const;
};

enum class BlockStatus {
    Ok,
    Empty,       // no block: every property keeps its default
    BadVersion,  // newer than the type reads: creation fails
    Truncated,   // a field runs past the end: creation fails
    UnknownType,
};

// Reads a block field by field. Bytes after the last field are left unread
// (`consumed` tells how many were used).
BlockStatus decode_property_block(uint32_t unit_type, std::string_view block, DecodedBlock& out);

// Writes a block of the layout's version. Values are taken by property
// number from `values`; a missing one is written as 0 or empty.
std::string encode_property_block(const BlockLayout& layout, const std::vector<BlockValue>& values);

}  // namespace qinghe
