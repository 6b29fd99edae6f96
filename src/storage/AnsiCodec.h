#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace sonquill {

// The one Windows-1252 codec for every file the program reads or writes. Characters it
// cannot represent become '?'; the five bytes Windows-1252 leaves undefined round-trip.
QByteArray EncodeAnsi(const QString &text);
// Encodes text into bytes, which has room for text.size() bytes at least, and returns how many
// it wrote: the catalogue and the lists are thousands of short texts, written in place.
qsizetype WriteAnsi(char *bytes, QStringView text);
QString DecodeAnsi(const QByteArray &bytes);
QString DecodeAnsi(const char *data, qsizetype size);
// True when the text survives the round trip through the codec unchanged, so storing it cannot
// turn any character into '?'.
bool IsAnsiRepresentable(const QString &text);

} // namespace sonquill
