#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace sonquill {

// Booleans kept in records are 16-bit: 0 false, -1 true; any nonzero value reads as true.
using Bool16 = qint16;
inline constexpr Bool16 kTrue16 = -1;
inline constexpr Bool16 kFalse16 = 0;
inline constexpr Bool16 toBool16(bool value)
{
    return value ? kTrue16 : kFalse16;
}

// One catalogue entry. The field order is the order of the saved catalogue file.
struct SoundRecord
{
    QString name;
    QString filename;
    qint16 number = 0;
    Bool16 locked = kFalse16;
    QString category;
    Bool16 selected = kFalse16;
    float size = 0.0f; // bytes; 0 not yet measured, -1 could not be opened
    std::array<char, 36> reserved{};
    std::array<QString, 8> reservedText{};

    bool isLocked() const { return locked != 0; }
    bool isSelected() const { return selected != 0; }

    friend bool operator==(const SoundRecord &, const SoundRecord &) = default;
};

} // namespace sonquill
