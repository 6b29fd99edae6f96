#include "SoundLists.h"

#include "AnsiCodec.h"
#include "AtomicFile.h"
#include "catalogue/TextFormats.h"

namespace sonquill {

namespace {

void appendLine(QByteArray &out, const QByteArray &line)
{
    out.append(line);
    out.append(kCrLf.toLatin1());
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
        appendLine(out, FourDigitNumber(record.number).toLatin1() + " : " +
                            padded(record.name, 51) + EncodeAnsi(record.filename));
    }
    return out;
}

QByteArray WinampListBytes(const SoundTable &table, const QList<int> &order)
{
    QByteArray out;
    appendLine(out, "#EXTM3U");
    for (int index : order) {
        if (table.isValidIndex(index))
            // Players on this machine read the playlist in the system's encoding, UTF-8.
            appendLine(out, table.at(index).filename.toUtf8());
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

} // namespace sonquill
