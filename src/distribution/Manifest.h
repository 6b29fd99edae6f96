#pragma once

#include "FileCopy.h"
#include "services/FileError.h"

#include <QHash>
#include <QString>

#include <limits>

namespace sonquill {

// What one numbered file in the game folder was made from and how, when it was made.
struct MadeRecord
{
    QString source; // the catalogue's path of the source
    qint64 sourceSize = 0;
    qint64 sourceMtimeNs = 0;
    // "copy", or the encoder's command line for the target's bare name; then what was done to
    // the samples, if anything
    QString how;
    qint64 targetSize = 0;
    qint64 targetMtimeNs = 0;
    qint64 targetCtimeNs = 0;
    quint64 targetInode = 0;
    double gainDb = std::numeric_limits<double>::quiet_NaN(); // the loudness gain applied

    // True when the file is still exactly the one this record describes: nobody wrote,
    // replaced, touched or copied over it since.
    bool describes(const FileStamp &targetNow) const;
    // True when the target was made from exactly this source, this way, and not touched since.
    bool matches(const QString &sourcePath, const FileStamp &sourceNow, const QString &madeHow,
                 const FileStamp &targetNow) const;
    static MadeRecord of(const QString &sourcePath, const FileStamp &sourceStamp,
                         const QString &madeHow, const FileStamp &targetStamp);
};

// The record of every numbered file that distribution made in one game folder, kept in the
// user's cache folder so that the game folder holds only what the game ships with. The folder
// is known by its canonical path, so every spelling of it shares one record.
class Manifest
{
public:
    // "<cache>/Sonquill/distribution/<folder name>-<hash of its canonical path>.json".
    static QString PathFor(const QString &gameFolder);

    // A missing or unreadable record is an empty one: everything is made again. Only a regular
    // file is opened. Entries that name no bare SOUND<n> file are dropped.
    static Manifest Load(const QString &gameFolder);
    [[nodiscard]] FileError Save() const;

    QHash<QString, MadeRecord> records; // by target file name ("SOUND12.ogg")

private:
    QString m_path;
};

} // namespace sonquill
