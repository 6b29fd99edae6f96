#pragma once

#include "services/ProcessRunner.h"

namespace sonquill {

// The real runner: starts programs without a shell, each in its own process group.
class SystemProcessRunner : public ProcessRunner
{
public:
    RunResult RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                         const std::function<void()> &idle = {}) override;
    RunResult RunUntil(const QString &commandLine, bool hideWindow, int timeoutMs,
                       const std::function<bool()> &stop) override;
    bool concurrent() const override { return true; }
};

} // namespace sonquill
