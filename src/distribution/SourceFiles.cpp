#include "SourceFiles.h"

#include <QFileInfo>

namespace sonquill {

SourceFiles::SourceFiles(const SoundTable &table)
{
    m_resolved.reserve(table.SoundCount());
    for (const SoundRecord &record : table.records()) {
        const QString path = resolve(record.filename);
        m_resolved.append(path);
        if (!path.isEmpty() && !m_owners.contains(path))
            m_owners.insert(path, record.number);
    }
}

QString SourceFiles::resolve(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

std::optional<qint16> SourceFiles::ownerOfResolved(const QString &resolvedPath) const
{
    if (resolvedPath.isEmpty())
        return std::nullopt;
    const auto found = m_owners.constFind(resolvedPath);
    if (found == m_owners.cend())
        return std::nullopt;
    return *found;
}

QString NotReplacedText(const QString &fileName, qint16 owner)
{
    return QStringLiteral("%1 was not replaced because it is the source file of sound #%2")
        .arg(fileName, QString::number(owner));
}

} // namespace sonquill
