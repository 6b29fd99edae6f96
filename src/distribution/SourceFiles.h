#pragma once

#include "catalogue/SoundTable.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace sonquill {

// The source files of a catalogue, known by their resolved paths (links followed, no "." or
// ".." steps), so that nothing that replaces or deletes files in the game folder ever touches
// one of them.
class SourceFiles
{
public:
    explicit SourceFiles(const SoundTable &table);

    // The resolved path of an existing file; empty when there is no such file.
    static QString resolve(const QString &path);

    // The resolved source of table entry index (1-based), as it was when this was made.
    QString resolvedSource(int index) const { return m_resolved.value(index - 1); }
    // The number of the first entry (table order) whose source is the file at the resolved
    // path; nothing for an empty path.
    std::optional<qint16> ownerOfResolved(const QString &resolvedPath) const;
    std::optional<qint16> ownerOf(const QString &path) const
    {
        return ownerOfResolved(resolve(path));
    }

private:
    QList<QString> m_resolved;       // by table index - 1
    QHash<QString, qint16> m_owners; // resolved path -> number
};

// "<name> was not replaced because it is the source file of sound #<number>".
QString NotReplacedText(const QString &fileName, qint16 owner);

} // namespace sonquill
