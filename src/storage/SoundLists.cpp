#include "SoundLists.h"

#include "AnsiCodec.h"
#include "DeviceError.h"

#include <QSaveFile>

namespace sonquill {

namespace {

constexpr char kLineEnd[] = "\r\n";

void appendLine(QByteArray &out, const QByteArray &line)
{
    out.append(line);
    out.append(kLineEnd);
}

// A text of up to width - 1 characters is filled with blanks to width characters; a longer one
// stays as it is. Counted in code-page bytes, so the columns line up in the file.
QByteArray padded(const QString &text, qsizetype width)
{
    QByteArray bytes = EncodeAnsi(text);
    if (bytes.size() < width)
        bytes.append(width - bytes.size(), ' ');
    return bytes;
}

// The number as at least four digits with leading zeros; a negative one keeps its sign in front.
QByteArray fourDigits(qint16 number)
{
    const int magnitude = number < 0 ? -int(number) : int(number);
    QByteArray digits = QByteArray::number(magnitude).rightJustified(4, '0');
    if (number < 0)
        digits.prepend('-');
    return digits;
}

} // namespace

QByteArray ListOfAllBytes(const SoundTable &table, const QList<int> &order)
{
    QByteArray out;
    appendLine(out, "--- Sounds ---");
    appendLine(out, " ");
    appendLine(out, "Category : Name");
    appendLine(out, " ");
    for (int index : order) {
        if (!table.isValidIndex(index))
            continue;
        const SoundRecord &record = table.at(index);
        appendLine(out, padded(record.category, 21) + " : " + EncodeAnsi(record.name));
    }
    return out;
}

QByteArray ListOfLockedBytes(const SoundTable &table)
{
    QByteArray out;
    appendLine(out, "--- The following sounds are locked to these numbers: ---");
    appendLine(out, " ");
    appendLine(out, "Number : Name, Filename ");
    appendLine(out, " ");
    for (const SoundRecord &record : table.records()) {
        if (!record.isLocked())
            continue;
        appendLine(out, fourDigits(record.number) + " : " + padded(record.name, 51) +
                            EncodeAnsi(record.filename));
    }
    return out;
}

QByteArray WinampListBytes(const SoundTable &table, const QList<int> &order)
{
    QByteArray out;
    appendLine(out, "#EXTM3U");
    for (int index : order) {
        if (table.isValidIndex(index))
            appendLine(out, EncodeAnsi(table.at(index).filename));
    }
    return out;
}

FileError MakeListOfAll(const SoundTable &table, const QList<int> &order, const QString &path)
{
    return WriteWholeFile(path, ListOfAllBytes(table, order));
}

FileError MakeListOfLocked(const SoundTable &table, const QString &path)
{
    return WriteWholeFile(path, ListOfLockedBytes(table));
}

FileError MakeWinampList(const SoundTable &table, const QList<int> &order, const QString &path)
{
    return WriteWholeFile(path, WinampListBytes(table, order));
}

FileError WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return DeviceError(file);
    if (file.write(bytes) != bytes.size()) {
        const FileError error = DeviceError(file);
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) {
        FileError error = DeviceError(file);
        // Putting the finished copy in place can fail without a description from the platform.
        if (error.description.isEmpty() || error.description == QLatin1String("Unknown error"))
            error.description = QStringLiteral("The new file could not replace the old one");
        return error;
    }
    return {};
}

} // namespace sonquill
