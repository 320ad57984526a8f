#include "runtime/font_fields.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdlib>

#include "platform/text_encoding.h"

namespace qinghe {
namespace {

const std::string& song_face() {
    static const std::string face = platform::gbk_from_utf8("宋体");
    return face;
}

}  // namespace

int32_t screen_dots_per_inch() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* screen = QGuiApplication::primaryScreen())
            return int32_t(std::lround(screen->logicalDotsPerInchY()));
    return 96;
}

FontRecord default_gui_font_record() {
    FontRecord r = FontRecord::of(song_face(), 12, 400);
    set_font_field(r, FontField::kSize, 9);
    return r;
}

void set_font_field(FontRecord& record, int32_t index, int32_t value) {
    switch (index) {
    case FontField::kEscapement: {
        int32_t tenths = value % 3600;
        if (tenths < 0) tenths += 3600;
        record.escapement = record.orientation = tenths;
        break;
    }
    case FontField::kBold: record.weight = value ? kBoldWeight : 0; break;
    case FontField::kItalic: record.italic = value ? 1 : 0; break;
    case FontField::kUnderline: record.underline = value ? 1 : 0; break;
    case FontField::kStrikeOut: record.strike_out = value ? 1 : 0; break;
    case FontField::kSize:
        record.height = -int32_t(std::lround(double(value) * screen_dots_per_inch() / 72.0));
        break;
    default: break;
    }
}

void set_font_face(FontRecord& record, std::string_view gbk) {
    record.face = (gbk.empty() || gbk.size() > 31) ? song_face() : std::string(gbk);
}

int32_t font_field(const FontRecord& record, int32_t index) {
    switch (index) {
    case FontField::kEscapement: return record.escapement;
    case FontField::kBold: return record.bold() ? 1 : 0;
    case FontField::kItalic: return record.italic ? 1 : 0;
    case FontField::kUnderline: return record.underline ? 1 : 0;
    case FontField::kStrikeOut: return record.strike_out ? 1 : 0;
    case FontField::kSize:
        return int32_t(std::lround(record.pixel_height() * 72.0 / screen_dots_per_inch()));
    default: return 0;
    }
}

void set_font_fields(FontRecord& record, const FontFields& fields) {
    set_font_field(record, FontField::kEscapement, fields.escapement);
    set_font_field(record, FontField::kBold, fields.bold);
    set_font_field(record, FontField::kItalic, fields.italic);
    set_font_field(record, FontField::kUnderline, fields.underline);
    set_font_field(record, FontField::kStrikeOut, fields.strike_out);
    set_font_field(record, FontField::kSize, fields.size);
    set_font_face(record, fields.face ? std::string_view(fields.face) : std::string_view());
}

}  // namespace qinghe
