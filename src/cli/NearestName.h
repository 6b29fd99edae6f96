#pragma once

#include <QString>
#include <QStringList>

namespace sonquill::cli {

// The name a mistyped word was most likely meant to be: the first of names with the fewest
// edits (insertions, deletions, substitutions, swaps of neighbours) from typed, if that is at
// most one edit per three letters typed (at least one); otherwise empty.
QString NearestName(const QString &typed, const QStringList &names);

} // namespace sonquill::cli
