#include "Categories.h"

#include <QSet>

namespace sonquill {

QStringList CollectCategories(const SoundTable &table)
{
    QStringList categories;
    QSet<QString> seen; // upper-cased spellings already listed
    for (const SoundRecord &record : table.records()) {
        if (record.category.isEmpty())
            continue;
        const QString key = record.category.toUpper();
        if (!seen.contains(key)) {
            seen.insert(key);
            categories.append(record.category);
        }
    }
    return categories;
}

} // namespace sonquill
