#include <gtest/gtest.h>

#include "components/edit_box.h"
#include "components/form_window.h"
#include "components/hyperlink_box.h"
#include "components/label.h"
#include "components/list_box.h"
#include "components/picture_box.h"
#include "runtime/property_block.h"

namespace qinghe {
namespace {

// Every field a type keeps in its resource block is a property of its
// table, and a word field is a word property, a byte-string field not.
TEST(PropertyTables, AgreeWithTheBlockLayouts) {
    for (const PropertyTable* table :
         {&FormWindowWidget::table(), &Label::table(), &EditBox::table(), &PictureBox::table(),
          &HyperlinkBox::table(), &ListBox::table()}) {
        const BlockLayout* layout = block_layout(table->unit_type());
        ASSERT_NE(layout, nullptr) << table->unit_type();
        for (const BlockField& field : layout->fields.subspan(1)) {
            const PropertyDecl* decl = table->find(field.property);
            ASSERT_NE(decl, nullptr) << layout->type_name << " " << field.key;
            if (field.storage != FieldStorage::Short) {
                EXPECT_EQ(PropertyKind::is_word(decl->kind), field.storage == FieldStorage::Word)
                    << layout->type_name << " " << field.key;
            }
        }
    }
}

// A list box property outside the block is one the program sets while it
// runs; a stored property keeps its default through a write and a read.
TEST(PropertyTables, ListBoxDefaultsSurviveTheBlock) {
    PropertyStore written(ListBox::table());
    const std::string blob = written.write_blob();
    PropertyStore read(ListBox::table());
    ASSERT_TRUE(
        read.read_blob(reinterpret_cast<const uint8_t*>(blob.data()), int32_t(blob.size())));
    for (const PropertyDecl& decl : ListBox::table().decls()) {
        EXPECT_EQ(read.word(decl.number), decl.default_word) << decl.number;
        EXPECT_EQ(read.bytes(decl.number), written.bytes(decl.number)) << decl.number;
    }
    const BlockLayout& layout = *block_layout(UnitType::kListBox);
    for (const BlockField& field : layout.fields)
        EXPECT_NE(field.property, ListBoxProperty::kEditedText) << field.key;
}

QWidget* create_nothing(const CreateRequest&) { return nullptr; }
bool keeps_no_key(QWidget*, int32_t) { return false; }

TEST(PropertyTables, TypeInterfaceAnswersEachCodeWithItsEntry) {
    const TypeEntries entries{.create = &create_nothing, .keeps_key = &keeps_no_key};
    struct Row {
        int32_t code;
        void* entry;
    };
    for (Row r :
         {Row{InterfaceCode::kCreate, reinterpret_cast<void*>(&create_nothing)},
          Row{InterfaceCode::kPropertyChanged, reinterpret_cast<void*>(&table_property_changed)},
          Row{InterfaceCode::kSerialise, reinterpret_cast<void*>(&table_serialise)},
          Row{InterfaceCode::kGetProperty, reinterpret_cast<void*>(&table_get_property)},
          Row{InterfaceCode::kExtractIcon, nullptr},
          Row{InterfaceCode::kKeepsKey, reinterpret_cast<void*>(&keeps_no_key)},
          Row{InterfaceCode::kEnumerateTexts, reinterpret_cast<void*>(&table_enumerate_texts)},
          Row{InterfaceCode::kPreTranslate, nullptr}, Row{0, nullptr}, Row{-1, nullptr}})
        EXPECT_EQ(type_interface(r.code, entries), r.entry) << r.code;
}

}  // namespace
}  // namespace qinghe
