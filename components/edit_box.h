// The edit box: a single-line or multi-line text field with colours, a
// font, input modes that filter typed characters and normalise the text
// when the box loses the focus, case conversion, a password character, an
// optional spin button beside single-line boxes and vertically centred
// single-line text. The component paints its border and the band around
// a single-line field; the field itself is a QLineEdit or QPlainTextEdit.
// Contents are GBK; multi-line contents separate lines with CR LF.
#pragma once

#include <QPointer>
#include <QWidget>

#include "components/edit_field.h"
#include "components/field_text.h"
#include "components/property_table.h"
#include "components/spin_button.h"

namespace qinghe {

namespace EditBoxProperty {  // own numbers
inline constexpr int32_t kContent = 0;
inline constexpr int32_t kBorder = 1;
inline constexpr int32_t kTextColour = 2;
inline constexpr int32_t kBackground = 3;
inline constexpr int32_t kFont = 4;
inline constexpr int32_t kHideSelection = 5;
inline constexpr int32_t kMaximumLength = 6;
inline constexpr int32_t kMultiLine = 7;
inline constexpr int32_t kScrollBars = 8;
inline constexpr int32_t kAlignment = 9;
inline constexpr int32_t kInputMode = 10;
inline constexpr int32_t kPasswordCharacter = 11;
inline constexpr int32_t kCaseConversion = 12;
inline constexpr int32_t kSpinButton = 13;
inline constexpr int32_t kSpinLower = 14;
inline constexpr int32_t kSpinUpper = 15;
inline constexpr int32_t kSelectionStart = 16;
inline constexpr int32_t kSelectionLength = 17;
inline constexpr int32_t kSelectedText = 18;
inline constexpr int32_t kDataSource = 19;
inline constexpr int32_t kDataColumn = 20;
}  // namespace EditBoxProperty

namespace EditBoxEvent {
inline constexpr int32_t kContentChanged = 0;
inline constexpr int32_t kSpinPressed = 1;
}  // namespace EditBoxEvent

class EditBox : public QWidget, public TableComponent {
public:
    explicit EditBox(QWidget* parent);
    ~EditBox() override;

    static const PropertyTable& table();
    // Builds the field from the loaded properties.
    void build();
    void apply_property(int32_t number, OnChange change) override;
    // Copies the content, the selection and the selected text from the
    // field into the stored properties.
    void read_back();

    // The box of a field widget, or null.
    static EditBox* of_field(QObject* field);
    QWidget* field() const { return field_.widget(); }
    SpinButton* spin_button() const { return spin_; }
    bool keeps_enter() const;
    // The input mode's normalisation, run when the field loses the focus.
    void normalise_input();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool multi_line() const { return field_.multi_line(); }
    int32_t word(int32_t number) const { return properties().word(number); }

    void create_field();
    void create_spin_button();
    void layout_field();
    void place_spin_button();
    void apply_colours();
    void apply_font();
    void apply_input_mode();
    void apply_password_character();

    FieldText texts() const { return FieldText(multi_line()); }

    void select_from_properties();
    void apply_selection_start();
    void apply_selection_length();

    // Replaces the field text; `quiet` keeps event 0 from firing.
    void replace_text(const QString& text, bool quiet);
    void write_content();
    void on_text_changed(bool by_program);
    void step(int32_t direction);

    EditField field_;
    QPointer<SpinButton> spin_;
    QString last_text_;
    bool quiet_ = false;  // a change the box makes itself, not reported
    bool destroying_ = false;
};

// The type's interface entry.
void* edit_box_interface(int32_t code);

}  // namespace qinghe
