#include "app/app_texts.h"

#include <array>
#include <string>

#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

constexpr const char* kUtf8Texts[] = {
    "持仓占比",
    "持仓截止日期:",
    "<a href=\"",
    "%</td>",
    "title=\"",
    "\"",
    ">",
    ".html",
    "\r\n",
    "解析基金代码 ",
    " 中…… ",
    "utf-8",
    "gb2312",
    "333.txt",
    "配置.ini",
    "设置",
    "颜色",
    "基金网址",
    "http://fund.eastmoney.com/",
    "\\",
};

}  // namespace

const char* app_text(AppText which) {
    static const auto table = [] {
        std::array<std::string, std::size(kUtf8Texts)> gbk;
        for (size_t i = 0; i < gbk.size(); ++i) gbk[i] = platform::gbk_from_utf8(kUtf8Texts[i]);
        return gbk;
    }();
    return table[size_t(which)].c_str();
}

}  // namespace qinghe::app
