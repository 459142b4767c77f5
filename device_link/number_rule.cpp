#include "device_link/number_rule.h"

namespace ringlatch {

bool isNumberCharacter(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() <= 0x7E;
}

std::optional<QString> numberProblem(const QString &number)
{
    for (const QChar c : number) {
        if (!isNumberCharacter(c))
            return QStringLiteral("Broj sme da sadrzi samo stampajuce ASCII znakove "
                                  "(od razmaka do ~); znak U+%1 nije dozvoljen")
                .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'));
    }
    if (number.size() > kNumberLimit)
        return QStringLiteral("Broj je duzi od %1 znakova (ima ih %2)")
            .arg(kNumberLimit)
            .arg(number.size());
    return std::nullopt;
}

} // namespace ringlatch
