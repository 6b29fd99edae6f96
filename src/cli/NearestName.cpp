#include "NearestName.h"

#include <QList>

#include <algorithm>

namespace sonquill::cli {

namespace {

// Edits from a to b, a swap of two neighbouring letters counting as one ("lsit" is one from
// "list").
qsizetype editDistance(const QString &a, const QString &b)
{
    const qsizetype rows = a.size() + 1;
    const qsizetype cols = b.size() + 1;
    QList<qsizetype> d(rows * cols);
    const auto at = [&](qsizetype i, qsizetype j) -> qsizetype & { return d[i * cols + j]; };
    for (qsizetype i = 0; i < rows; ++i)
        at(i, 0) = i;
    for (qsizetype j = 0; j < cols; ++j)
        at(0, j) = j;
    for (qsizetype i = 1; i < rows; ++i) {
        for (qsizetype j = 1; j < cols; ++j) {
            const qsizetype cost = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
        }
    }
    return at(rows - 1, cols - 1);
}

} // namespace

QString NearestName(const QString &typed, const QStringList &names)
{
    QString nearest;
    qsizetype fewest = std::max<qsizetype>(1, typed.size() / 3) + 1;
    for (const QString &name : names) {
        const qsizetype distance = editDistance(typed.toLower(), name);
        if (distance < fewest) {
            fewest = distance;
            nearest = name;
        }
    }
    return nearest;
}

} // namespace sonquill::cli
