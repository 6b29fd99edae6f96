#pragma once

#include "services/UiServices.h"

namespace sonquill {

// The desktop's default applications, a sound editor found on the search path, and a
// system-information tool.
class QtDesktopShell : public DesktopShell
{
public:
    // 33 when the file was handed on; 2 when it does not exist or nothing takes the verb.
    int ShellExecute(const QString &path, const QString &verb) override;
    bool startSystemInformation() override;
};

} // namespace sonquill
