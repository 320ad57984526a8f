// The interface every component type offers to the form engine: entries
// looked up by code through the type's interface entry, and the two-word
// value record through which property values travel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class QEvent;
class QWidget;

namespace qinghe {

namespace InterfaceCode {
inline constexpr int32_t kCreate = 1;
inline constexpr int32_t kPropertyChanged = 4;
inline constexpr int32_t kSerialise = 5;
inline constexpr int32_t kGetProperty = 6;
inline constexpr int32_t kExtractIcon = 7;  // form window only
inline constexpr int32_t kKeepsKey = 8;
inline constexpr int32_t kEnumerateTexts = 9;
inline constexpr int32_t kPreTranslate = 11;
}  // namespace InterfaceCode

// Type flags beyond those in frame.h that the form engine reads.
namespace TypeFlag {
inline constexpr uint32_t kNoRecreate = 0x10;
inline constexpr uint32_t kPreTranslates = 0x20;
inline constexpr uint32_t kMovesChildren = 0x80;
inline constexpr uint32_t kContainer = 0x100;
inline constexpr uint32_t kOptionButton = 0x400;
inline constexpr uint32_t kFocusByValue = 0x2000;
inline constexpr uint32_t kFocusByValueFromZero = 0x4000;
inline constexpr uint32_t kNoFocus = 0x10000;
inline constexpr uint32_t kDragsWindow = 0x4000000;
}  // namespace TypeFlag

// Property descriptor kinds (low 16 bits of the descriptor's kind code).
namespace PropertyKind {
inline constexpr uint32_t kWord = 1000;
inline constexpr uint32_t kInteger = 1001;
inline constexpr uint32_t kLong = 1002;
inline constexpr uint32_t kLogical = 1003;
inline constexpr uint32_t kDateTime = 1004;
inline constexpr uint32_t kText = 1005;
inline constexpr uint32_t kNonNegative = 1006;
inline constexpr uint32_t kPicture = 1009;
inline constexpr uint32_t kBytes = 1010;
inline constexpr uint32_t kCursor = 1011;
inline constexpr uint32_t kMusic = 1012;
inline constexpr uint32_t kFont = 1013;
inline constexpr uint32_t kColour = 1014;
inline constexpr uint32_t kBackgroundColour = 1015;
inline constexpr uint32_t kChoice = 1017;
inline constexpr uint32_t kIcon = 1023;

constexpr uint32_t code(uint32_t kind) { return 0x80000000u | kind; }
constexpr uint32_t of(uint32_t descriptor_kind) { return descriptor_kind & 0xFFFF; }
constexpr bool is_bytes(uint32_t k) {
    return k == kPicture || k == kBytes || k == kCursor || k == kMusic || k == kFont || k == 1023 ||
           k == 1024;
}
constexpr bool is_word(uint32_t k) {
    return k == kWord || k == kInteger || k == kColour || k == kBackgroundColour || k == kChoice ||
           k == kNonNegative || k == kLogical;
}
constexpr bool is_eight_bytes(uint32_t k) { return k == kLong || k == kDateTime; }
constexpr bool is_text(uint32_t k) { return !is_bytes(k) && !is_word(k) && !is_eight_bytes(k); }
}  // namespace PropertyKind

// The value record exchanged with a type's entries. Word kinds use `word`
// (and `word2` for 8-byte kinds); texts and byte strings use `data` and
// `length` (a text's length excludes its terminator).
struct PropertyValue {
    uint32_t word = 0;
    uint32_t word2 = 0;
    const char* data = nullptr;
    int32_t length = 0;
};

// Everything the create entry receives.
struct CreateRequest {
    QWidget* parent = nullptr;       // the form window for components; null for a window
    const uint8_t* block = nullptr;  // the unit's property block
    int32_t length = 0;
    uint32_t style = 0;        // Style bits below
    QWidget* owner = nullptr;  // a window's owner, or null
    int32_t control_id = 0;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t window_id = 0;
    uint32_t unit_id = 0;
    bool modal = false;  // a window loaded modally
};

namespace Style {
inline constexpr uint32_t kVisible = 0x10000000;
inline constexpr uint32_t kDisabled = 0x08000000;
inline constexpr uint32_t kTabStop = 0x00010000;
}  // namespace Style

using TextVisitor = std::function<void(const std::string& gbk_text)>;

using CreateEntry = QWidget* (*)(const CreateRequest& request);
// Returns 1 when the component must be re-created.
using PropertyChangedEntry = int32_t (*)(QWidget* object, int32_t own_number,
                                         const PropertyValue& value);
using SerialiseEntry = std::string (*)(QWidget* object);
using GetPropertyEntry = bool (*)(QWidget* object, int32_t own_number, PropertyValue* value);
using KeepsKeyEntry = bool (*)(QWidget* object, int32_t key_with_modifiers);
using EnumerateTextsEntry = void (*)(QWidget* object, const TextVisitor& visit);
using PreTranslateEntry = bool (*)(QWidget* object, QEvent* event);
using ExtractIconEntry = std::string (*)(const uint8_t* block, int32_t length);

}  // namespace qinghe
