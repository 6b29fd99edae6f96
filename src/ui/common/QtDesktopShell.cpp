#include "ui/common/QtDesktopShell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace sonquill {

namespace {

// The answers of the Windows shell: above 32 is success, 2 is "file not found".
constexpr int accepted = 33;
constexpr int failed = 2;

// Starts the first of the programs found on the search path, detached, with the arguments.
bool startFirstFound(const QStringList &programs, const QStringList &arguments)
{
    for (const QString &program : programs) {
        const QString executable = QStandardPaths::findExecutable(program);
        if (!executable.isEmpty())
            return QProcess::startDetached(executable, arguments);
    }
    return false;
}

} // namespace

int QtDesktopShell::ShellExecute(const QString &path, const QString &verb)
{
    // As the Windows shell does, a missing file fails whatever the verb; a folder opens.
    if (!QFileInfo::exists(path))
        return failed;
    if (verb.isEmpty() || verb.compare(QLatin1String("open"), Qt::CaseInsensitive) == 0)
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? accepted : failed;
    if (verb.compare(QLatin1String("Edit"), Qt::CaseInsensitive) == 0) {
        const QStringList editors{QStringLiteral("audacity"), QStringLiteral("tenacity"),
                                  QStringLiteral("ocenaudio")};
        return startFirstFound(editors, {path}) ? accepted : failed;
    }
    return failed;
}

bool QtDesktopShell::startSystemInformation()
{
    const QStringList tools{QStringLiteral("kinfocenter"), QStringLiteral("hardinfo2"),
                            QStringLiteral("hardinfo"), QStringLiteral("gnome-system-monitor")};
    return startFirstFound(tools, {});
}

} // namespace sonquill
