#include "DisplayOrder.h"

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

QString SortKeyPart(const SoundRecord &record, qint16 code)
{
    switch (code) {
    case SortNumber:
        // Zero-padded to at least four digits; a negative number keeps its sign in front.
        return record.number < 0
                   ? QStringLiteral("-%1").arg(-int(record.number), 4, 10, QLatin1Char('0'))
                   : QStringLiteral("%1").arg(int(record.number), 4, 10, QLatin1Char('0'));
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
    default:
        return {};
    }
}

QString SortKey(const SoundRecord &record, const SortState &state)
{
    const qint16 secondary = (state.SecondarySort >= SortLock && state.SecondarySort <= SortSize)
                                 ? state.SecondarySort
                                 : qint16(SortNumber);
    return SortKeyPart(record, state.PrimarySort) + SortKeyPart(record, secondary);
}

QList<int> MakeSort(const SoundTable &table, const SortState &state)
{
    const int count = table.SoundCount();
    QCollator collator; // the user's locale
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);

    // One key per entry, compared through precomputed collation keys: a single pass plus one
    // sort, stable so that equal keys keep table order.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(count));
    for (const SoundRecord &record : table.records())
        keys.push_back(collator.sortKey(SortKey(record, state)));

    QList<int> order(count);
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        return keys[std::size_t(a - 1)].compare(keys[std::size_t(b - 1)]) < 0;
    });
    return order;
}

} // namespace sonquill
