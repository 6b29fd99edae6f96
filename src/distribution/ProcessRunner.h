#pragma once

#include <QString>

#include <functional>

namespace sonquill {

// Starts an external program from a command line and waits for it a limited time.
class ProcessRunner
{
public:
    virtual ~ProcessRunner() = default;
    // Splits commandLine as QProcess::splitCommand does (blanks separate, double quotes group)
    // and starts it without a shell. Waits at most timeoutMs; a process still running then is
    // not stopped and is reaped when it ends. hideWindow discards the child's output. A program
    // that cannot be started leaves no process; nothing is reported. idle is called now and
    // then during the wait.
    virtual void RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                            const std::function<void()> &idle = {}) = 0;
};

// The real runner.
class SystemProcessRunner : public ProcessRunner
{
public:
    void RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                    const std::function<void()> &idle = {}) override;
};

} // namespace sonquill
