#pragma once

#include "SoundFacts.h"
#include "processing/Loudness.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

#include <optional>

namespace sonquill {

// Sound facts by path, read again only when the file's size or modification time changed.
// Safe to share between threads; files are read outside the lock.
class SoundFactsCache
{
public:
    SoundFacts facts(const QString &path);
    // The facts last read for path, without looking at the file again; read now when the
    // file was never seen. For displays refreshed often.
    SoundFacts remembered(const QString &path);
    // The file's integrated loudness and true peak, measured (the whole file decoded) the first
    // time it is asked for and kept with its facts.
    LoudnessFacts loudness(const QString &path);
    // The loudness last measured for path, without looking at the file; nothing when it never
    // was. For displays refreshed often.
    std::optional<LoudnessFacts> rememberedLoudness(const QString &path) const;
    // SHA-256 of the file's bytes, kept with its facts once facts() has seen the file; empty
    // when it is not a regular file or cannot be read.
    QByteArray contentHash(const QString &path);
    void clear();
    qsizetype count() const;

private:
    struct Entry
    {
        qint64 size = -1;
        qint64 modified = 0; // ms since the epoch
        SoundFacts facts;
        QByteArray hash; // empty until asked for
        std::optional<LoudnessFacts> loudness;
    };

    mutable QMutex m_mutex;
    QHash<QString, Entry> m_entries;
};

} // namespace sonquill
