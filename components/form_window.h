// The form window: the top-level window every window of the program is
// built on (unit 0 of each window). It turns close, destroy, show and
// activation into the window's own events and tells the runtime when it
// is gone; its input hook (input_hook.h) raises the common events.
#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "components/property_table.h"
#include "runtime/event_numbers.h"

namespace qinghe {

namespace FormProperty {  // own numbers
inline constexpr int32_t kTitle = 0;
inline constexpr int32_t kBorderStyle = 1;
inline constexpr int32_t kBackground = 2;
inline constexpr int32_t kPicture = 3;
inline constexpr int32_t kPictureLayout = 4;
inline constexpr int32_t kMusic = 5;
inline constexpr int32_t kMusicMode = 6;
inline constexpr int32_t kControlBox = 7;
inline constexpr int32_t kMaximizeButton = 8;
inline constexpr int32_t kMinimizeButton = 9;
inline constexpr int32_t kStartPosition = 10;
inline constexpr int32_t kMovable = 11;
inline constexpr int32_t kIcon = 12;
inline constexpr int32_t kEnterMovesFocus = 13;
inline constexpr int32_t kEscCloses = 14;
inline constexpr int32_t kF1Help = 15;
inline constexpr int32_t kHelpFile = 16;
inline constexpr int32_t kHelpContext = 17;
inline constexpr int32_t kShowInTaskBar = 18;
inline constexpr int32_t kDragToMove = 19;
inline constexpr int32_t kShape = 20;
inline constexpr int32_t kAlwaysOnTop = 21;
inline constexpr int32_t kWord22 = 22;
inline constexpr int32_t kClassName = 23;
}  // namespace FormProperty

class FormWindowWidget : public QWidget, public TableComponent {
public:
    FormWindowWidget(QWidget* owner, bool modal);
    ~FormWindowWidget() override;

    static const PropertyTable& table();
    void apply_property(int32_t number, OnChange change) override;
    // Applies every property after creation.
    void apply_all();

    // Events 12 then 1; destroys the window unless a handler refused.
    // Returns true when the window was destroyed.
    bool request_close();
    // Event 2, the runtime told, the object released.
    void destroy_window();
    bool closing() const { return closing_; }
    // The window class name: property 23, or "KRWindow".
    std::string class_name() const;
    // Opens the help file, else the program file with extension "hlp",
    // through the opener; a missing file does nothing.
    void open_help();
    // Marks the start of a new load (first-activation event pending).
    void begin_load() { first_activation_done_ = false; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void apply_window_flags();
    void apply_start_position();
    void apply_background();
    void apply_icon();
    void apply_shape();
    // Mode 0 loops the background music, 1 plays it once, 2 is silence.
    void apply_music();
    // The background picture over the background colour; null when there
    // is none or it cannot be decoded (decoded once per picture).
    const QImage& picture();
    void on_activation(bool active);

    bool modal_;
    bool closing_ = false;
    bool destroyed_ = false;
    bool first_activation_done_ = false;
    bool in_activation_event_ = false;
    std::optional<QImage> picture_cache_;
};

// The window shape of property 20 as a mask for a window of `size`: 1 an
// ellipse, 2 a rounded rectangle; every other value the whole rectangle.
QRegion window_shape_region(int32_t shape, QSize size);
// Draws the background picture into `area` by the picture layout: 0 at the
// top-left at natural size, 1 tiled from the top-left (the default), 2
// stretched over the whole area, 3 centred (scaled down to fit when larger).
void paint_window_picture(QPainter& painter, const QImage& picture, int32_t layout,
                          const QRect& area);

FormWindowWidget* form_window_of(QWidget* widget);
// The program's default icon.
QIcon default_program_icon();

// The type's interface entry.
void* form_window_interface(int32_t code);

}  // namespace qinghe
