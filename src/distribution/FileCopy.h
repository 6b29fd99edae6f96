#pragma once

#include "services/FileError.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <optional>

namespace sonquill {

// What one stat of a file tells: enough to know whether it changed since it was last seen, the
// way a version-control index knows it (touch -r or cp -p change the inode or ctime).
struct FileStamp
{
    bool exists = false;
    bool regular = false;
    qint64 size = 0;
    qint64 mtimeNs = 0; // modification time in nanoseconds since the epoch
    qint64 ctimeNs = 0; // status change time
    quint64 device = 0;
    quint64 inode = 0;
    int error = 0; // the errno of a stat that failed

    // The same file, whatever path led to it.
    bool sameFileAs(const FileStamp &other) const
    {
        return exists && other.exists && inode != 0 && inode == other.inode &&
               device == other.device;
    }
    // Why the file cannot be read as a source, in the platform's words; empty when it can.
    QString unreadableReason() const;
};

// One stat call, links followed.
FileStamp StampOf(const QString &path);
#ifndef Q_OS_WIN
// The same for the entry name of the open folder folderFd, without walking a path; nothing
// for a folder.
std::optional<FileStamp> StampInFolder(int folderFd, const char *name);
#endif

// QFile::encodeName and decodeName, the plain ASCII names of a game folder the short way: a run
// with nothing to do converts two thousand of them.
QByteArray EncodeFileName(const QString &name);
QString DecodeFileName(const char *name);

// Stamps many files, each as StampOf would: those in one folder are looked up relative to that
// folder, opened once, so a thousand sources from a few folders cost a thousand lookups of one
// name rather than of their whole paths.
class FolderStamps
{
public:
    FolderStamps() = default;
    FolderStamps(const FolderStamps &) = delete;
    FolderStamps &operator=(const FolderStamps &) = delete;
    ~FolderStamps();

    FileStamp of(const QString &path);

private:
    int folderOf(const QByteArray &path, qsizetype slash);

    QHash<QByteArray, int> m_folders; // -1: a folder that cannot be opened, stamped by path
    QByteArray m_lastFolder;
    int m_lastDescriptor = -1;
};

// A hidden name beside target for a file that will be renamed over it:
// "<folder>/.<target name>.<random>.sonquill-part<suffix>".
QString TemporaryBeside(const QString &target, const QString &suffix);
// True for a name TemporaryBeside gives, also one that an earlier version's runs left.
bool IsLeftoverTemporary(const QString &fileName);

// Replaced targets kept under hidden names for later copies to write into. A copy that takes
// one and swaps it with its target atomically gets the old target back as the next spare: no
// inode is made or freed, which on ext4 costs more the more inodes were just freed, so writing
// over a folder of targets runs at the speed of writing over them in place. Safe to share
// between threads; what is left is removed at the end.
class SpareFiles
{
public:
    SpareFiles() = default;
    SpareFiles(const SpareFiles &) = delete;
    SpareFiles &operator=(const SpareFiles &) = delete;
    ~SpareFiles();

    struct Spare
    {
        QByteArray path; // empty: none
        int mode = 0;    // its permission bits
    };
    Spare take();
    void put(const QByteArray &path, int mode);

private:
    QMutex m_mutex;
    QList<Spare> m_spares;
};

// Copies source to target at the file system's own speed, replacing target only once the copy
// is complete: the copy is written to a hidden name beside it (a spare's, when there is one)
// and renamed over it or swapped with it, so a missing source, a full disk or a failed read
// leaves the old target as it was. made receives the stamp of the new target.
[[nodiscard]] FileError CopyReplacing(const QString &source, const QString &target, FileStamp *made,
                                      SpareFiles *spares = nullptr);

// Renames from over to; the description names the target.
[[nodiscard]] FileError RenameOver(const QString &from, const QString &to);

} // namespace sonquill
