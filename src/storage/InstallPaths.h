#pragma once

#include <QString>

namespace sonquill {

// The help page for a program started from programFolder: beside the program (the build tree), else
// in the installed documentation folder, else the beside-the-program path so that a "not found"
// message names a sensible place.
QString LocateHelpFile(const QString &programFolder);

} // namespace sonquill
