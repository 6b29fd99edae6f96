#include "ClearFiles.h"

#include "SourceFiles.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace sonquill {

bool IsNumberedSoundFileName(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("\\ASOUND[1-9][0-9]{0,2}\\..*\\z"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    return pattern.match(fileName).hasMatch();
}

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
        if (IsNumberedSoundFileName(entries.fileName()))
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
