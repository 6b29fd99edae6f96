#pragma once

#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace sonquill::test {

// What a finished sonquill-cli gave back.
struct Outcome
{
    int exitCode = -1;
    QString out, err;
    // "<exit code>|<output>|<error output>", to compare at once.
    QString all() const { return QString::number(exitCode) + '|' + out + '|' + err; }
};

// A world of its own for the real sonquill-cli: settings, cache, state and home in a temporary
// folder, with an empty folder, a game folder and a folder of sounds beside them. "@" in
// arguments and expanded texts stands for the world's folder.
struct CliWorld
{
    CliWorld();

    QString path(const QString &relative) const { return dir.filePath(relative); }
    QString expand(QString text) const { return text.replace(QLatin1Char('@'), dir.path()); }
    // An executable shell script of that name in the world's folder.
    void script(const QString &name, const QByteArray &body) const;

    // Starts sonquill-cli in a process group of its own, as a shell starts a command.
    std::unique_ptr<QProcess> start(QStringList arguments) const;
    // Runs it to its end; an Outcome with exit code -1 if it crashed or hung.
    Outcome run(const QStringList &arguments) const;
    Outcome inGame(const QStringList &arguments) const
    {
        return run(QStringList{"-g", "@/game"} + arguments);
    }

    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString workingDirectory;  // empty: the test's own
    QString outputFile;        // where standard output goes instead of the test
    qint64 fileSizeLimit = -1; // >= 0: writes past it fail with EFBIG, as on a full disk
};

// A JSON array's strings, or its objects' names.
QStringList names(const QJsonValue &array);

} // namespace sonquill::test
