#include "DisplayOrder.h"

#include "TextFormats.h"

#include <QCollator>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

namespace sonquill {

void SortState::headerClicked(qint16 code)
{
    if (code != PrimarySort) {
        SecondarySort = PrimarySort;
        PrimarySort = code;
    }
}

namespace {

// A value read from the file: unknown ones first, then by value; every key has the same width,
// so the secondary part lines up.
QString measuredKey(std::optional<qint64> value)
{
    return value ? QLatin1Char('1') + QStringLiteral("%1").arg(*value, 15, 10, QLatin1Char('0'))
                 : QStringLiteral("0").repeated(16);
}

// By hundredths of a decibel.
QString decibelKey(double value)
{
    if (!std::isfinite(value))
        return measuredKey(std::nullopt);
    return measuredKey(std::llround((std::clamp(value, -1e6, 1e6) + 1e6) * 100));
}

} // namespace

QString SortKeyPart(const SoundRecord &record, qint16 code, const FileMeasures &measures)
{
    switch (code) {
    case SortNumber:
        return FourDigitNumber(record.number);
    case SortLock:
        return record.isLocked() ? QStringLiteral("0") : QStringLiteral("1");
    case SortCategory:
        return record.category;
    case SortName:
        return record.name;
    case SortFilename:
        return record.filename;
    case SortSize: {
        const double whole = std::nearbyint(double(record.size));
        const qint64 bytes = qint64(std::clamp(whole, -1e15, 1e15));
        return bytes < 0 ? QStringLiteral("-%1").arg(-bytes, 14, 10, QLatin1Char('0'))
                         : QStringLiteral("%1").arg(bytes, 14, 10, QLatin1Char('0'));
    }
    case SortLength:
        // By milliseconds.
        return measures.seconds < 0
                   ? measuredKey(std::nullopt)
                   : measuredKey(std::llround(std::min(measures.seconds, 1e12) * 1000));
    case SortLoudness:
        return decibelKey(measures.lufs);
    case SortTruePeak:
        return decibelKey(measures.truePeak);
    default:
        return {};
    }
}

QString SortKey(const SoundRecord &record, const SortState &state, const FileMeasures &measures)
{
    const qint16 secondary =
        (state.SecondarySort >= SortLock && state.SecondarySort <= SortTruePeak)
            ? state.SecondarySort
            : qint16(SortNumber);
    return SortKeyPart(record, state.PrimarySort, measures) +
           SortKeyPart(record, secondary, measures);
}

QList<int> MakeSort(const SoundTable &table, const SortState &state,
                    const QList<FileMeasures> &measures)
{
    const int count = table.SoundCount();
    QCollator collator; // the user's locale
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);

    // One key per entry, then one stable sort, so that equal keys keep table order. Keys are
    // compared directly: collation sort keys ignore the case setting in the C locale.
    QStringList keys;
    keys.reserve(count);
    for (qsizetype i = 0; i < table.records().size(); ++i)
        keys.append(SortKey(table.records()[i], state, measures.value(i)));

    QList<int> order(count);
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return collator.compare(keys[a - 1], keys[b - 1]) < 0; });
    return order;
}

} // namespace sonquill
