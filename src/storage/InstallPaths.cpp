#include "InstallPaths.h"

#include "catalogue/PathUtils.h"

#include <QDir>
#include <QFileInfo>

namespace sonquill {

namespace {

const QString kHelpFileName = QStringLiteral("SonquillHelp.html");

bool isFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

} // namespace

QString LocateHelpFile(const QString &programFolder)
{
    const QString beside = JoinPath(programFolder, kHelpFileName);
    if (isFile(beside))
        return beside;
    // The installed layout is fixed relative to the program, so any prefix works.
    const QString installed = QDir::toNativeSeparators(
        QDir::cleanPath(programFolder + QLatin1Char('/') + QStringLiteral(SONQUILL_DOC_FROM_BIN) +
                        QLatin1Char('/') + kHelpFileName));
    if (isFile(installed))
        return installed;
    return beside;
}

} // namespace sonquill
