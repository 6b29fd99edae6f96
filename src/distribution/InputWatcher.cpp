#include "InputWatcher.h"

#include <QDir>
#include <QFileInfo>

namespace sonquill {

namespace {

bool sameState(const FileStamp &a, const FileStamp &b)
{
    return a.exists == b.exists && a.size == b.size && a.mtimeNs == b.mtimeNs &&
           a.ctimeNs == b.ctimeNs && a.inode == b.inode && a.device == b.device;
}

// The folder holding path, or the nearest one above it that exists, so that a folder made
// again (a drive mounted) is noticed too.
QString existingFolderOf(const QString &path)
{
    QString folder = QFileInfo(path).absolutePath();
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            return {};
        folder = parent;
    }
    return folder;
}

} // namespace

InputWatcher::InputWatcher(QObject *parent) : QObject(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    // Every event only restarts the wait: what changed is decided by comparing the files' stat
    // data, since a run's own files and lock come and go in the same folders.
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_quiet, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_quiet,
            qOverload<>(&QTimer::start));
    connect(&m_quiet, &QTimer::timeout, this, &InputWatcher::settle);
}

void InputWatcher::watch(const QStringList &files)
{
    QHash<QString, FileStamp> seen;
    QStringList added;
    for (const QString &file : files) {
        if (file.isEmpty() || seen.contains(file))
            continue;
        const auto known = m_seen.constFind(file);
        if (known != m_seen.cend()) {
            seen.insert(file, *known);
        } else {
            seen.insert(file, StampOf(file));
            added << file;
        }
    }
    const QStringList watched = m_watcher.files();
    QStringList unwanted;
    for (const QString &file : watched) {
        if (!seen.contains(file))
            unwanted << file;
    }
    if (!unwanted.isEmpty())
        m_watcher.removePaths(unwanted);
    m_seen = std::move(seen);
    rearm(added);
    watchFolders();
}

void InputWatcher::acceptCurrent(const QStringList &files)
{
    for (const QString &file : files) {
        if (m_seen.contains(file))
            m_seen.insert(file, StampOf(file));
    }
    rearm(files);
}

void InputWatcher::settle()
{
    QStringList present;
    QStringList gone;
    for (auto it = m_seen.begin(); it != m_seen.end(); ++it) {
        const FileStamp now = StampOf(it.key());
        if (sameState(now, *it))
            continue;
        (now.exists ? present : gone) << it.key();
        *it = now;
    }
    present.sort();
    gone.sort();
    rearm(present + gone);
    watchFolders();
    if (!present.isEmpty() || !gone.isEmpty())
        emit changed(present, gone);
}

void InputWatcher::rearm(const QStringList &files)
{
    const QStringList watchedList = m_watcher.files();
    const QSet<QString> watched(watchedList.cbegin(), watchedList.cend());
    QStringList stale;
    QStringList present;
    for (const QString &file : files) {
        const auto seen = m_seen.constFind(file);
        if (seen == m_seen.cend())
            continue;
        if (watched.contains(file))
            stale << file;
        if (seen->exists)
            present << file;
    }
    if (!stale.isEmpty())
        m_watcher.removePaths(stale);
    if (!present.isEmpty())
        m_watcher.addPaths(present);
}

void InputWatcher::watchFolders()
{
    QSet<QString> folders;
    for (auto it = m_seen.cbegin(); it != m_seen.cend(); ++it) {
        const QString folder = existingFolderOf(it.key());
        if (!folder.isEmpty())
            folders.insert(folder);
    }
    // A folder deleted and made again is a new one: it is watched afresh.
    const QStringList watched = m_watcher.directories();
    for (const QString &folder : std::as_const(m_folders)) {
        if (!folders.contains(folder) && watched.contains(folder))
            m_watcher.removePath(folder);
    }
    for (const QString &folder : std::as_const(folders)) {
        if (!watched.contains(folder))
            m_watcher.addPath(folder);
    }
    m_folders = std::move(folders);
}

} // namespace sonquill
