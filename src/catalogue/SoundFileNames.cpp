#include "SoundFileNames.h"

#include "SoundTable.h"

#include <algorithm>

namespace sonquill {

const QStringList &SoundExtensions()
{
    static const QStringList extensions{QStringLiteral("wav"), QStringLiteral("mp3"),
                                        QStringLiteral("ogg"), QStringLiteral("voc")};
    return extensions;
}

QString SoundExtension(const QString &path)
{
    const qsizetype separator =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < separator)
        return {};
    return path.mid(dot + 1).trimmed().toLower();
}

bool IsSoundFile(const QString &path)
{
    return SoundExtensions().contains(SoundExtension(path));
}

QString SoundFileName(qint16 number, const QString &extension)
{
    return QStringLiteral("SOUND") + QString::number(number) + QLatin1Char('.') + extension;
}

std::optional<qint16> NumberOfSoundFileName(const QString &fileName)
{
    if (!fileName.startsWith(QLatin1String("SOUND"), Qt::CaseInsensitive))
        return std::nullopt;
    qsizetype at = 5;
    int number = 0;
    while (at < fileName.size() && at < 8 && fileName[at].isDigit() &&
           fileName[at].unicode() < 128) {
        if (at == 5 && fileName[at] == QLatin1Char('0'))
            return std::nullopt;
        number = number * 10 + (fileName[at].unicode() - '0');
        ++at;
    }
    if (at == 5 || at >= fileName.size() || fileName[at] != QLatin1Char('.'))
        return std::nullopt;
    if (number < SoundTable::kLowestNumber || number > SoundTable::kHighestNumber)
        return std::nullopt;
    return qint16(number);
}

} // namespace sonquill
