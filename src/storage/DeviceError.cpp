#include "DeviceError.h"

#include <QFileDevice>

namespace sonquill {

FileError DeviceError(const QFileDevice &device)
{
    FileError error;
    // A device can fail without setting its error (a short write); the failure still counts.
    error.number = device.error() == QFileDevice::NoError ? int(QFileDevice::UnspecifiedError)
                                                          : int(device.error());
    error.description = device.errorString();
    return error;
}

FileError NotRegularFileError(const QString &path)
{
    return {int(QFileDevice::OpenError), path + QStringLiteral(" is not a regular file")};
}

} // namespace sonquill
