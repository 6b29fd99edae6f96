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

namespace {

// A sound extension comes back as the shared text of the list, without a string of its own:
// a run asks for every sound's.
QString extensionAfter(QStringView tail)
{
    for (const QString &known : SoundExtensions()) {
        if (tail.size() != known.size())
            continue;
        qsizetype i = 0;
        for (; i < tail.size(); ++i) {
            char16_t unit = tail[i].unicode();
            if (unit >= u'A' && unit <= u'Z')
                unit = char16_t(unit + (u'a' - u'A'));
            if (unit != known[i].unicode())
                break;
        }
        if (i == tail.size())
            return known;
    }
    return tail.trimmed().toString().toLower();
}

} // namespace

QString SoundExtension(const QString &path)
{
    // One pass from the end: the last dot, unless a folder separator comes first.
    for (qsizetype at = path.size() - 1; at >= 0; --at) {
        const QChar unit = path.at(at);
        if (unit == QLatin1Char('.'))
            return extensionAfter(QStringView(path).mid(at + 1));
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
    QString name(5 + count + 1 + extension.size(), Qt::Uninitialized);
    char16_t *at = reinterpret_cast<char16_t *>(name.data());
    at = std::copy_n(u"SOUND", 5, at);
    while (count > 0)
        *at++ = digits[--count];
    *at++ = u'.';
    std::copy_n(reinterpret_cast<const char16_t *>(extension.unicode()), extension.size(), at);
    return name;
}

std::optional<qint16> NumberOfSoundFileName(const QString &fileName)
{
    // Asked of every file of a game folder: the prefix is compared unit by unit, and only a
    // name with other than ASCII in it goes through Qt's case folding.
    const char16_t *units = reinterpret_cast<const char16_t *>(fileName.unicode());
    const qsizetype size = fileName.size();
    bool prefix = size >= 5;
    bool ascii = true;
    for (qsizetype i = 0; prefix && i < 5; ++i) {
        const char16_t unit = units[i];
        ascii = ascii && unit < 0x80;
        prefix = (unit >= u'a' ? char16_t(unit - (u'a' - u'A')) : unit) == u"SOUND"[i];
    }
    if (!prefix && (ascii || !fileName.startsWith(QLatin1String("SOUND"), Qt::CaseInsensitive)))
        return std::nullopt;
    qsizetype at = 5;
    int number = 0;
    while (at < size && at < 8 && units[at] >= u'0' && units[at] <= u'9') {
        if (at == 5 && units[at] == u'0')
            return std::nullopt;
        number = number * 10 + (units[at] - u'0');
        ++at;
    }
    if (at == 5 || at >= size || units[at] != u'.')
        return std::nullopt;
    if (number < SoundTable::kLowestNumber || number > SoundTable::kHighestNumber)
        return std::nullopt;
    return qint16(number);
}

} // namespace sonquill
