// The style that makes a line edit show a given password character.
#pragma once

#include <QProxyStyle>

namespace qinghe {

class PasswordStyle : public QProxyStyle {
public:
    explicit PasswordStyle(QChar character) : character_(character) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* result) const override;

private:
    QChar character_;
};

}  // namespace qinghe
