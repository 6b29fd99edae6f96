#pragma once

#include "FileCopy.h"
#include "services/FileError.h"

#include <QHash>
#include <QString>

#include <QString>
#include <cmath>

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
    // Equal as recorded: a gain that was never measured equals another never measured.
    bool operator==(const MadeRecord &other) const
    {
        const bool sameGain =
            (std::isnan(gainDb) && std::isnan(other.gainDb)) || gainDb == other.gainDb;
        return sameGain && source == other.source && sourceSize == other.sourceSize &&
               sourceMtimeNs == other.sourceMtimeNs && how == other.how &&
               targetSize == other.targetSize && targetMtimeNs == other.targetMtimeNs &&
               targetCtimeNs == other.targetCtimeNs && targetInode == other.targetInode;
    }
};

// The record of every numbered file that distribution made in one game folder, kept in the
// user's cache folder so that the game folder holds only what the game ships with. The folder
// is known by its canonical path, so every spelling of it shares one record.
class Manifest
{
public:
    // "<cache>/Sonquill/distribution/<folder name>-<hash of its canonical path>.record".
    static QString PathFor(const QString &gameFolder);
    // The same with ".json": where earlier versions kept the record.
    static QString JsonPathFor(const QString &gameFolder);

    // A missing or unreadable record is an empty one: everything is made again. Only a regular
    // file is opened. Entries that name no bare SOUND<n> file are dropped.
    static Manifest Load(const QString &gameFolder);
    // Writes the records, unless the file holds exactly these already and nobody changed it
    // since it was read or written here.
    [[nodiscard]] FileError Save();
    // True when the file holds exactly these records and nobody changed it since it was read
    // or written here: Save() would write nothing.
    bool isSaved() const;

    QHash<QString, MadeRecord> records; // by target file name ("SOUND12.ogg")

private:
    QString m_path;
    // What the file holds, as far as this object knows, and its stamp then; only valid when
    // inSync.
    QHash<QString, MadeRecord> m_onDisk;
    FileStamp m_diskStamp;
    bool m_inSync = false;
    QString m_legacyPath; // an earlier version's record, read and to be removed once saved
};

} // namespace sonquill
