#include "DisplayOrder.h"

#include "TextFormats.h"

#include <QCollator>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace sonquill {

void SortState::headerClicked(qint16 code)
{
    if (code != PrimarySort) {
        SecondarySort = PrimarySort;
        PrimarySort = code;
    }
}

QString SortKeyPart(const SoundRecord &record, qint16 code, double seconds)
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
        // Unknown lengths first, then by milliseconds; every key has the same width, so the
        // secondary part lines up.
        return seconds < 0
                   ? QStringLiteral("0").repeated(16)
                   : QLatin1Char('1') + QStringLiteral("%1").arg(
                                            qint64(std::llround(std::min(seconds, 1e12) * 1000)),
                                            15, 10, QLatin1Char('0'));
    default:
        return {};
    }
}

QString SortKey(const SoundRecord &record, const SortState &state, double seconds)
{
    const qint16 secondary = (state.SecondarySort >= SortLock && state.SecondarySort <= SortLength)
                                 ? state.SecondarySort
                                 : qint16(SortNumber);
    return SortKeyPart(record, state.PrimarySort, seconds) +
           SortKeyPart(record, secondary, seconds);
}

QList<int> MakeSort(const SoundTable &table, const SortState &state, const QList<double> &seconds)
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
        keys.append(SortKey(table.records()[i], state, seconds.value(i, -1)));

    QList<int> order(count);
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return collator.compare(keys[a - 1], keys[b - 1]) < 0; });
    return order;
}

} // namespace sonquill
