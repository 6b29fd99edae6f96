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

} // namespace sonquill
