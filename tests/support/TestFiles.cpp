#include "TestFiles.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonquill::test {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray makeWav(qint64 totalBytes, int sampleRate)
{
    const qint64 dataBytes = std::max<qint64>(totalBytes, 44) - 44;
    QByteArray out;
    const auto le = [&out](qint64 value, int size) {
        for (int i = 0; i < size; ++i)
            out.append(char(quint64(value) >> (8 * i)));
    };
    out.append("RIFF");
    le(dataBytes + 36, 4);
    out.append("WAVEfmt " + QByteArray::fromHex("10000000 0100 0100")); // size 16, PCM, mono
    le(sampleRate, 4);
    le(sampleRate * 2, 4);                        // bytes per second
    out.append(QByteArray::fromHex("0200 1000")); // 2 bytes a sample, 16 bits
    out.append("data");
    le(dataBytes, 4);
    for (qint64 i = 0; i + 1 < dataBytes; i += 2)
        le(quint16(qint16(8000 * std::sin(2 * M_PI * 440 * (double(i / 2) / sampleRate)))), 2);
    if (dataBytes % 2)
        out.append('\0');
    return out;
}

int runTool(const QString &program, const QStringList &arguments, QByteArray *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return -1;
    process.waitForFinished(120000);
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

Measured measure(const QString &path)
{
    Measured measured;
    QByteArray out;
    if (runTool(QStringLiteral(SONQUILL_FFPROBE),
                {"-v", "error", "-select_streams", "a:0", "-show_entries",
                 "stream=channels,sample_rate:format=duration", "-of", "default=nw=1", path},
                &out) == 0) {
        for (const QByteArray &line : out.split('\n')) {
            const QByteArray value = line.mid(line.indexOf('=') + 1).trimmed();
            if (line.startsWith("channels="))
                measured.channels = value.toInt();
            else if (line.startsWith("sample_rate="))
                measured.sampleRate = value.toInt();
            else if (line.startsWith("duration="))
                measured.seconds = value.toDouble();
        }
    }
    // Loudness and true peak from ffmpeg's meter, its summary coming last.
    if (runTool(QStringLiteral(SONQUILL_FFMPEG),
                {"-nostats", "-hide_banner", "-i", path, "-filter_complex", "ebur128=peak=true",
                 "-f", "null", "-"},
                &out) == 0) {
        const QByteArray summary = out.mid(out.lastIndexOf("Summary:"));
        for (const QByteArray &line : summary.split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words.size() >= 2 && words[0] == "I:")
                measured.lufs = words[1].toDouble();
            else if (words.size() >= 2 && words[0] == "Peak:")
                measured.truePeak = words[1] == "-inf" ? -qInf() : words[1].toDouble();
        }
    }
    // ffmpeg's meter never sees the last samples through its filter, so it reads low for a sound
    // that ends loud: the higher of its peak and that of the sound oversampled eightfold by sox.
    if (measured.sampleRate > 0 &&
        runTool(QStringLiteral(SONQUILL_SOX),
                {path, "-n", "rate", "-v", QString::number(measured.sampleRate * 8), "stats"},
                &out) == 0) {
        for (const QByteArray &line : out.split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words.size() >= 4 && words[0] == "Pk" && words[1] == "lev" && words[3] != "-inf")
                measured.truePeak = qIsNaN(measured.truePeak)
                                        ? words[3].toDouble()
                                        : qMax(measured.truePeak, words[3].toDouble());
        }
    }
    return measured;
}

namespace {
// The sanitizer's shadow memory fits no address space limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

void limitMemory()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (kSanitized || !statm.open(QIODevice::ReadOnly))
        return;
    const qint64 pages = statm.readLine().split(' ').value(0).toLongLong();
    const rlim_t bytes = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(1) << 30);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_AS, &limit);
}
} // namespace

ChildResult runInChild(const std::function<QStringList()> &work, qint64 fileSizeLimit,
                       unsigned seconds)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {{}, QStringLiteral("no pipe")};
    const pid_t pid = ::fork();
    if (pid < 0)
        return {{}, QStringLiteral("no fork")};
    if (pid == 0) {
        ::close(fds[0]);
        ::signal(SIGALRM, SIG_DFL);
        ::alarm(seconds);
        limitMemory();
        if (fileSizeLimit >= 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        QByteArray out;
        QDataStream stream(&out, QIODevice::WriteOnly);
        stream << work();
        for (qsizetype done = 0; done < out.size();) {
            const ssize_t n = ::write(fds[1], out.constData() + done, size_t(out.size() - done));
            if (n <= 0)
                ::_exit(3);
            done += n;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray in;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            in.append(buffer, n);
        else if (errno != EINTR)
            break;
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ChildResult result;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        result.failure = QStringLiteral("the child hung and was ended after %1 s").arg(seconds);
    else if (WIFSIGNALED(status))
        result.failure = QStringLiteral("the child died of signal %1").arg(WTERMSIG(status));
    else if (WEXITSTATUS(status) != 0)
        result.failure = QStringLiteral("the child exited with %1").arg(WEXITSTATUS(status));
    else if (QDataStream stream(in); (stream >> result.answer).status() != QDataStream::Ok)
        result.failure = QStringLiteral("the child's answer was cut short");
    return result;
}

} // namespace sonquill::test
