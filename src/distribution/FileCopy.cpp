#include "FileCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sonquill {

namespace {

FileError failure(int number, const QString &description)
{
    return FileError{number != 0 ? number : int(QFileDevice::UnspecifiedError), description};
}

QString cannotRead(const QString &why)
{
    return QStringLiteral("The source file cannot be read: %1").arg(why);
}

#ifndef Q_OS_WIN

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

FileStamp stampOf(const struct stat &info)
{
    FileStamp stamp;
    stamp.exists = true;
    stamp.regular = S_ISREG(info.st_mode);
    stamp.size = qint64(info.st_size);
    stamp.mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + qint64(info.st_mtim.tv_nsec);
    stamp.ctimeNs = qint64(info.st_ctim.tv_sec) * 1000000000 + qint64(info.st_ctim.tv_nsec);
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    return stamp;
}

// The process's umask, read once: reading it means setting it, which is not safe to repeat
// while other threads create files.
mode_t currentUmask()
{
    static const mode_t mask = [] {
        const mode_t old = ::umask(022);
        ::umask(old);
        return old;
    }();
    return mask;
}

// Closes a descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// Copies what is left of in to out: copy_file_range where the file systems allow it (in the
// kernel, or as a shared extent), read and write otherwise. Returns 0 or the errno and whether
// it was the reading side that failed.
int copyContents(int in, int out, bool *readFailed)
{
    *readFailed = false;
    bool kernelCopy = true;
    for (;;) {
        const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (copied == 0)
            return 0;
        if (copied > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
            kernelCopy = false;
            break;
        }
        return errno;
    }
    Q_ASSERT(!kernelCopy);
    static constexpr size_t kBufferSize = 256 * 1024;
    QByteArray buffer(qsizetype(kBufferSize), Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), kBufferSize);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *readFailed = true;
            return errno;
        }
        if (got == 0)
            return 0;
        ssize_t written = 0;
        while (written < got) {
            const ssize_t put = ::write(out, buffer.constData() + written, size_t(got - written));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return errno;
            written += put;
        }
    }
}

#endif

} // namespace

FileStamp StampOf(const QString &path)
{
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    FileStamp stamp;
    if (!info.exists())
        return stamp;
    stamp.exists = true;
    stamp.regular = info.isFile();
    stamp.size = info.size();
    stamp.mtimeNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    return stamp;
#else
    struct stat info;
    if (::stat(EncodeFileName(path).constData(), &info) != 0) {
        FileStamp missing;
        missing.error = errno;
        return missing;
    }
    return stampOf(info);
#endif
}

#ifndef Q_OS_WIN
std::optional<FileStamp> StampInFolder(int folderFd, const char *name)
{
    struct stat info;
    if (::fstatat(folderFd, name, &info, 0) != 0) {
        FileStamp missing;
        missing.error = errno;
        return missing;
    }
    if (S_ISDIR(info.st_mode))
        return std::nullopt;
    return stampOf(info);
}
#endif

QByteArray EncodeFileName(const QString &name)
{
    // One pass, which the compiler vectorises: the units are the bytes unless one is not ASCII.
    QByteArray bytes(name.size(), Qt::Uninitialized);
    const char16_t *units = reinterpret_cast<const char16_t *>(name.unicode());
    char *out = bytes.data();
    char16_t seen = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        seen |= units[i];
        out[i] = char(units[i]);
    }
    return seen < 0x80 ? bytes : QFile::encodeName(name);
}

QString DecodeFileName(const char *name)
{
    const qsizetype length = qsizetype(std::strlen(name));
    const bool ascii = std::all_of(
        name, name + length, [](char byte) { return (static_cast<unsigned char>(byte)) < 0x80; });
    return ascii ? QString::fromLatin1(name, length) : QFile::decodeName(name);
}

SpareFiles::Spare SpareFiles::take()
{
    const QMutexLocker lock(&m_mutex);
    return m_spares.isEmpty() ? Spare{} : m_spares.takeLast();
}

void SpareFiles::put(const QByteArray &path, int mode)
{
    const QMutexLocker lock(&m_mutex);
    m_spares.append({path, mode});
}

SpareFiles::~SpareFiles()
{
    for (const Spare &spare : std::as_const(m_spares))
        QFile::remove(QFile::decodeName(spare.path));
}

FolderStamps::~FolderStamps()
{
#ifndef Q_OS_WIN
    for (const int descriptor : std::as_const(m_folders)) {
        if (descriptor >= 0)
            ::close(descriptor);
    }
#endif
}

FileStamp FolderStamps::of(const QString &path)
{
#ifdef Q_OS_WIN
    return StampOf(path);
#else
    const QByteArray encoded = EncodeFileName(path);
    const qsizetype slash = encoded.lastIndexOf('/');
    // A name without a folder, one in the root, or one with a trailing slash: as given.
    const int folder =
        slash > 0 && slash + 1 < encoded.size() ? folderOf(encoded, slash) : AT_FDCWD;
    if (folder == AT_FDCWD)
        return StampOf(path);
    struct stat info;
    if (::fstatat(folder, encoded.constData() + slash + 1, &info, 0) != 0) {
        FileStamp missing;
        missing.error = errno;
        return missing;
    }
    return stampOf(info);
#endif
}

int FolderStamps::folderOf(const QByteArray &path, qsizetype slash)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    Q_UNUSED(slash);
    return -1;
#else
    // Sources usually come a folder at a time.
    if (m_lastDescriptor >= 0 && m_lastFolder.size() == slash &&
        std::memcmp(m_lastFolder.constData(), path.constData(), std::size_t(slash)) == 0)
        return m_lastDescriptor;
    const QByteArray folder = path.left(slash);
    auto found = m_folders.constFind(folder);
    if (found == m_folders.cend()) {
        // Each open folder holds a descriptor; beyond a few, the rest are stamped by path.
        constexpr qsizetype kMostFolders = 64;
        if (m_folders.size() >= kMostFolders)
            return AT_FDCWD;
        found =
            m_folders.insert(folder, ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    // A folder that cannot be opened: the stat by path gives the reason.
    if (*found < 0)
        return AT_FDCWD;
    m_lastFolder = folder;
    m_lastDescriptor = *found;
    return m_lastDescriptor;
#endif
}

QString FileStamp::unreadableReason() const
{
    if (!exists) {
#ifdef Q_OS_WIN
        return QStringLiteral("The file does not exist");
#else
        return errnoText(error != 0 ? error : ENOENT);
#endif
    }
    if (!regular)
        return QStringLiteral("it is not a regular file");
    return {};
}

QString TemporaryBeside(const QString &target, const QString &suffix)
{
    const QFileInfo info(target);
    const QString random = QString::number(QRandomGenerator::global()->generate64(), 36);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QLatin1Char('.') + random +
                               QStringLiteral(".sonquill-part") + suffix);
}

bool IsLeftoverTemporary(const QString &fileName)
{
    // ".SOUND<n>.<ext>.<random>.sonquill-part[.ogg|.wav]", or an earlier version's
    // ".SOUND<n>.<ext>.<random>[.ogg]", whose random part is 10 to 13 base-36 digits.
    static const QRegularExpression pattern(
        QStringLiteral("\\A\\.SOUND[1-9][0-9]{0,2}\\.[^/.]+\\.[0-9a-z]{10,13}"
                       "(\\.sonquill-part)?(\\.ogg|\\.wav)?\\z"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(fileName).hasMatch();
}

FileError RenameOver(const QString &from, const QString &to)
{
    std::error_code renameError;
    std::filesystem::rename(QFileInfo(from).filesystemFilePath(),
                            QFileInfo(to).filesystemFilePath(), renameError);
    if (!renameError)
        return {};
    return failure(
        renameError.value(),
        QStringLiteral("%1 cannot be replaced: %2")
            .arg(QFileInfo(to).fileName(), QString::fromLocal8Bit(renameError.message().c_str())));
}

#ifdef Q_OS_WIN

FileError CopyReplacing(const QString &source, const QString &target, FileStamp *made, SpareFiles *)
{
    const QString targetName = QFileInfo(target).fileName();
    const QFileInfo sourceInfo(source);
    if (sourceInfo.exists() && !sourceInfo.isFile())
        return failure(QFileDevice::OpenError,
                       cannotRead(QStringLiteral("it is not a regular file")));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return failure(in.error(), cannotRead(in.errorString()));
    QTemporaryFile out(TemporaryBeside(target, QStringLiteral(".XXXXXX")));
    if (!out.open()) {
        return failure(
            out.error(),
            QStringLiteral("%1 cannot be created: %2").arg(targetName, out.errorString()));
    }
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0)
            return failure(in.error(), cannotRead(in.errorString()));
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got || !out.flush()) {
            return failure(
                out.error(),
                QStringLiteral("%1 cannot be written: %2").arg(targetName, out.errorString()));
        }
    }
    out.close();
    if (const FileError renamed = RenameOver(out.fileName(), target))
        return renamed;
    out.setAutoRemove(false);
    *made = StampOf(target);
    return {};
}

#else

namespace {

// Whether a file opened with O_TMPFILE can be given a name: through /proc, as any user may.
bool unnamedFilesLinkable()
{
    static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
    return linkable;
}

// Puts a finished copy at target. A copy written into a spare most likely replaces a target that
// is there, any other most likely names one that is not: a target not there is only named; one
// that is there is swapped with the copy, its file then kept as the next spare when it is a plain
// file of no other name. 0, or the errno of the failure.
int putInPlace(const QByteArray &copy, const QByteArray &target, SpareFiles *spares,
               bool targetLikely)
{
    if (!targetLikely && ::renameat2(AT_FDCWD, copy.constData(), AT_FDCWD, target.constData(),
                                     RENAME_NOREPLACE) == 0)
        return 0;
    if (spares && ::renameat2(AT_FDCWD, copy.constData(), AT_FDCWD, target.constData(),
                              RENAME_EXCHANGE) == 0) {
        struct stat old;
        const bool known = ::fstatat(AT_FDCWD, copy.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
        if (known && S_ISREG(old.st_mode) && old.st_nlink == 1) {
            spares->put(copy, int(old.st_mode & 07777));
            return 0;
        }
        // A folder is never replaced by a file: it goes back where it was.
        if (known && S_ISDIR(old.st_mode)) {
            ::renameat2(AT_FDCWD, copy.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE);
            return EISDIR;
        }
        // Another name of it, or a link, goes as a rename over it would take it.
        ::unlink(copy.constData());
        return 0;
    }
    return ::rename(copy.constData(), target.constData()) == 0 ? 0 : errno;
}

} // namespace

FileError CopyReplacing(const QString &source, const QString &target, FileStamp *made,
                        SpareFiles *spares)
{
    const QString targetName = QFileInfo(target).fileName();
    // A pipe would block the run for good and a device could fill the disk: the descriptor is
    // opened without waiting and looked at before anything is read.
    Descriptor in(
        ::open(EncodeFileName(source).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (in.get() < 0)
        return failure(errno, cannotRead(errnoText(errno)));
    struct stat sourceInfo;
    if (::fstat(in.get(), &sourceInfo) != 0)
        return failure(errno, cannotRead(errnoText(errno)));
    if (!S_ISREG(sourceInfo.st_mode))
        return failure(EINVAL, cannotRead(QStringLiteral("it is not a regular file")));

    const mode_t wanted = (sourceInfo.st_mode & 07777) | S_IRUSR | S_IWUSR;
    const QByteArray targetPath = EncodeFileName(target);
    QByteArray temporaryName; // the copy's name while it is written; empty while it has none
    Descriptor out(-1);
    mode_t mode = wanted & ~currentUmask();
    // A spare was a plain file of no other name when it was kept (see putInPlace).
    const SpareFiles::Spare spare = spares ? spares->take() : SpareFiles::Spare{};
    if (!spare.path.isEmpty()) {
        out.reset(::open(spare.path.constData(),
                         O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (out.get() >= 0) {
            temporaryName = spare.path;
            mode = mode_t(spare.mode);
        } else {
            ::unlink(spare.path.constData());
        }
    }
    // Otherwise a file with no name until it is whole: linked into place, it takes one step, as
    // a plain create does, and a run killed meanwhile leaves nothing behind.
    bool unnamed = false;
    if (out.get() < 0 && unnamedFilesLinkable()) {
        const qsizetype slash = targetPath.lastIndexOf('/');
        const QByteArray folder = slash > 0 ? targetPath.left(slash)
                                  : slash == 0 ? QByteArray("/")
                                               : QByteArray(".");
        out.reset(::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, wanted));
        unnamed = out.get() >= 0;
    }
    if (out.get() < 0) {
        temporaryName = EncodeFileName(TemporaryBeside(target, QString()));
        out.reset(
            ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, wanted));
    }
    if (out.get() < 0) {
        return failure(
            errno, QStringLiteral("%1 cannot be created: %2").arg(targetName, errnoText(errno)));
    }
    const auto discard = [&](const FileError &error) {
        if (!temporaryName.isEmpty())
            ::unlink(temporaryName.constData());
        return error;
    };
    const auto cannotWrite = [&](int error) {
        return failure(
            error, QStringLiteral("%1 cannot be written: %2").arg(targetName, errnoText(error)));
    };
    bool readFailed = false;
    if (const int error = copyContents(in.get(), out.get(), &readFailed))
        return discard(readFailed ? failure(error, cannotRead(errnoText(error)))
                                  : cannotWrite(error));
    // Open mode bits are subject to the umask, and a spare has its old target's: the copy
    // keeps the source's.
    if (mode != wanted)
        ::fchmod(out.get(), wanted);
    if (unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(out.get());
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, targetPath.constData(),
                     AT_SYMLINK_FOLLOW) == 0) {
            if (::close(out.release()) != 0) {
                const int error = errno;
                ::unlink(targetPath.constData());
                return cannotWrite(error);
            }
            *made = StampOf(target);
            return {};
        }
        // The target is there: the copy takes a hidden name to replace it from.
        temporaryName = EncodeFileName(TemporaryBeside(target, QString()));
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporaryName.constData(),
                     AT_SYMLINK_FOLLOW) != 0) {
            const int error = errno;
            temporaryName.clear();
            return failure(
                error,
                QStringLiteral("%1 cannot be created: %2").arg(targetName, errnoText(error)));
        }
    }
    if (::close(out.release()) != 0)
        return discard(cannotWrite(errno));
    if (const int error =
            putInPlace(temporaryName, targetPath, spares, unnamed || temporaryName == spare.path)) {
        return discard(failure(
            error, QStringLiteral("%1 cannot be replaced: %2").arg(targetName, errnoText(error))));
    }
    // Stamped after the rename, which changes the file's ctime.
    *made = StampOf(target);
    return {};
}

#endif

} // namespace sonquill
