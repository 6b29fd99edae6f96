#include "ClearFiles.h"

#include "FileCopy.h"
#include "SourceFiles.h"
#include "catalogue/SoundFileNames.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace sonquill {

int ClearNumberedFiles(const QString &folder, const SoundTable &table, QStringList *skipped,
                       QStringList *failed)
{
    if (folder.isEmpty())
        return 0;
    // The scan is finished before anything is deleted, so the listing never changes under it.
    QStringList candidates;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        const QString path = entries.next();
        // Partial files a killed distribution left go too: they would ship with the game.
        if (NumberOfSoundFileName(entries.fileName()) || IsLeftoverTemporary(entries.fileName()))
            candidates.append(path);
    }
    if (candidates.isEmpty())
        return 0;
    const SourceFiles sources(table);
    int deleted = 0;
    for (const QString &path : std::as_const(candidates)) {
        if (sources.ownerOf(path)) {
            if (skipped)
                skipped->append(QFileInfo(path).fileName());
            continue;
        }
        QFile file(path);
        if (file.remove())
            ++deleted;
        else if (failed)
            failed->append(QFileInfo(path).fileName() + QStringLiteral(": ") + file.errorString());
    }
    return deleted;
}

} // namespace sonquill
