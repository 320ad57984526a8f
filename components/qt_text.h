// Runtime texts (GBK bytes) as Qt shows them (UTF-16), and back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace qinghe {

QString qt_text(std::string_view gbk);
std::string gbk_text(const QString& text);

}  // namespace qinghe
