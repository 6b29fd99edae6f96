#include "AtomicFile.h"

#include "DeviceError.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace sonquill {

namespace {

// The error of a failed write or flush. A short write leaves the device without a description;
// errno still names the cause (a full disk, a file size limit).
FileError writeError(const QSaveFile &file, int savedErrno)
{
    FileError error = DeviceError(file);
    if ((error.description.isEmpty() || error.description == QLatin1String("Unknown error")) &&
        savedErrno != 0)
        error.description = qt_error_string(savedErrno);
    return error;
}

} // namespace

FileError WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    // The finished copy is renamed over the target; over a pipe or a device that a link points
    // to, that would replace the device itself.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir())
        return NotRegularFileError(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return DeviceError(file);
    errno = 0;
    // QSaveFile buffers small writes, and commit() does not notice when putting the buffer on
    // disk fails: it would put a truncated file in place. So the buffer is flushed and checked
    // first.
    if (file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        const FileError error = writeError(file, errno);
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) {
        FileError error = DeviceError(file);
        // Putting the finished copy in place can fail without a description from the platform.
        if (error.description.isEmpty() || error.description == QLatin1String("Unknown error"))
            error.description = QStringLiteral("The new file could not replace the old one");
        return error;
    }
    return {};
}

} // namespace sonquill
