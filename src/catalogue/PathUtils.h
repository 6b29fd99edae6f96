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
// A size as the catalogue keeps it: its low 32 bits, signed.
inline qint32 CatalogueSize(qint64 bytes)
{
    return qint32(quint32(quint64(bytes) & 0xFFFFFFFFu));
}
// True when an existing file (never a folder; hidden files count) matches the path. The
// last component may hold the wildcards '*' and '?', matched without regard to case.
bool FileExists(const QString &path);
// Folder text joined with a file name by the platform's separator, without any check.
QString JoinPath(const QString &folder, const QString &fileName);

} // namespace sonquill
