#include "SoundFactsCache.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMutexLocker>

namespace sonquill {

SoundFacts SoundFactsCache::facts(const QString &path)
{
    const QFileInfo info(path);
    // Missing files and pipes are answered without opening anything, so nothing to keep.
    if (!info.isFile())
        return ReadSoundFacts(path);
    const qint64 size = info.size();
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(path);
        if (found != m_entries.cend() && found->size == size && found->modified == modified)
            return found->facts;
    }
    Entry entry{size, modified, ReadSoundFacts(path)};
    const SoundFacts result = entry.facts;
    const QMutexLocker lock(&m_mutex);
    m_entries.insert(path, std::move(entry));
    return result;
}

void SoundFactsCache::clear()
{
    const QMutexLocker lock(&m_mutex);
    m_entries.clear();
}

qsizetype SoundFactsCache::count() const
{
    const QMutexLocker lock(&m_mutex);
    return m_entries.size();
}

} // namespace sonquill
