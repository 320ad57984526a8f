// The picture box: a child window that shows a picture over its background
// colour at natural size, stretched, or fitted and centred. An animated GIF
// plays on a thread of its own (gif_player.h) when play animations is on.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>

#include "components/gif_player.h"
#include "components/image/decoded_image.h"
#include "components/property_table.h"

namespace qinghe {

namespace PictureBoxProperty {  // own numbers
inline constexpr int32_t kBorder = 0;
inline constexpr int32_t kBackground = 1;
inline constexpr int32_t kPicture = 2;
inline constexpr int32_t kDisplayMode = 3;
inline constexpr int32_t kPlayAnimations = 4;
inline constexpr int32_t kDataSource = 5;
inline constexpr int32_t kDataColumn = 6;
}  // namespace PictureBoxProperty

namespace PictureMode {
inline constexpr int32_t kNatural = 0;
inline constexpr int32_t kStretched = 1;
inline constexpr int32_t kFitted = 2;
}  // namespace PictureMode

class PictureBox : public QWidget, public TableComponent {
public:
    explicit PictureBox(QWidget* parent);
    ~PictureBox() override;

    static const PropertyTable& table();
    void apply_property(int32_t number, OnChange change) override;

    // After creation: takes the play-animations setting and loads the picture.
    void apply_all();
    // Stops a running animation, drops the old picture and decodes the
    // picture property anew.
    void load_picture();
    bool has_picture() const { return still_.has_value() || player_ != nullptr; }
    bool animating() const { return player_ && player_->started(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect client_rect() const;
    QRect placement(QSize picture, const QRect& client) const;
    QColor background() const;
    void paint_still(QPainter& painter, const QRect& client);
    void paint_animation(QPainter& painter, const QRect& client);
    void stop_animation();

    // Whether GIFs are animated: taken at creation, and changed only by a
    // change of the property made while a GIF is shown.
    bool animate_gifs_ = true;
    bool showing_gif_ = false;
    std::optional<image::DecodedImage> still_;
    QImage composited_;       // the still over the background colour
    QColor composited_over_;  // the background `composited_` was made for
    std::unique_ptr<GifPlayer> player_;
};

// The type's interface entry.
void* picture_box_interface(int32_t code);

}  // namespace qinghe
