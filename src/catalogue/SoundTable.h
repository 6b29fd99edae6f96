#pragma once

#include "SoundRecord.h"

#include <QList>

#include <optional>

namespace sonquill {

// The catalogue: records in the order they were added (or loaded), indexed from 1.
// A value type; the window, the command-line tool and tests each own their own.
class SoundTable
{
public:
    static constexpr int kMaxCount = 32767; // the count is saved as a 16-bit signed number
    static constexpr qint16 kLowestNumber = 1;
    static constexpr qint16 kHighestNumber = 999;

    qint16 SoundCount() const { return qint16(m_records.size()); }
    bool isEmpty() const { return m_records.isEmpty(); }
    bool isValidIndex(int index) const { return index >= 1 && index <= m_records.size(); }

    // 1-based access; the index must be valid.
    const SoundRecord &at(int index) const { return m_records[index - 1]; }
    SoundRecord &at(int index) { return m_records[index - 1]; }
    const QList<SoundRecord> &records() const { return m_records; }

    // Appends a copy of record with the lowest free number, which is also written into record.
    // Returns the new 1-based index, or 0 (nothing appended) when the table already holds
    // kMaxCount records.
    [[nodiscard]] qint16 AddSound(SoundRecord &record);
    // Removes the entry at index; later entries move down one place. Invalid indexes do nothing.
    void RemoveSound(int index);
    void ClearSounds();
    void SetAllSelected(bool value);
    qint16 CountSelected() const;
    // Measures the size of every entry whose size is 0, or of every entry when force is true.
    void RefreshSizes(bool force);

    // Lowest number from 1 to 999 that no entry carries; 0 when all are in use.
    qint16 FirstFreeNumber() const;
    // The name of the first entry (table order) carrying number, if any.
    std::optional<QString> FindNumber(qint16 number) const;
    // 1-based index of the first entry carrying number, or 0.
    int IndexOfNumber(qint16 number) const;

    // Replaces the whole catalogue, as a load does. At most kMaxCount records are kept.
    void replaceAll(QList<SoundRecord> records);

    friend bool operator==(const SoundTable &, const SoundTable &) = default;

private:
    QList<SoundRecord> m_records;
};

} // namespace sonquill
