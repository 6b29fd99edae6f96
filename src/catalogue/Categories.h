#pragma once

#include "SoundTable.h"

#include <QStringList>

namespace sonquill {

// The distinct non-empty categories of the table, compared without regard to letter case,
// each in the spelling of its first occurrence, in order of first occurrence.
QStringList CollectCategories(const SoundTable &table);

} // namespace sonquill
