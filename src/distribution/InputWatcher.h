#pragma once

#include "FileCopy.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace sonquill {

// Watches the files a distribution reads (the catalogue, the sources) and the folders holding
// them, and tells which of them changed once no further change has come for a short while.
class InputWatcher : public QObject
{
    Q_OBJECT
public:
    // How long the files must stay quiet before a change is told: an editor's save is often
    // several writes, or a write and a rename.
    static constexpr int kQuietMs = 200;

    explicit InputWatcher(QObject *parent = nullptr);

    // Watches exactly these files from now on. A file watched before keeps the state it was
    // last seen in, so that a change made meanwhile is still told; a new one is taken as it is.
    void watch(const QStringList &files);
    // Takes these files as they are now: the caller changed them itself.
    void acceptCurrent(const QStringList &files);
    QStringList watchedFiles() const { return m_seen.keys(); }

signals:
    // Files whose state differs from the one last seen: those there now (changed, replaced or
    // back again) and those gone.
    void changed(const QStringList &present, const QStringList &gone);

private:
    void settle();
    // Follows each file to the file now under its name (a rename puts a new one there), and
    // watches the folders, or the nearest existing folder above a missing one.
    void rearm(const QStringList &files);
    void watchFolders();

    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    QHash<QString, FileStamp> m_seen;
    QSet<QString> m_folders;
};

} // namespace sonquill
