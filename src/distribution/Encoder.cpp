#include "Encoder.h"

#include "catalogue/PathUtils.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace sonquill {

namespace {

#ifdef Q_OS_WIN
const QString kBundledEncoder = QStringLiteral("oggenc2.exe");
#else
const QString kBundledEncoder = QStringLiteral("oggenc2");
const QString kSystemEncoder = QStringLiteral("oggenc");
#endif

// A path as one double-quoted token of a command line that is split the QProcess way, where
// three double quotes in a row stand for one.
QString quoted(const QString &path)
{
    QString escaped = path;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// A candidate counts when it leads to a file: a link that leads nowhere, or to a folder, is no
// encoder and must not hide one further down the list.
bool isEncoderFile(const QString &path)
{
    return FileExists(path) && QFileInfo(path).isFile();
}

} // namespace

EncoderLocation LocateEncoder(const QString &programFolder)
{
    EncoderLocation location;
    location.EncoderPath = JoinPath(programFolder, kBundledEncoder);
    if (isEncoderFile(location.EncoderPath)) {
        location.found = true;
        return location;
    }
    // The parent folder is written with the ".." step, not resolved.
    location.EncoderPath = JoinPath(JoinPath(programFolder, QStringLiteral("..")), kBundledEncoder);
    if (isEncoderFile(location.EncoderPath)) {
        location.found = true;
        return location;
    }
#ifndef Q_OS_WIN
    const QString onPath = QStandardPaths::findExecutable(kSystemEncoder);
    location.EncoderPath = onPath.isEmpty() ? kSystemEncoder : onPath;
    location.found = !onPath.isEmpty();
#endif
    return location;
}

QString BuildEncoderCommand(const OggSettings &settings, const QString &encoderPath,
                            const QString &source, const QString &destination)
{
    if (settings.UseCustom != 0) {
        QString command = settings.CustomPath;
        command.replace(QStringLiteral("%1"), source, Qt::CaseSensitive);
        command.replace(QStringLiteral("%2"), destination, Qt::CaseSensitive);
        return command;
    }
    return quoted(encoderPath) + QLatin1Char(' ') + quoted(source) + QStringLiteral(" -o ") +
           quoted(destination) + QStringLiteral(" -q") + QString::number(settings.Quality);
}

QString EncoderNotFoundText()
{
#ifdef Q_OS_WIN
    return QStringLiteral("The OGG encoder, 'oggenc2.exe', was not found in the program's "
                          "directory. Ogg encoding will not be done.");
#else
    return QStringLiteral("The OGG encoder, 'oggenc', was not found in the program's directory "
                          "or on the search path. Ogg encoding will not be done.");
#endif
}

QString EncoderNotFoundTitle()
{
    return QStringLiteral("Error in Ogg Encoder");
}

} // namespace sonquill
