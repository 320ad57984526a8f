#include "platform/c_locale_number.h"

#include <cstdlib>
#include <locale.h>

namespace qinghe::platform {

double c_locale_strtod(const char* text) {
    static const _locale_t c_locale = _create_locale(LC_ALL, "C");
    return _strtod_l(text, nullptr, c_locale);
}

}  // namespace qinghe::platform
