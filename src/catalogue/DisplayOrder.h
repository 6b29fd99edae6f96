#pragma once

#include "SoundTable.h"

#include <QList>
#include <QString>

#include <limits>

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
    SortLength = 7,   // the sound's length, read from the file; not part of the record
    SortLoudness = 8, // its integrated loudness, measured from the file
    SortTruePeak = 9, // its true peak, measured from the file
};

// What a sound's file was read or measured to hold, for the columns that are not part of the
// record; NaN (a negative length) where it is not known.
struct FileMeasures
{
    double seconds = -1;
    double lufs = std::numeric_limits<double>::quiet_NaN();
    double truePeak = std::numeric_limits<double>::quiet_NaN();
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

// The key part of a record for a column code (empty for codes outside 1 to 9); measures give
// the values of the columns read from the file, unknown ones first.
QString SortKeyPart(const SoundRecord &record, qint16 code, const FileMeasures &measures = {});
// The whole sort key of a record: primary part followed directly by the secondary part.
QString SortKey(const SoundRecord &record, const SortState &state,
                const FileMeasures &measures = {});

// The display order: 1-based table indexes, sorted ascending by SortKey compared as text
// without regard to letter case in the user's locale; equal keys keep table order. measures
// holds each sound's in table order (empty: all unknown).
QList<int> MakeSort(const SoundTable &table, const SortState &state,
                    const QList<FileMeasures> &measures = {});

} // namespace sonquill
