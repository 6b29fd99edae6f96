#include "FileUtils.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>

namespace sonquill {

namespace {

qsizetype lastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

// The text without blanks, as the number reader skips them anywhere.
QString withoutBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!isBlank(c))
            out.append(c);
    return out;
}

// "&H" and "&O" numbers: values that fit 16 bits read as signed 16-bit ("&HFFFF" is -1), larger
// ones as signed 32-bit, as the classic reader does; beyond 32 bits they overflow.
std::optional<double> readRadixNumber(const QString &text, int base)
{
    quint64 value = 0;
    int digits = 0;
    for (qsizetype i = 2; i < text.size(); ++i) {
        const char16_t c = text[i].toLower().unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = 10 + (c - u'a');
        if (digit < 0 || digit >= base)
            break;
        value = value * quint64(base) + quint64(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
        ++digits;
    }
    if (value <= 0xFFFF)
        return double(qint16(quint16(value)));
    return double(qint32(quint32(value)));
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
    // Opening a pipe or a device could block for good; such entries have no size to measure.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return -1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return qint32(quint32(quint64(file.size()) & 0xFFFFFFFFu));
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

qint16 ToInteger(const QString &text)
{
    const QString s = withoutBlanks(text);
    double value = 0.0;
    if (s.size() >= 2 && s[0] == QLatin1Char('&') &&
        (s[1].toUpper() == QLatin1Char('H') || s[1].toUpper() == QLatin1Char('O'))) {
        const auto radix = readRadixNumber(s, s[1].toUpper() == QLatin1Char('H') ? 16 : 8);
        if (!radix)
            return 0;
        value = *radix;
    } else {
        // Sign, digits, "." and digits, then an exponent only when digits follow its "E".
        qsizetype i = 0;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
            ++i;
        const qsizetype mantissaStart = i;
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128)
            ++i;
        if (i < s.size() && s[i] == QLatin1Char('.')) {
            ++i;
            while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128)
                ++i;
        }
        const QString mantissa = s.mid(mantissaStart, i - mantissaStart);
        if (mantissa.isEmpty() || mantissa == QLatin1String("."))
            return 0;
        qsizetype end = i;
        if (i < s.size() && (s[i] == QLatin1Char('E') || s[i] == QLatin1Char('e') ||
                             s[i] == QLatin1Char('D') || s[i] == QLatin1Char('d'))) {
            qsizetype j = i + 1;
            if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
                ++j;
            const qsizetype digitsStart = j;
            while (j < s.size() && s[j].isDigit() && s[j].unicode() < 128)
                ++j;
            if (j > digitsStart)
                end = j;
        }
        QString number = s.left(end);
        number.replace(QLatin1Char('D'), QLatin1Char('E'))
            .replace(QLatin1Char('d'), QLatin1Char('e'));
        bool ok = false;
        value = number.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return 0;
    }
    value = std::clamp(value, -32000.0, 32000.0);
    return qint16(RoundHalfEven(value));
}

QString JoinPath(const QString &folder, const QString &fileName)
{
    return folder + QDir::separator() + fileName;
}

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    return std::nearbyint(value); // the default rounding mode rounds halves to even
}

QString KilobytesText(double bytes)
{
    const float kilobytes = float(bytes) / 1000.0f;
    const double rounded = RoundHalfEven(double(kilobytes));
    return QString::number(qint64(rounded == 0.0 ? 0.0 : rounded));
}

} // namespace sonquill
