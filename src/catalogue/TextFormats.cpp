#include "TextFormats.h"

#include "NumberReader.h"

namespace sonquill {

QString FourDigitNumber(qint16 number)
{
    // Written digit by digit rather than formatted: every line of the names list has one.
    char16_t text[6];
    qsizetype at = 0;
    if (number < 0)
        text[at++] = u'-';
    int value = qAbs(int(number));
    const qsizetype digits = value >= 10000 ? 5 : 4;
    for (qsizetype i = digits - 1; i >= 0; --i, value /= 10)
        text[at + i] = char16_t(u'0' + value % 10);
    return QString(reinterpret_cast<const QChar *>(text), at + digits);
}

QString KilobytesText(double bytes)
{
    const double rounded = RoundHalfEven(bytes / 1000.0);
    // -0.4 kB rounds to a negative zero, which must read "0".
    return QString::number(qint64(rounded == 0.0 ? 0.0 : rounded));
}

} // namespace sonquill
