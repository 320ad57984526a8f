#include "analysis/app_texts.h"

#include "program_resources.h"

namespace qinghe::app {

const char* app_text(AppText which) {
    using namespace resources;
    switch (which) {
    case AppText::section_start: return section_start_marker();
    case AppText::section_end: return section_end_marker();
    case AppText::row_start: return row_start_marker();
    case AppText::row_end: return row_end_marker();
    case AppText::title_marker: return resources::title_marker();
    case AppText::double_quote: return resources::double_quote();
    case AppText::tag_close: return greater_than();
    case AppText::page_suffix: return resources::page_suffix();
    case AppText::line_break: return line_separator();
    case AppText::progress_prefix: return resources::progress_prefix();
    case AppText::progress_suffix: return resources::progress_suffix();
    case AppText::charset_page: return charset_utf8();
    case AppText::charset_program: return charset_gb2312();
    case AppText::section_dump_file: return resources::section_dump_file();
    case AppText::config_file: return config_file_name();
    case AppText::config_section: return resources::config_section();
    case AppText::config_key_colour: return config_colour_key();
    case AppText::config_key_site: return config_base_url_key();
    case AppText::default_site: return default_base_url();
    case AppText::backslash: return resources::backslash();
    }
    return "";
}

}  // namespace qinghe::app
