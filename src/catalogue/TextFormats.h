#pragma once

#include <QString>

namespace sonquill {

// The line end of every text the program writes or shows in a message.
inline const QString kCrLf = QStringLiteral("\r\n");

// The number with at least four digits; a negative one keeps its sign before the padded
// digits ("0007", "-0005").
QString FourDigitNumber(qint16 number);
// The same in ASCII into out, which has room for kFourDigitNumberRoom bytes; returns the length.
inline constexpr qsizetype kFourDigitNumberRoom = 6;
qsizetype WriteFourDigitNumber(char *out, qint16 number);
// A byte count shown in kilobytes of 1000 bytes, rounded half to even ("2" for 2500).
QString KilobytesText(double bytes);

} // namespace sonquill
