// The hyperlink box: a one-line link text that opens its target (a web
// address, or "mailto:" and an e-mail address) on a left-button press. It
// shows the hover colour while the mouse is over it (the box captures the
// mouse until it leaves) and the opened colour once its link was opened.
#pragma once

#include <QWidget>

#include "components/property_table.h"

namespace qinghe {

namespace HyperlinkProperty {  // own numbers
inline constexpr int32_t kCaption = 0;
inline constexpr int32_t kLinkKind = 1;
inline constexpr int32_t kEmailAddress = 2;
inline constexpr int32_t kWebAddress = 3;
inline constexpr int32_t kColourNotOpened = 4;
inline constexpr int32_t kColourOpened = 5;
inline constexpr int32_t kColourHover = 6;
inline constexpr int32_t kBackground = 7;
inline constexpr int32_t kBorder = 8;
inline constexpr int32_t kFont = 9;
}  // namespace HyperlinkProperty

namespace LinkKind {
inline constexpr int32_t kEmail = 0;
inline constexpr int32_t kWeb = 1;
}  // namespace LinkKind

class HyperlinkBox : public QWidget, public TableComponent {
public:
    explicit HyperlinkBox(QWidget* parent);
    ~HyperlinkBox() override;

    static const PropertyTable& table();
    void apply_property(int32_t number, OnChange change) override;

    // The GBK text shown: the caption, or the target address when it is empty.
    std::string shown_text() const;
    // The GBK target a press opens; empty when the address is empty.
    std::string target() const;
    // Opens the target; the visited flag tells whether that succeeded.
    void open_link();

    bool hovering() const { return hovering_; }
    bool visited() const { return visited_; }
    // The colour the text has now: hover, else opened, else not opened.
    QColor text_colour() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QRect client_rect() const;
    void set_hovering(bool hovering);

    bool hovering_ = false;
    bool visited_ = false;
};

// The type's interface entry.
void* hyperlink_box_interface(int32_t code);

}  // namespace qinghe
