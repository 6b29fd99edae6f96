// distribute --watch as an author meets it: from the save of a 2 s WAV (a new file renamed over
// it, as editors save) to its SOUND<n> file replaced in the game folder, through the real
// sonquill-cli, once for a copied sound and once for an encoded one, beside the real oggenc
// encoding the same file alone. The summary gives the medians and the latency the watch adds
// to the encoder (goal: at most 300 ms).
#include "distribution/FileCopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace sonquill;

namespace {

constexpr int kSaves = 20;

void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

// 2 s of a tone at 44.1 kHz, 16-bit mono; each pitch gives other bytes of the same size.
QByteArray wavBytes(double pitch)
{
    const int samples = 2 * 44100;
    QByteArray out("RIFF");
    appendLe(out, quint32(36 + 2 * samples), 4);
    out.append("WAVEfmt ");
    for (const auto &[value, size] :
         {std::pair{16, 4}, {1, 2}, {1, 2}, {44100, 4}, {88200, 4}, {2, 2}, {16, 2}})
        appendLe(out, quint32(value), size);
    out.append("data");
    appendLe(out, quint32(2 * samples), 4);
    for (int i = 0; i < samples; ++i)
        appendLe(out, quint16(qint16(8000 * std::sin(2 * M_PI * pitch * i / 44100.0))), 2);
    return out;
}

void writeWhole(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::map<std::string, double> g_medianMs;

// A game folder with one sound and a watch on it, after its first run.
class WatchedGame
{
public:
    explicit WatchedGame(bool encode)
    {
        for (const char *folder : {"config", "cache", "state", "game", "sfx"})
            QDir(m_dir.path()).mkpath(QString::fromLatin1(folder));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), path("cache"));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), path("state"));
        m_watch.setProcessEnvironment(environment);
        m_watch.setStandardErrorFile(QProcess::nullDevice());
        writeWhole(source(), wavBytes(440));
        const QString cli =
            QCoreApplication::applicationDirPath() + QStringLiteral("/sonquill-cli");
        QProcess add;
        add.setProcessEnvironment(environment);
        add.start(cli, {QStringLiteral("-g"), path("game"), QStringLiteral("add"), source()});
        if (!add.waitForFinished() || add.exitCode() != 0)
            qFatal("sonquill-cli add failed");
        m_target = path(encode ? "game/SOUND1.ogg" : "game/SOUND1.wav");
        m_watch.start(cli, {QStringLiteral("-g"), path("game"), QStringLiteral("distribute"),
                            QStringLiteral("--watch"), QStringLiteral("--json"),
                            encode ? QStringLiteral("--ogg") : QStringLiteral("--no-ogg"),
                            QStringLiteral("--min-size"), QStringLiteral("0"),
                            QStringLiteral("--quality"), QStringLiteral("3")});
        nextLine();
        if (!QFile::exists(m_target))
            qFatal("the first run made no %s", qPrintable(m_target));
        m_folder.addPath(path("game"));
    }
    ~WatchedGame()
    {
        m_watch.terminate();
        m_watch.waitForFinished();
    }

    QString path(const char *relative) const { return m_dir.filePath(QLatin1String(relative)); }
    QString source() const { return path("sfx/A.wav"); }

    // Saves the source anew and gives the seconds until its target was replaced; then waits
    // for the run's line, so that the next save starts a run of its own.
    double save(int round)
    {
        const quint64 before = StampOf(m_target).inode;
        writeWhole(path("sfx/A.wav.part"), wavBytes(440 + round % 2 * 5));
        QEventLoop loop;
        const auto replaced = [&] {
            if (StampOf(m_target).inode != before)
                loop.quit();
        };
        QObject::connect(&m_folder, &QFileSystemWatcher::directoryChanged, &loop, replaced);
        QTimer::singleShot(30000, &loop,
                           [&] { qFatal("%s was not replaced", qPrintable(m_target)); });
        QElapsedTimer clock;
        clock.start();
        if (!QFile::rename(path("sfx/A.wav.part"), source()) &&
            !(QFile::remove(source()) && QFile::rename(path("sfx/A.wav.part"), source())))
            qFatal("cannot save the source");
        loop.exec();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        nextLine();
        return seconds;
    }

private:
    void nextLine()
    {
        while (!m_watch.canReadLine()) {
            if (!m_watch.waitForReadyRead(60000))
                qFatal("the watch printed no line");
        }
        m_watch.readLine();
    }

    QTemporaryDir m_dir;
    QProcess m_watch;
    QString m_target;
    QFileSystemWatcher m_folder;
};

// Save to replaced target, each save timed alone. Arg: 1 encoded, 0 copied.
void BM_WatchSaveToTarget(benchmark::State &state)
{
    WatchedGame game(state.range(0) != 0);
    std::vector<double> latencies;
    int round = 0;
    for (auto _ : state) {
        const double seconds = game.save(++round);
        latencies.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    const double ms = median(latencies) * 1000;
    state.counters["median_ms"] = ms;
    g_medianMs[state.range(0) != 0 ? "encoded" : "copied"] = ms;
}

// The encoder alone on the same file, as the run starts it.
void BM_OggencAlone(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("A.wav"));
    writeWhole(source, wavBytes(440));
    const QString oggenc = QStandardPaths::findExecutable(QStringLiteral("oggenc"));
    std::vector<double> times;
    for (auto _ : state) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        process.start(oggenc, {source, QStringLiteral("-o"), dir.filePath(QStringLiteral("A.ogg")),
                               QStringLiteral("-q3")});
        if (!process.waitForFinished() || process.exitCode() != 0)
            qFatal("oggenc failed");
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        times.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    const double ms = median(times) * 1000;
    state.counters["median_ms"] = ms;
    g_medianMs["oggenc"] = ms;
}

BENCHMARK(BM_WatchSaveToTarget)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(kSaves)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OggencAlone)->Iterations(kSaves)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nFrom a save to SOUND1 replaced, median of %d (goal <= 300 ms beyond the "
                "encoder):\n",
                kSaves);
    std::printf("%-44s %8.1f ms\n", "copied", g_medianMs["copied"]);
    std::printf("%-44s %8.1f ms\n", "encoded", g_medianMs["encoded"]);
    std::printf("%-44s %8.1f ms\n", "oggenc alone", g_medianMs["oggenc"]);
    std::printf("%-44s %8.1f ms\n", "encoded minus oggenc alone",
                g_medianMs["encoded"] - g_medianMs["oggenc"]);
    benchmark::Shutdown();
    return 0;
}
