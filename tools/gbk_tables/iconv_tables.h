// Fills the GBK <-> UTF-16 tables by asking iconv's "GBK" about every one-
// and two-byte sequence and every UTF-16 unit, one character at a time.
#pragma once

#include "platform/charset_tables.h"

namespace qinghe::tools {

// False when iconv has no GBK converter.
bool fill_gbk_tables_from_iconv(platform::GbkTables& tables);

}  // namespace qinghe::tools
