#include "CatalogueBackup.h"

#include "AtomicFile.h"
#include "DeviceError.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace sonquill {

namespace {

constexpr qsizetype kReadableNameLength = 40;
constexpr qsizetype kHashLength = 8;

QString stateFolder()
{
#ifdef Q_OS_WIN
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
    // Qt 6.4 knows no state location. A relative value is to be ignored, as with every XDG
    // variable.
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.isEmpty() && QDir::isAbsolutePath(state))
        return state;
    return QDir::homePath() + QStringLiteral("/.local/state");
#endif
}

QString canonicalFolder(const QString &folder)
{
    const QFileInfo info(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// The folder's own name, reduced to characters that are safe in a file name everywhere.
QString readableName(const QString &canonical)
{
    QString name = QFileInfo(canonical).fileName().left(kReadableNameLength);
    for (QChar &c : name) {
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_')
            c = u'_';
    }
    return name.isEmpty() ? QStringLiteral("root") : name;
}

QString backupFileName(const QDateTime &time)
{
    return QStringLiteral("SoundInfo-") + time.toString(QStringLiteral("yyyy-MM-ddTHHmmss.zzz")) +
           QStringLiteral("Z.dat");
}

// The backups in the folder, oldest first: their names sort as their times.
QStringList backupsOldestFirst(const QDir &folder)
{
    return folder.entryList({QStringLiteral("SoundInfo-*Z.dat")}, QDir::Files | QDir::Hidden,
                            QDir::Name);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

QString CatalogueBackupFolder(const QString &gameFolder)
{
    const QString canonical = canonicalFolder(gameFolder);
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    return stateFolder() + QStringLiteral("/Sonquill/backups/") + readableName(canonical) + u'-' +
           QString::fromLatin1(hash.left(kHashLength));
}

FileError KeepCatalogueBackup(const QString &cataloguePath, const QByteArray &bytes,
                              QString *backupPath)
{
    const QString folderPath = CatalogueBackupFolder(QFileInfo(cataloguePath).absolutePath());
    if (!QDir().mkpath(folderPath)) {
        return {int(QFileDevice::OpenError),
                QStringLiteral("The folder %1 could not be made").arg(folderPath)};
    }
    const QDir folder(folderPath);
    QStringList backups = backupsOldestFirst(folder);
    // Loading the same damaged file at every start must not push the good versions out.
    if (!backups.isEmpty() && readAll(folder.filePath(backups.last())) == bytes) {
        if (backupPath)
            *backupPath = folder.filePath(backups.last());
        return {};
    }
    // The newest backup must sort last even when the clock went back or two saves share a
    // millisecond.
    QDateTime time = QDateTime::currentDateTimeUtc();
    QString name = backupFileName(time);
    while (!backups.isEmpty() && name <= backups.last()) {
        time = time.addMSecs(1);
        name = backupFileName(time);
    }
    const QString path = folder.filePath(name);
    if (FileError error = WriteWholeFile(path, bytes))
        return error;
    if (backupPath)
        *backupPath = path;
    backups.append(name);
    // An old version that cannot be removed only takes room; nothing is lost by keeping it.
    for (qsizetype i = 0; i + kKeptCatalogueBackups < backups.size(); ++i)
        QFile::remove(folder.filePath(backups.at(i)));
    return {};
}

} // namespace sonquill
