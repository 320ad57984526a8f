// The list box's rows: one item per cell, the same model in every layout.
// Texts are GBK at this interface. The first cell of a row keeps the row's
// tag, item image, state image, indent and any tip the program set on it
// (the ListBoxRole data below), so they move with the row when it is sorted.
#pragma once

#include <QStandardItemModel>
#include <optional>
#include <string>

#include "components/image_list_reader.h"

namespace qinghe {

// What the model keeps on its items beside Qt's own roles.
namespace ListBoxRole {
inline constexpr int kRowTag = Qt::UserRole + 1;
inline constexpr int kImage = Qt::UserRole + 2;
inline constexpr int kStateImage = Qt::UserRole + 3;
inline constexpr int kIndent = Qt::UserRole + 4;
inline constexpr int kTip = Qt::UserRole + 5;  // a tip set on a row by the program (GBK bytes)
}  // namespace ListBoxRole

class ListBoxModel : public QStandardItemModel {
public:
    // How new rows are made and placed.
    struct RowStyle {
        int32_t sorting = 0;       // 0 in the order given, 1 ascending, 2 descending
        bool editable = false;     // labels can be edited
        bool check_boxes = false;  // state images 0 and 1 are shown as check boxes
    };
    struct Row {
        std::string text;
        int32_t image = -1;
        int32_t state_image = -1;
        int32_t indent = 0;
        uint32_t tag = 0;
    };

    // Inserts a row before `position` (negative or past the end: appended;
    // with sorting on, at its sorted place). Returns its index.
    int32_t insert_row(int32_t position, const Row& row, const RowStyle& style,
                       const ImageList& images);
    // False when the row or column does not exist.
    bool set_cell_text(int32_t row, int32_t column, const std::string& text);
    std::string cell_text(int32_t row, int32_t column) const;
    uint32_t row_tag(int32_t row) const;
    // The tip the program set on a row, if it set one.
    std::optional<std::string> own_tip(int32_t row) const;
    void set_own_tip(int32_t row, const std::string& tip);
    // Shows on every cell the item image of its index (none when out of range).
    void show_item_images(const ImageList& images);

private:
    int32_t sorted_position(const QString& label, int32_t sorting) const;
};

}  // namespace qinghe
