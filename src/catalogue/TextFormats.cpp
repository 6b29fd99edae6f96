#include "TextFormats.h"

#include "NumberReader.h"

namespace sonquill {

QString FourDigitNumber(qint16 number)
{
    const QString digits = QStringLiteral("%1").arg(qAbs(int(number)), 4, 10, QLatin1Char('0'));
    return number < 0 ? QLatin1Char('-') + digits : digits;
}

QString KilobytesText(double bytes)
{
    const double rounded = RoundHalfEven(bytes / 1000.0);
    // -0.4 kB rounds to a negative zero, which must read "0".
    return QString::number(qint64(rounded == 0.0 ? 0.0 : rounded));
}

} // namespace sonquill
