#pragma once

#include "SoundTable.h"

#include <QList>
#include <QString>

namespace sonquill {

// Column codes of the display order: the grid's column position plus one.
enum SortColumn : qint16 {
    SortNone = 0,
    SortNumber = 1,
    SortLock = 2,
    SortCategory = 3,
    SortName = 4,
    SortFilename = 5,
    SortSize = 6,
    SortLength = 7, // the sound's length, read from the file; not part of the record
};

// The two sort keys chosen by clicks on the grid's column headers.
struct SortState
{
    qint16 PrimarySort = SortNone;
    qint16 SecondarySort = SortNone;

    // A click on the header of column code: a new column becomes primary and the old
    // primary becomes secondary; the current primary column changes nothing.
    void headerClicked(qint16 code);
};

// The key part of a record for a column code (empty for codes outside 1 to 7); seconds is the
// sound's length for SortLength, negative when unknown.
QString SortKeyPart(const SoundRecord &record, qint16 code, double seconds = -1);
// The whole sort key of a record: primary part followed directly by the secondary part.
QString SortKey(const SoundRecord &record, const SortState &state, double seconds = -1);

// The display order: 1-based table indexes, sorted ascending by SortKey compared as text
// without regard to letter case in the user's locale; equal keys keep table order. seconds
// holds each sound's length in table order (empty: all unknown).
QList<int> MakeSort(const SoundTable &table, const SortState &state,
                    const QList<double> &seconds = {});

} // namespace sonquill
