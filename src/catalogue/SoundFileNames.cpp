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
    // One pass from the end: the last dot, unless a folder separator comes first.
    for (qsizetype at = path.size() - 1; at >= 0; --at) {
        const QChar unit = path.at(at);
        if (unit == QLatin1Char('.'))
            return path.mid(at + 1).trimmed().toLower();
        if (unit == QLatin1Char('/') || unit == QLatin1Char('\\'))
            break;
    }
    return {};
}

bool IsSoundFile(const QString &path)
{
    return SoundExtensions().contains(SoundExtension(path));
}

QString SoundFileName(qint16 number, const QString &extension)
{
    // Built in one buffer: a run names every sound's file, and one with nothing to do spends
    // little else.
    char16_t digits[8];
    qsizetype count = 0;
    int value = qAbs(int(number));
    do {
        digits[count++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value > 0);
    if (number < 0)
        digits[count++] = u'-';
    QString name;
    name.reserve(5 + count + 1 + extension.size());
    name += QLatin1String("SOUND");
    while (count > 0)
        name += QChar(digits[--count]);
    name += QLatin1Char('.');
    name += extension;
    return name;
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
