// Fonts of the components: Qt fonts made from 60-byte font records, the
// default GUI font, and the mapping of the Chinese face names the windows
// use to an installed CJK font so that Chinese always renders.
#pragma once

#include <QFont>
#include <string_view>

#include "runtime/font_fields.h"

namespace qinghe {

// Maps "微软雅黑", "宋体" and the other common Chinese faces to the CJK
// font of this system. Idempotent; needs a QGuiApplication.
void install_font_substitutions();

QFont default_gui_font();
// The font of a record, or the default GUI font when the bytes are not a
// 60-byte record.
QFont font_from_record_bytes(std::string_view bytes);

}  // namespace qinghe
