// The fixed texts of the application: GBK constants of the program's
// constant area.
#pragma once

namespace qinghe::app {

enum class AppText {
    section_start,      // 持仓占比
    section_end,        // 持仓截止日期:
    row_start,          // <a href="
    row_end,            // %</td>
    title_marker,       // title="
    double_quote,       // "
    tag_close,          // >
    page_suffix,        // .html
    line_break,         // CR LF
    progress_prefix,    // 解析基金代码 (blank)
    progress_suffix,    // (blank)中……(blank)
    charset_page,       // utf-8
    charset_program,    // gb2312
    section_dump_file,  // 333.txt
    config_file,        // 配置.ini
    config_section,     // 设置
    config_key_colour,  // 颜色
    config_key_site,    // 基金网址
    default_site,       // https://fund.eastmoney.com/
    backslash,          // a backslash
};

const char* app_text(AppText which);

}  // namespace qinghe::app
