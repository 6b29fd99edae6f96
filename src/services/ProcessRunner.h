#pragma once

#include <QString>

#include <functional>

namespace sonquill {

// How a started program ended, as far as the wait could tell.
struct RunResult
{
    enum class Outcome {
        NotStarted, // the program could not be started; no process exists
        Finished,   // the process ended within the wait
        TimedOut,   // the wait ran out; the process was ended and reaped
        Cancelled,  // the caller asked to stop; the process was ended and reaped
    };
    Outcome outcome = Outcome::NotStarted;
    int exitCode = -1;    // Finished: the exit code, -1 when it was killed by a signal
    bool crashed = false; // Finished: ended by a signal
    QString error;        // NotStarted: why, in the platform's words
    QString errorOutput;  // the last lines the program wrote to its standard error, joined

    bool succeeded() const { return outcome == Outcome::Finished && !crashed && exitCode == 0; }
};

// Starts an external program from a command line and waits for it a limited time.
class ProcessRunner
{
public:
    virtual ~ProcessRunner() = default;
    // Splits commandLine as QProcess::splitCommand does (blanks separate, double quotes group)
    // and starts it without a shell. Waits at most timeoutMs; a process still running then is
    // ended (asked first, then killed) and reaped. hideWindow discards the child's output. A
    // program that cannot be started leaves no process. idle is called now and then during the
    // wait.
    virtual RunResult RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                                 const std::function<void()> &idle = {}) = 0;
    // As RunAndWait; stop is asked now and then, and a true answer ends the process at once.
    // A runner that cannot stop a process early only lets stop pass the time.
    virtual RunResult RunUntil(const QString &commandLine, bool hideWindow, int timeoutMs,
                               const std::function<bool()> &stop)
    {
        return RunAndWait(commandLine, hideWindow, timeoutMs, [&stop] {
            if (stop)
                stop();
        });
    }
    // True when several threads may run programs through this runner at once.
    virtual bool concurrent() const { return false; }
};

} // namespace sonquill
