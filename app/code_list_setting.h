// The codes typed into the main window's edit box, kept from one start to
// the next: key 基金列表 in section 设置 of 配置.ini, the box's lines joined
// by ",", read and written like the colour key.
#pragma once

#include <string>

namespace qinghe::app {

// Fills the edit box with the saved codes, caret at the end; an absent
// key leaves it empty.
void restore_code_list();
// Writes what the edit box holds (an empty box: an empty key); false when
// the file could not be written.
bool save_code_list();

// The box's content (GBK, lines separated by CR LF) as the key's value:
// lines joined by ","; a lone CR or LF counts as a line break. Lines that
// would not come back whole from a read are left off the end.
std::string code_list_value(const std::string& content);
// The key's value back as the box's content.
std::string code_list_content(const std::string& value);

}  // namespace qinghe::app
