#pragma once

#include "services/FileError.h"

class QFileDevice;

namespace sonquill {

// The failure of a file device as a FileError: its error number (never 0) and the platform's
// description.
FileError DeviceError(const QFileDevice &device);
// The refusal to read or replace a path that is not a regular file once links are followed (a
// pipe, a device, a socket): opening one may wait forever or never reach an end.
FileError NotRegularFileError(const QString &path);

} // namespace sonquill
