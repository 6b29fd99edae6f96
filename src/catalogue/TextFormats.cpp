#include "TextFormats.h"

#include "NumberReader.h"

namespace sonquill {

qsizetype WriteFourDigitNumber(char *out, qint16 number)
{
    // Written digit by digit rather than formatted: every line of the names list has one.
    qsizetype at = 0;
    if (number < 0)
        out[at++] = '-';
    int value = qAbs(int(number));
    const qsizetype digits = value >= 10000 ? 5 : 4;
    for (qsizetype i = digits - 1; i >= 0; --i, value /= 10)
        out[at + i] = char('0' + value % 10);
    return at + digits;
}

QString FourDigitNumber(qint16 number)
{
    char text[kFourDigitNumberRoom];
    return QString::fromLatin1(text, WriteFourDigitNumber(text, number));
}

QString KilobytesText(double bytes)
{
    const double rounded = RoundHalfEven(bytes / 1000.0);
    // -0.4 kB rounds to a negative zero, which must read "0".
    return QString::number(qint64(rounded == 0.0 ? 0.0 : rounded));
}

} // namespace sonquill
