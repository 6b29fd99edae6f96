#include "ProcessRunner.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
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
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char **environ;
#endif

namespace sonquill {

#ifdef Q_OS_WIN

RunResult SystemProcessRunner::RunAndWait(const QString &commandLine, bool hideWindow,
                                          int timeoutMs, const std::function<void()> &idle)
{
    const QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        return {};
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
        return {};
    HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    RunResult result;
    result.outcome = RunResult::Outcome::StillRunning;
    if (!process)
        return result;
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    for (;;) {
        if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            result.outcome = RunResult::Outcome::Finished;
            result.exitCode = int(code);
            break;
        }
        if (deadline.hasExpired())
            break;
        if (idle)
            idle();
    }
    CloseHandle(process);
    return result;
}

#else

namespace {

// A child that outlives the wait gets a thread of its own that blocks until it ends and reaps
// it, so it leaves no zombie. Being detached, the thread never holds up this program's exit;
// the child then simply passes to init.
void reapWhenDone(pid_t pid)
{
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error &) {
        // No thread to be had: the child is reaped by init once this program has ended.
    }
}

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

// Starts argv without a shell; stdin is never the terminal's, output goes nowhere when hidden.
pid_t spawn(std::vector<QByteArray> &arguments, bool hideWindow)
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
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int started =
        posix_spawnp(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return started == 0 ? pid : pid_t(-1);
}

} // namespace

RunResult SystemProcessRunner::RunAndWait(const QString &commandLine, bool hideWindow,
                                          int timeoutMs, const std::function<void()> &idle)
{
    const QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        return {};
    std::vector<QByteArray> arguments;
    arguments.reserve(std::size_t(parts.size()));
    for (const QString &part : parts)
        arguments.push_back(QFile::encodeName(part));

    const pid_t pid = spawn(arguments, hideWindow);
    if (pid <= 0)
        return {};

    using namespace std::chrono;
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    // Short pauses first, so a quick encoder is not held up by the polling.
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
            reapWhenDone(pid);
            RunResult result;
            result.outcome = RunResult::Outcome::StillRunning;
            return result;
        }
        if (idle)
            idle();
        const auto left = microseconds(std::max<qint64>(deadline.remainingTime(), 0) * 1000);
        std::this_thread::sleep_for(std::min(pause, left));
        pause = std::min<microseconds>(pause * 2, milliseconds(20));
    }
}

#endif

} // namespace sonquill
