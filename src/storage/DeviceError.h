#pragma once

#include "FileError.h"

class QFileDevice;

namespace sonquill {

// The failure of a file device as a FileError: its error number (never 0) and the platform's
// description.
FileError DeviceError(const QFileDevice &device);

} // namespace sonquill
