#include "CliWorld.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace sonquill::test {

CliWorld::CliWorld()
{
    for (const char *folder : {"config", "cache", "state", "home", "game", "sfx", "empty"})
        QDir(dir.path()).mkpath(QString::fromLatin1(folder));
    environment.insert(QStringLiteral("HOME"), path("home"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), path("cache"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), path("state"));
}

void CliWorld::script(const QString &name, const QByteArray &body) const
{
    writeFile(path(name), "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

std::unique_ptr<QProcess> CliWorld::start(QStringList arguments) const
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier([limit = fileSizeLimit] {
        ::setpgid(0, 0);
        if (limit >= 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit fileSize{rlim_t(limit), rlim_t(limit)};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
        }
    });
    process->setWorkingDirectory(workingDirectory);
    if (!outputFile.isEmpty())
        process->setStandardOutputFile(outputFile);
    process->start(qEnvironmentVariable("SONQUILL_BIN_DIR") + "/sonquill-cli",
                   arguments.replaceInStrings("@", dir.path()));
    process->waitForStarted();
    return process;
}

Outcome CliWorld::run(const QStringList &arguments) const
{
    const auto process = start(arguments);
    if (!process->waitForFinished(180000) || process->exitStatus() != QProcess::NormalExit)
        return {};
    return {process->exitCode(), QString::fromUtf8(process->readAllStandardOutput()),
            QString::fromUtf8(process->readAllStandardError())};
}

QStringList names(const QJsonValue &array)
{
    QStringList result;
    for (const QJsonValue &value : array.toArray())
        result << (value.isObject() ? value["name"].toString() : value.toString());
    return result;
}

} // namespace sonquill::test
