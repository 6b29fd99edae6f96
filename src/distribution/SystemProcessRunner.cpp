#include "SystemProcessRunner.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
#endif

namespace sonquill {

namespace {

// How long an ended encoder may take to tidy up before it is killed.
constexpr int kGraceMs = 300;

RunResult notStarted(const QString &why)
{
    RunResult result;
    result.error = why;
    return result;
}

RunResult endedByUs(RunResult::Outcome outcome)
{
    RunResult result;
    result.outcome = outcome;
    return result;
}

} // namespace

RunResult SystemProcessRunner::RunAndWait(const QString &commandLine, bool hideWindow,
                                          int timeoutMs, const std::function<void()> &idle)
{
    return RunUntil(commandLine, hideWindow, timeoutMs, [&idle] {
        if (idle)
            idle();
        return false;
    });
}

#ifdef Q_OS_WIN

RunResult SystemProcessRunner::RunUntil(const QString &commandLine, bool hideWindow, int timeoutMs,
                                        const std::function<bool()> &stop)
{
    const QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        return notStarted(QStringLiteral("The command line is empty"));
    QProcess starter;
    starter.setProgram(parts.first());
    starter.setArguments(parts.mid(1));
    if (hideWindow) {
        starter.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
            arguments->flags |= CREATE_NO_WINDOW;
        });
    }
    qint64 pid = 0;
    if (!starter.startDetached(&pid))
        return notStarted(starter.errorString());
    HANDLE process = OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, DWORD(pid));
    if (!process)
        return endedByUs(RunResult::Outcome::TimedOut);
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    RunResult result;
    for (;;) {
        if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            result.outcome = RunResult::Outcome::Finished;
            result.exitCode = int(code);
            break;
        }
        const bool stopped = stop && stop();
        if (stopped || deadline.hasExpired()) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, INFINITE);
            result =
                endedByUs(stopped ? RunResult::Outcome::Cancelled : RunResult::Outcome::TimedOut);
            break;
        }
    }
    CloseHandle(process);
    return result;
}

#else

namespace {

RunResult finishedWith(int status)
{
    RunResult result;
    result.outcome = RunResult::Outcome::Finished;
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else {
        result.crashed = true;
    }
    return result;
}

// Ends the process group of pid: asked with SIGTERM, killed after the grace time, then reaped.
// The group also takes whatever the encoder started itself (a script's own children).
void endProcess(pid_t pid)
{
    ::kill(-pid, SIGTERM);
    const QDeadlineTimer grace(kGraceMs);
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR)) {
            ::kill(-pid, SIGKILL); // what the leader left behind in its group
            return;
        }
        if (grace.hasExpired())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(-pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Starts argv without a shell in a process group of its own, so that it can be ended with
// everything it started, and so that a terminal's Ctrl+C reaches only this program, which then
// ends it. stdin is never the terminal's; output goes nowhere when hidden.
pid_t spawn(std::vector<QByteArray> &arguments, bool hideWindow, int *error)
{
    std::vector<char *> argv;
    argv.reserve(arguments.size() + 1);
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (hideWindow) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    // The encoder starts with no blocked signals and with the default handling of the signals
    // that programs commonly change for themselves.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETPGROUP);

    pid_t pid = 0;
    const int started =
        posix_spawnp(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    *error = started;
    return started == 0 ? pid : pid_t(-1);
}

} // namespace

RunResult SystemProcessRunner::RunUntil(const QString &commandLine, bool hideWindow, int timeoutMs,
                                        const std::function<bool()> &stop)
{
    const QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        return notStarted(QStringLiteral("The command line is empty"));
    std::vector<QByteArray> arguments;
    arguments.reserve(std::size_t(parts.size()));
    for (const QString &part : parts)
        arguments.push_back(QFile::encodeName(part));

    int error = 0;
    const pid_t pid = spawn(arguments, hideWindow, &error);
    if (pid <= 0)
        return notStarted(QString::fromLocal8Bit(std::strerror(error)));

    // A descriptor that becomes readable when the child ends, so the wait ends with it and not
    // at the next poll; without one (older kernels) short pauses that grow stand in.
    int exitNotice = -1;
#ifdef SYS_pidfd_open
    exitNotice = int(::syscall(SYS_pidfd_open, pid, 0));
#endif
    const auto closeNotice = qScopeGuard([exitNotice] {
        if (exitNotice >= 0)
            ::close(exitNotice);
    });

    using namespace std::chrono;
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    microseconds pause(200);
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            return finishedWith(status);
        if (ended < 0 && errno != EINTR) {
            // Reaped elsewhere (SIGCHLD ignored): it has ended, how is unknown; the caller
            // judges by the output file.
            RunResult result;
            result.outcome = RunResult::Outcome::Finished;
            result.exitCode = 0;
            return result;
        }
        if (deadline.hasExpired()) {
            endProcess(pid);
            return endedByUs(RunResult::Outcome::TimedOut);
        }
        if (stop && stop()) {
            endProcess(pid);
            return endedByUs(RunResult::Outcome::Cancelled);
        }
        const qint64 leftMs = std::max<qint64>(deadline.remainingTime(), 0);
        if (exitNotice >= 0) {
            pollfd notice{exitNotice, POLLIN, 0};
            ::poll(&notice, 1, int(std::min<qint64>(leftMs, 20)));
            continue;
        }
        std::this_thread::sleep_for(std::min<microseconds>(pause, milliseconds(leftMs)));
        pause = std::min<microseconds>(pause * 2, milliseconds(20));
    }
}

#endif

} // namespace sonquill
