#pragma once

#include <QByteArray>
#include <QString>

namespace sonquill {

// The one Windows-1252 codec for every file the program reads or writes. Characters it
// cannot represent become '?'; the five bytes Windows-1252 leaves undefined round-trip.
QByteArray EncodeAnsi(const QString &text);
QString DecodeAnsi(const QByteArray &bytes);
QString DecodeAnsi(const char *data, qsizetype size);
// True when the text survives the round trip through the codec unchanged, so storing it cannot
// turn any character into '?'.
bool IsAnsiRepresentable(const QString &text);

} // namespace sonquill
