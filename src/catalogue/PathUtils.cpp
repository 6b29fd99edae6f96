#include "PathUtils.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sonquill {

namespace {

qsizetype lastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
}

// The file system's search knows only '*' (any run of characters) and '?' (one character);
// brackets and every other character stand for themselves.
QRegularExpression wildcardMatcher(const QString &pattern)
{
    QString expression;
    qsizetype literalStart = 0;
    for (qsizetype i = 0; i <= pattern.size(); ++i) {
        const bool end = i == pattern.size();
        if (!end && pattern[i] != QLatin1Char('*') && pattern[i] != QLatin1Char('?'))
            continue;
        expression += QRegularExpression::escape(pattern.mid(literalStart, i - literalStart));
        if (!end)
            expression +=
                pattern[i] == QLatin1Char('*') ? QStringLiteral(".*") : QStringLiteral(".");
        literalStart = i + 1;
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

QString NameFromPath(const QString &path)
{
    QString name = path.mid(lastSeparator(path) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

QString FolderFromPath(const QString &path)
{
    const qsizetype separator = lastSeparator(path);
    return separator < 0 ? QString() : path.left(separator);
}

QString FileExtension(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? path : path.mid(dot + 1);
}

qint32 FileSizeBytes(const QString &path)
{
    if (path.isEmpty())
        return -1;
#ifdef Q_OS_WIN
    // Opening a pipe or a device could block for good; such entries have no size to measure.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return -1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return CatalogueSize(file.size());
#else
    // A file that could be opened for reading, without opening it: every load measures every
    // source, and two system calls a file are what a catalogue of 999 can afford.
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(name.constData(), R_OK) != 0)
        return -1;
    return CatalogueSize(info.st_size);
#endif
}

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const qsizetype separator = lastSeparator(path);
    const QString pattern = path.mid(separator + 1);
    if (!pattern.contains(QLatin1Char('*')) && !pattern.contains(QLatin1Char('?'))) {
        const QFileInfo info(path);
        if (info.exists() && !info.isDir())
            return true;
        // Names are matched without regard to case, as on Windows.
    }
    if (pattern.isEmpty())
        return false;
    QString folder = separator < 0 ? QStringLiteral(".") : path.left(separator);
    if (folder.isEmpty())
        folder = QStringLiteral("/");
    const QRegularExpression matcher = wildcardMatcher(pattern);
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        if (matcher.match(entries.fileName()).hasMatch())
            return true;
    }
    return false;
}

QString JoinPath(const QString &folder, const QString &fileName)
{
    return folder + QDir::separator() + fileName;
}

} // namespace sonquill
