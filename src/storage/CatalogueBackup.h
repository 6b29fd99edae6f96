#pragma once

#include "services/FileError.h"

#include <QByteArray>
#include <QString>

namespace sonquill {

// How many earlier versions of one game's saved catalogue are kept.
inline constexpr int kKeptCatalogueBackups = 10;

// Where earlier versions of the catalogue of a game folder are kept: outside the game folder, in
// <state folder>/Sonquill/backups/<folder name>-<short hash of its canonical path>. The state
// folder is $XDG_STATE_HOME, or ~/.local/state when that is unset.
QString CatalogueBackupFolder(const QString &gameFolder);

// Keeps bytes (what the catalogue file at cataloguePath holds) as the newest backup of its game
// folder, unless the newest backup holds these bytes already, and drops all but the last
// kKeptCatalogueBackups. backupPath, when given, receives the file that holds the bytes.
[[nodiscard]] FileError KeepCatalogueBackup(const QString &cataloguePath, const QByteArray &bytes,
                                            QString *backupPath = nullptr);

} // namespace sonquill
