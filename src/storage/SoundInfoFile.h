#pragma once

#include "catalogue/SoundTable.h"
#include "services/FileError.h"
#include "services/MessageSink.h"

#include <QByteArray>
#include <QString>

namespace sonquill {

inline constexpr char kSoundInfoFileName[] = "SoundInfo.dat";

// Where the catalogue of a game folder is kept: the entry whose name is SoundInfo.dat in any
// case (the exact spelling first), or folder + "/SoundInfo.dat" when there is none.
QString SoundInfoPath(const QString &folder);

// The saved catalogue's bytes: little-endian 16-bit count, then every record's nine fields.
QByteArray SerializeSoundInfo(const SoundTable &table);
// Parses bytes of a saved catalogue. Records the data cannot supply are empty records; a short
// file sets error. Allocation is bounded by the data's real size.
SoundTable ParseSoundInfo(const QByteArray &bytes, FileError *error);

// Writes the whole file or nothing: the old file stays intact until the new one is complete.
// A file with other bytes is first kept among the backups (CatalogueBackup.h); when it cannot
// be kept, the save goes on with a warning if that file reads whole, and nothing is written if
// it does not.
[[nodiscard]] FileError WriteSoundInfo(const SoundTable &table, const QString &path,
                                       QString *warning = nullptr);
// Replaces table by the file's contents and re-measures every size. A missing file leaves
// table unchanged and is no error; a file that cannot be opened leaves it unchanged too, as
// does anything that is not a regular file (never opened). An empty file is an empty catalogue.
// bytesRead, when given, receives the file's bytes; measureSizes false leaves the sizes as
// stored. Never keeps a copy of a damaged file, unlike LoadSoundInfo.
[[nodiscard]] FileError ReadSoundInfo(SoundTable &table, const QString &path,
                                      QByteArray *bytesRead = nullptr, bool measureSizes = true);

// Write or read, then report any failure through the error report with the context
// "Saving the SoundInfo.DAT file" or "Loading the SoundInfo.DAT file". Return the error seen.
// A file of more than two bytes that loads as empty is kept among the backups, with a warning.
FileError SaveSoundInfo(const SoundTable &table, const QString &path, MessageSink &sink);
// whole, when given, is set true only when the file existed and was read whole: not missing,
// not short, not read as empty from more (or fewer) bytes than an empty catalogue has.
// measureSizes false leaves the sizes as the file holds them, for a caller that measures every
// source itself; bytes, when given, receives what was read.
FileError LoadSoundInfo(SoundTable &table, const QString &path, MessageSink &sink,
                        bool *whole = nullptr, bool measureSizes = true,
                        QByteArray *bytesRead = nullptr);

} // namespace sonquill
