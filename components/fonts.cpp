#include "components/fonts.h"

#include <QGuiApplication>
#include <cstdlib>

#include "components/qt_text.h"

namespace qinghe {
namespace {

constexpr const char* kCjkFace = "Noto Sans CJK SC";

QFont font_from_record(const FontRecord& record) {
    QFont font;
    QString face = qt_text(record.face);
    font.setFamilies({face, QString::fromLatin1(kCjkFace)});
    font.setPixelSize(record.pixel_height() > 0 ? record.pixel_height() : 12);
    font.setWeight(record.bold() ? QFont::Bold : QFont::Normal);
    font.setItalic(record.italic != 0);
    font.setUnderline(record.underline != 0);
    font.setStrikeOut(record.strike_out != 0);
    return font;
}

}  // namespace

void install_font_substitutions() {
    static bool done = false;
    if (done) return;
    done = true;
    for (const char* face :
         {"微软雅黑", "宋体", "新宋体", "黑体", "楷体", "仿宋", "Microsoft YaHei", "SimSun",
          "NSimSun", "SimHei", "MS Shell Dlg", "MS Shell Dlg 2"})
        QFont::insertSubstitution(QString::fromUtf8(face), QString::fromLatin1(kCjkFace));
}

QFont default_gui_font() { return font_from_record(default_gui_font_record()); }

QFont font_from_record_bytes(std::string_view bytes) {
    std::optional<FontRecord> record = decode_font_record(bytes);
    return record ? font_from_record(*record) : default_gui_font();
}

}  // namespace qinghe
