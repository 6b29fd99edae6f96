#include "SoundTable.h"

#include "PathUtils.h"

#include <bitset>

namespace sonquill {

qint16 SoundTable::AddSound(SoundRecord &record)
{
    if (m_records.size() >= kMaxCount)
        return 0;
    record.number = FirstFreeNumber();
    m_records.append(record);
    return SoundCount();
}

void SoundTable::RemoveSound(int index)
{
    if (isValidIndex(index))
        m_records.removeAt(index - 1);
}

void SoundTable::ClearSounds()
{
    m_records.clear();
}

void SoundTable::SetAllSelected(bool value)
{
    for (SoundRecord &record : m_records)
        record.selected = toBool16(value);
}

qint16 SoundTable::CountSelected() const
{
    return qint16(std::count_if(m_records.cbegin(), m_records.cend(),
                                [](const SoundRecord &r) { return r.isSelected(); }));
}

void SoundTable::RefreshSizes(bool force)
{
    for (SoundRecord &record : m_records) {
        if (force || record.size == 0.0f)
            record.size = float(FileSizeBytes(record.filename));
    }
}

qint16 SoundTable::FirstFreeNumber() const
{
    std::bitset<kHighestNumber + 1> used;
    for (const SoundRecord &record : m_records) {
        if (record.number >= kLowestNumber && record.number <= kHighestNumber)
            used.set(std::size_t(record.number));
    }
    for (qint16 n = kLowestNumber; n <= kHighestNumber; ++n) {
        if (!used.test(std::size_t(n)))
            return n;
    }
    return 0;
}

std::optional<QString> SoundTable::FindNumber(qint16 number) const
{
    const int index = IndexOfNumber(number);
    if (index == 0)
        return std::nullopt;
    return at(index).name;
}

int SoundTable::IndexOfNumber(qint16 number) const
{
    for (qsizetype i = 0; i < m_records.size(); ++i) {
        if (m_records[i].number == number)
            return int(i + 1);
    }
    return 0;
}

void SoundTable::replaceAll(QList<SoundRecord> records)
{
    if (records.size() > kMaxCount)
        records.resize(kMaxCount);
    m_records = std::move(records);
}

} // namespace sonquill
