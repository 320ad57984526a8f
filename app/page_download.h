// Getting one fund page as program text: the HTTP read and the charset
// conversion from the page's UTF-8 to the program's GBK.
#pragma once

#include "runtime/values.h"

namespace qinghe::app {

// The body read from `url`; null when nothing could be read.
ByteSet* download_page(const char* url);
// The page converted from "utf-8" to "gb2312"; null when empty.
ByteSet* convert_page_charset(const ByteSet* page);

}  // namespace qinghe::app
