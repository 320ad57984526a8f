// The report list box: rows of cells shown in one of four layouts (large
// icons, small icons, list, report). All layouts share one item model; the
// report layout shows it in a tree view with columns, the others in a list
// view. Rows come from the initial item table and from the extended-UI
// library's commands.
#pragma once

#include <QWidget>
#include <functional>

#include "components/image_list_reader.h"
#include "components/list_box_model.h"
#include "components/property_table.h"
#include "runtime/list_box_properties.h"
#include "runtime/list_tables.h"

class QAbstractItemView;
class QTreeView;

namespace qinghe {

namespace ListBoxLayout {
inline constexpr int32_t kLargeIcons = 0;
inline constexpr int32_t kSmallIcons = 1;
inline constexpr int32_t kList = 2;
inline constexpr int32_t kReport = 3;
}  // namespace ListBoxLayout

namespace ListBoxEvent {
inline constexpr int32_t kFocusedRow = 0;
inline constexpr int32_t kActivated = 1;
inline constexpr int32_t kCaptionClicked = 2;
inline constexpr int32_t kHotRow = 3;
inline constexpr int32_t kLeftClick = 4;
inline constexpr int32_t kRightClick = 5;
inline constexpr int32_t kEditStarting = 6;
inline constexpr int32_t kEditEnded = 7;
inline constexpr int32_t kCheckChanged = 8;
}  // namespace ListBoxEvent

class ListBoxDelegate;

// Asked for the list's context menu (right click, or the Menu key): the
// place to show it (global coordinates) and the row it is about, -1 for
// empty space.
using ContextMenuHook = std::function<void(const QPoint& global_position, int32_t row)>;

// The column and item tables of the stored properties, decoded when the box
// is built and whenever either is stored; a table cut short counts as empty.
struct ListBoxTables {
    std::vector<ListColumn> columns;
    std::vector<ListCell> items;
};

class ListBox : public QWidget, public TableComponent {
public:
    explicit ListBox(QWidget* parent);
    ~ListBox() override;

    static const PropertyTable& table();
    void apply_property(int32_t number, OnChange change) override;
    // Whether a change of `number` needs a rebuild in the current layout.
    bool needs_recreate(int32_t number) const;
    // Builds the view from the stored properties (after the blob was read).
    void build();
    // Keeps the decoded tables in step with a property just stored.
    void property_stored(int32_t number);

    // Rows. Texts are GBK.
    int32_t row_count() const;
    void delete_all_rows();
    // Inserts a row before `position` (negative or past the end: appended;
    // with sorting on, at its sorted place). Returns its index, -1 on failure.
    int32_t insert_row(int32_t position, const std::string& text, int32_t image,
                       int32_t state_image, int32_t indent, uint32_t row_tag);
    // False when the row or column does not exist.
    bool set_cell_text(int32_t row, int32_t column, const std::string& text);
    std::string cell_text(int32_t row, int32_t column) const;
    uint32_t row_tag(int32_t row) const;

    // The first selected row, or -1.
    int32_t selected_row() const;
    // The colours as the control shows them (0x00BBGGRR).
    uint32_t shown_colour(int32_t number) const;
    // The tip of a row: the one the program set on it, else that of the
    // n-th row of the initial item table.
    std::string row_tip(int32_t row) const;
    // Sets a row's own tip; it moves with the row.
    void set_row_tip(int32_t row, const std::string& tip);
    // Every column caption, cell text and tip of the stored tables.
    void visit_texts(const TextVisitor& visit) const;

    QAbstractItemView* view() const { return view_; }
    QTreeView* report_view() const;
    const ImageList& item_images() const { return item_images_; }
    const ImageList& state_images() const { return state_images_; }

    // Edit and check-box hooks of the views.
    bool edit_may_start(int32_t row);
    bool edit_accepted(int32_t row, const std::string& text);
    void edit_cancelled(int32_t row);
    void mouse_pressed(Qt::MouseButton button);
    void hot_row_changed(int32_t row);
    void enter_pressed();
    // Hands a context-menu request to the hook; false when none is set.
    bool context_menu_requested(const QPoint& global_position, int32_t row);
    void set_context_menu_hook(ContextMenuHook hook) { context_menu_hook_ = std::move(hook); }
    bool editing() const { return editing_; }
    void set_editing(bool editing) { editing_ = editing; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int32_t layout() const;
    bool in_icon_layout() const;
    bool in_report_layout() const;
    void decode_tables();
    void create_view();
    void connect_view();
    void apply_colours();
    void apply_font();
    void apply_image_lists();
    void apply_header_images();
    void apply_selection();
    void apply_hide_header();
    void apply_wrap();
    void insert_columns();
    void fill_initial_items();
    void place_view();
    void post_event(int32_t event, std::initializer_list<uint32_t> args = {});

    ListBoxModel model_;
    QAbstractItemView* view_ = nullptr;
    ListBoxDelegate* delegate_ = nullptr;
    ListBoxTables tables_;
    ImageList header_images_;
    ImageList item_images_;
    ImageList state_images_;
    std::vector<std::string> tips_;  // by row of the initial item table
    ContextMenuHook context_menu_hook_;
    int32_t hot_row_ = -1;
    bool editing_ = false;  // a label editor is open
    bool filling_ = false;  // check changes made by the program raise no event
};

// The type's interface entry.
void* list_box_interface(int32_t code);

}  // namespace qinghe
