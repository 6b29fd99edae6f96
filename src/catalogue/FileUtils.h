#pragma once

#include <QString>

namespace sonquill {

// Both '\' and '/' separate path components, so catalogues made on Windows still work here.

// The file's name without folder and without its last extension ("D:\Sfx\Door.Slam.wav"
// gives "Door.Slam").
QString NameFromPath(const QString &path);
// The text before the last separator ("D:\Sfx\Boom.wav" gives "D:\Sfx"); empty without one.
QString FolderFromPath(const QString &path);
// The text after the last "." of the whole path; the whole path when it holds no ".".
QString FileExtension(const QString &path);
// Size in bytes as a signed 32-bit number (low 32 bits), or -1 when it cannot be read.
qint32 FileSizeBytes(const QString &path);
// True when an existing file (never a folder; hidden files count) matches the path. The
// last component may hold the wildcards '*' and '?', matched without regard to case.
bool FileExists(const QString &path);
// The leading number of the text, rounded half to even and limited to -32000..32000;
// 0 when there is none. Reads blanks anywhere, sign, decimals, exponent, "&H" and "&O".
qint16 ToInteger(const QString &text);

// Folder text joined with a file name by the platform's separator, without any check.
QString JoinPath(const QString &folder, const QString &fileName);

// Rounds to the nearest whole number, an exact half to the even neighbour.
double RoundHalfEven(double value);
// A byte count shown in kilobytes of 1000 bytes, rounded half to even ("2" for 2500).
QString KilobytesText(double bytes);

} // namespace sonquill
