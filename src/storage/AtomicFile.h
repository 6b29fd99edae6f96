#pragma once

#include "services/FileError.h"

#include <QByteArray>
#include <QString>

namespace sonquill {

// Writes bytes to path completely or not at all: the old file stays until the new one is whole.
[[nodiscard]] FileError WriteWholeFile(const QString &path, const QByteArray &bytes);

} // namespace sonquill
