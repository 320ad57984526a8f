#include "components/password_style.h"

namespace qinghe {

int PasswordStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* result) const {
    if (hint == SH_LineEdit_PasswordCharacter) return character_.unicode();
    return QProxyStyle::styleHint(hint, option, widget, result);
}

}  // namespace qinghe
