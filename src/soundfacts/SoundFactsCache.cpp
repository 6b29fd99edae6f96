#include "SoundFactsCache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

namespace sonquill {

namespace {

QByteArray hashOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result();
}

} // namespace

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
    Entry entry{size, modified, ReadSoundFacts(path), {}, {}};
    const SoundFacts result = entry.facts;
    const QMutexLocker lock(&m_mutex);
    m_entries.insert(path, std::move(entry));
    return result;
}

SoundFacts SoundFactsCache::remembered(const QString &path)
{
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(path);
        if (found != m_entries.cend())
            return found->facts;
    }
    return facts(path);
}

QByteArray SoundFactsCache::contentHash(const QString &path)
{
    // A pipe would block the read for good.
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    const qint64 size = info.size();
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(path);
        if (found != m_entries.cend() && found->size == size && found->modified == modified &&
            !found->hash.isEmpty())
            return found->hash;
    }
    const QByteArray hash = hashOf(path);
    const QMutexLocker lock(&m_mutex);
    const auto found = m_entries.find(path);
    if (found != m_entries.end() && found->size == size && found->modified == modified)
        found->hash = hash;
    return hash;
}

LoudnessFacts SoundFactsCache::loudness(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        LoudnessFacts none;
        none.problem = ReadSoundFacts(path).problem;
        // Kept with what was last known, so a display asking from memory has its answer too.
        const QMutexLocker lock(&m_mutex);
        if (const auto found = m_entries.find(path); found != m_entries.end())
            found->loudness = none;
        return none;
    }
    const qint64 size = info.size();
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(path);
        if (found != m_entries.cend() && found->size == size && found->modified == modified &&
            found->loudness)
            return *found->loudness;
    }
    const LoudnessFacts measured = MeasureLoudness(path);
    facts(path); // the entry the measurement is kept with
    const QMutexLocker lock(&m_mutex);
    const auto found = m_entries.find(path);
    if (found != m_entries.end() && found->size == size && found->modified == modified)
        found->loudness = measured;
    return measured;
}

std::optional<LoudnessFacts> SoundFactsCache::rememberedLoudness(const QString &path) const
{
    const QMutexLocker lock(&m_mutex);
    const auto found = m_entries.constFind(path);
    return found != m_entries.cend() ? found->loudness : std::nullopt;
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
