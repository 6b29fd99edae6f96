#pragma once

#include <QString>

namespace sonquill {

// A failed file operation: the platform's error number and description. Number 0 means none.
struct FileError
{
    int number = 0;
    QString description;

    bool isError() const { return number != 0; }
    explicit operator bool() const { return isError(); }
};

// The number reported for a saved catalogue that ends before all the records its count
// announces; kept apart from the platform's file error numbers (0 to 14).
inline constexpr int kFileEndsEarlyError = 62;

} // namespace sonquill
