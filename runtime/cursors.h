// Mouse pointers of units: the stored mouse-pointer data (common property
// 7) holds a stored cursor code in its first word; the application sees
// public codes. A fixed table translates both ways and names the shape.
#pragma once

#include <cstdint>
#include <string>

class QWidget;

namespace qinghe {

uint32_t public_cursor_code(uint32_t stored);
uint32_t stored_cursor_code(uint32_t public_code);
// Translates the first word of mouse-pointer data when it has 4 bytes or more.
std::string translate_cursor_data(std::string data, bool to_public);
// Sets the widget's cursor from stored mouse-pointer data (empty or code 0:
// the default pointer).
void apply_cursor(QWidget* widget, const std::string& stored_data);

}  // namespace qinghe
