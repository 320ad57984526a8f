#include "platform/c_locale_number.h"

#include <cstdlib>
#include <locale.h>

namespace qinghe::platform {

double c_locale_strtod(const char* text) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(text, nullptr, c_locale);
}

}  // namespace qinghe::platform
