#include "NumberReader.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <optional>

namespace sonquill {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

// The text without blanks, as the number reader skips them anywhere.
QString withoutBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!isBlank(c))
            out.append(c);
    return out;
}

// "&H" and "&O" numbers: values that fit 16 bits read as signed 16-bit ("&HFFFF" is -1), larger
// ones as signed 32-bit, as the classic reader does; beyond 32 bits they overflow.
std::optional<double> readRadixNumber(const QString &text, int base)
{
    quint64 value = 0;
    int digits = 0;
    for (qsizetype i = 2; i < text.size(); ++i) {
        const char16_t c = text[i].toLower().unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = 10 + (c - u'a');
        if (digit < 0 || digit >= base)
            break;
        value = value * quint64(base) + quint64(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
        ++digits;
    }
    if (value <= 0xFFFF)
        return double(qint16(quint16(value)));
    return double(qint32(quint32(value)));
}

} // namespace

qint16 ToInteger(const QString &text)
{
    const QString s = withoutBlanks(text);
    double value = 0.0;
    if (s.size() >= 2 && s[0] == QLatin1Char('&') &&
        (s[1].toUpper() == QLatin1Char('H') || s[1].toUpper() == QLatin1Char('O'))) {
        const auto radix = readRadixNumber(s, s[1].toUpper() == QLatin1Char('H') ? 16 : 8);
        if (!radix)
            return 0;
        value = *radix;
    } else {
        // Sign, digits, "." and digits, then an exponent only when digits follow its "E".
        qsizetype i = 0;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
            ++i;
        const qsizetype mantissaStart = i;
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128)
            ++i;
        if (i < s.size() && s[i] == QLatin1Char('.')) {
            ++i;
            while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128)
                ++i;
        }
        const QString mantissa = s.mid(mantissaStart, i - mantissaStart);
        if (mantissa.isEmpty() || mantissa == QLatin1String("."))
            return 0;
        qsizetype end = i;
        if (i < s.size() && (s[i] == QLatin1Char('E') || s[i] == QLatin1Char('e') ||
                             s[i] == QLatin1Char('D') || s[i] == QLatin1Char('d'))) {
            qsizetype j = i + 1;
            if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
                ++j;
            const qsizetype digitsStart = j;
            while (j < s.size() && s[j].isDigit() && s[j].unicode() < 128)
                ++j;
            if (j > digitsStart)
                end = j;
        }
        QString number = s.left(end);
        number.replace(QLatin1Char('D'), QLatin1Char('E'))
            .replace(QLatin1Char('d'), QLatin1Char('e'));
        bool ok = false;
        value = number.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return 0;
    }
    value = std::clamp(value, -32000.0, 32000.0);
    return qint16(RoundHalfEven(value));
}

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    return std::nearbyint(value); // the default rounding mode rounds halves to even
}

} // namespace sonquill
