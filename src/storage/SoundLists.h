#pragma once

#include "catalogue/SoundTable.h"
#include "services/FileError.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace sonquill {

inline constexpr char kAllSoundsFileName[] = "AllSounds.txt";
inline constexpr char kLockedSoundsFileName[] = "LockedSounds.txt";
inline constexpr char kPlaylistFileName[] = "WinampPlaylist.m3u";

// The three overview files as bytes (code page, CR LF). order holds 1-based table indexes in
// display order; indexes outside the table are skipped.
QByteArray ListOfAllBytes(const SoundTable &table, const QList<int> &order);
QByteArray ListOfLockedBytes(const SoundTable &table);
QByteArray WinampListBytes(const SoundTable &table, const QList<int> &order);

// Write the files, replacing any earlier one; the result says why a write failed.
[[nodiscard]] FileError MakeListOfAll(const SoundTable &table, const QList<int> &order,
                                      const QString &path);
[[nodiscard]] FileError MakeListOfLocked(const SoundTable &table, const QString &path);
[[nodiscard]] FileError MakeWinampList(const SoundTable &table, const QList<int> &order,
                                       const QString &path);

} // namespace sonquill
