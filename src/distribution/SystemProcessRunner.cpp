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
#include <sys/prctl.h>
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

// The program's path as execvp would find it, looked up before the fork: between fork and
// exec a threaded program may only make system calls.
QByteArray programPath(const QByteArray &program)
{
    if (program.contains('/'))
        return program;
    const QByteArray searchPath = qgetenv("PATH");
    for (const QByteArray &folder :
         (searchPath.isEmpty() ? QByteArrayLiteral("/usr/local/bin:/usr/bin:/bin") : searchPath)
             .split(':')) {
        const QByteArray candidate =
            (folder.isEmpty() ? QByteArrayLiteral(".") : folder) + '/' + program;
        if (::access(candidate.constData(), X_OK) == 0)
            return candidate;
    }
    return {};
}

// Keeps what a child writes to its standard error in an unnamed file, for the error line.
int errorOutputFile()
{
#ifdef O_TMPFILE
    const int unnamed = ::open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (unnamed >= 0)
        return unnamed;
#endif
    char name[] = "/tmp/sonquill-encoder-XXXXXX";
    const int fd = ::mkostemp(name, O_CLOEXEC);
    if (fd >= 0)
        ::unlink(name);
    return fd;
}

// The last lines of what was written to fd, at most a few hundred characters.
QString lastLines(int fd)
{
    constexpr off_t kTail = 4096;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size <= 0)
        return {};
    const off_t from = std::max<off_t>(0, size - kTail);
    QByteArray bytes(qsizetype(size - from), Qt::Uninitialized);
    const ssize_t got = ::pread(fd, bytes.data(), size_t(bytes.size()), from);
    if (got <= 0)
        return {};
    bytes.truncate(got);
    QStringList lines;
    for (const QByteArray &line : bytes.split('\n')) {
        const QString text = QString::fromLocal8Bit(line).simplified();
        if (!text.isEmpty())
            lines << text;
    }
    constexpr qsizetype kLines = 3;
    QString tail =
        lines.mid(std::max<qsizetype>(0, lines.size() - kLines)).join(QStringLiteral(" / "));
    if (tail.size() > 400)
        tail = QStringLiteral("...") + tail.right(400);
    return tail;
}

// Starts argv without a shell in a process group of its own, so that it can be ended with
// everything it started, and so that a terminal's Ctrl+C reaches only this program, which then
// ends it. The child dies with the thread that started it (a killed Sonquill leaves no encoder
// behind). stdin is never the terminal's; stdout goes nowhere when hidden; stderr goes to
// errorFd. Returns the pid, or -1 with *error set.
pid_t spawn(std::vector<QByteArray> &arguments, bool hideWindow, int errorFd, int *error)
{
    const QByteArray program = programPath(arguments.front());
    if (program.isEmpty()) {
        *error = ENOENT;
        return -1;
    }
    std::vector<char *> argv;
    argv.reserve(arguments.size() + 1);
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // The child reports a failed exec through this pipe; it closes unread when exec works.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        *error = errno;
        return -1;
    }
    const pid_t parent = ::getpid();
    // vfork: the child borrows this process's memory until it execs, so starting an encoder
    // never copies the page tables of a large process that other threads keep writing to (a
    // fork cost a third of a processing run's own time). The child therefore only makes system
    // calls; every signal stays blocked until it has set the handling the encoder starts with.
    sigset_t all, before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &before);
    const pid_t pid = ::vfork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        ::dup2(nothing, STDIN_FILENO);
        if (hideWindow)
            ::dup2(nothing, STDOUT_FILENO);
        if (errorFd >= 0)
            ::dup2(errorFd, STDERR_FILENO);
        // The encoder starts with no blocked signals and the default handling of the signals
        // programs commonly change for themselves.
        for (const int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP})
            ::signal(signal, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(program.constData(), argv.data(), environ);
        [[maybe_unused]] const ssize_t written = ::write(report[1], &errno, sizeof errno);
        ::_exit(127);
    }
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ::close(report[1]);
    if (pid < 0) {
        *error = forkError;
        ::close(report[0]);
        return -1;
    }
    ::setpgid(pid, pid); // also here, so the group exists before any signal is sent to it
    int failed = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &failed, sizeof failed);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == ssize_t(sizeof failed)) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        *error = failed;
        return -1;
    }
    *error = 0;
    return pid;
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

    const int errorFd = errorOutputFile();
    const auto closeErrorFile = qScopeGuard([errorFd] {
        if (errorFd >= 0)
            ::close(errorFd);
    });
    int error = 0;
    const pid_t pid = spawn(arguments, hideWindow, errorFd, &error);
    if (pid <= 0) {
        return notStarted(QStringLiteral("%1: %2").arg(
            parts.first(), QString::fromLocal8Bit(std::strerror(error))));
    }
    // What a shown encoder wrote to its standard error goes on to ours once it ends.
    const auto finish = [&](RunResult result) {
        if (errorFd >= 0) {
            result.errorOutput = lastLines(errorFd);
            if (!hideWindow) {
                ::lseek(errorFd, 0, SEEK_SET);
                char buffer[4096];
                ssize_t got = 0;
                while ((got = ::read(errorFd, buffer, sizeof buffer)) > 0) {
                    [[maybe_unused]] const ssize_t put =
                        ::write(STDERR_FILENO, buffer, size_t(got));
                }
            }
        }
        return result;
    };

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
            return finish(finishedWith(status));
        if (ended < 0 && errno != EINTR) {
            // Reaped elsewhere (SIGCHLD ignored): it has ended, how is unknown; the caller
            // judges by the output file.
            RunResult result;
            result.outcome = RunResult::Outcome::Finished;
            result.exitCode = 0;
            return finish(result);
        }
        if (deadline.hasExpired()) {
            endProcess(pid);
            return finish(endedByUs(RunResult::Outcome::TimedOut));
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
