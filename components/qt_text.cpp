#include "components/qt_text.h"

#include "platform/text_encoding.h"

namespace qinghe {

QString qt_text(std::string_view gbk) {
    return QString::fromStdString(platform::utf8_from_gbk(gbk));
}

std::string gbk_text(const QString& text) { return platform::gbk_from_utf8(text.toStdString()); }

}  // namespace qinghe
