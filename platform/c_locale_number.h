// Reading a decimal number with '.' as its point, whatever the process
// locale (the window program takes the user's).
#pragma once

namespace qinghe::platform {

// strtod in the "C" locale.
double c_locale_strtod(const char* text);

}  // namespace qinghe::platform
