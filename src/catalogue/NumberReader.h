#pragma once

#include <QString>

namespace sonquill {

// The leading number of the text, rounded half to even and limited to -32000..32000;
// 0 when there is none. Reads blanks anywhere, sign, decimals, exponent, "&H" and "&O".
qint16 ToInteger(const QString &text);
// Rounds to the nearest whole number, an exact half to the even neighbour.
double RoundHalfEven(double value);

} // namespace sonquill
