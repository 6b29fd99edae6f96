#include "AtomicFile.h"

#include "DeviceError.h"

#include <QSaveFile>

namespace sonquill {

FileError WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return DeviceError(file);
    if (file.write(bytes) != bytes.size()) {
        const FileError error = DeviceError(file);
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
