// The distribution run against the plain tools doing the same file work: 999 small WAV and MP3
// copies beside one `cp` of the same files, a second run of them with nothing changed, and 24
// WAVs of 6 seconds encoded by the real oggenc beside `xargs -P<cores> oggenc` and beside
// oggenc run on them one after the other. The summary at the end gives the ratios.
#include "distribution/Distribution.h"
#include "distribution/SystemProcessRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include "TimesReporter.h"
#include "WavHeader.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

using namespace sonquill;

namespace {

class NoProgress : public ProgressSink
{
public:
    void ShowProgress(const QString &, const QString &, qint16, bool) override {}
    void AdvanceProgress(qint16) override {}
    void CloseProgress() override {}
};

// A 16-bit mono PCM WAV file of totalBytes bytes holding a tone.
QByteArray wavBytes(int totalBytes)
{
    QByteArray out = wavHeader(totalBytes);
    out.reserve(totalBytes);
    for (int i = 0; out.size() + 2 <= totalBytes; ++i) {
        const auto sample = quint16(qint16(8000 * std::sin(2 * M_PI * 440 * i / 22050.0)));
        out.append(char(sample & 0xFF));
        out.append(char(sample >> 8));
    }
    out.resize(totalBytes);
    return out;
}

// Source files named as their targets, so that one `cp` into a folder gives the same names.
struct Corpus
{
    QTemporaryDir dir;
    SoundTable table;
    QStringList sources;

    QString sourceFolder() const { return dir.filePath(QStringLiteral("sfx")); }
    QString gameFolder() const { return dir.filePath(QStringLiteral("game")); }
    QString plainFolder() const { return dir.filePath(QStringLiteral("plain")); }

    // largeWavs: WAVs of 6 seconds (22050 Hz, mono, 16 bits) that are all encoded.
    Corpus(int count, bool largeWavs)
    {
        QDir(dir.path()).mkpath(QStringLiteral("sfx"));
        QDir(dir.path()).mkpath(QStringLiteral("game"));
        QDir(dir.path()).mkpath(QStringLiteral("plain"));
        QList<SoundRecord> records;
        for (int n = 1; n <= count; ++n) {
            const bool wav = largeWavs || n % 2 == 1;
            const QByteArray bytes = largeWavs ? wavBytes(44 + 6 * 44100 + n * 2)
                                     : wav     ? wavBytes(2000 + (n % 7) * 1000)
                                               : QByteArray(4000 + n % 5 * 500, char(n));
            const QString path =
                sourceFolder() +
                QStringLiteral("/SOUND%1.%2").arg(n).arg(wav ? QStringLiteral("wav") : "mp3");
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                qFatal("cannot write %s", qPrintable(path));
            SoundRecord record;
            record.name = QStringLiteral("Sound %1").arg(n);
            record.filename = path;
            record.number = qint16(n);
            record.size = float(bytes.size());
            records.append(record);
            sources.append(path);
        }
        table.replaceAll(records);
    }
};

constexpr int kCopies = 999;
constexpr int kEncodings = 24;

void runPlain(const QString &program, const QStringList &arguments,
              const QByteArray &input = QByteArray())
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!input.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        qFatal("%s failed", qPrintable(program));
}

// jobs 0: one per core. force: every target made again, as in a first run.
DistributionOptions options(bool oggUse, const QString &programFolder, int jobs, bool force)
{
    DistributionOptions result;
    result.OggUse = oggUse;
    result.ogg.UseCustom = 0;
    result.ogg.Quality = 3;
    result.ogg.MinSize = 4;
    result.programFolder = programFolder; // holds no oggenc2: oggenc is found on the path
    result.jobs = jobs;
    result.force = force;
    return result;
}

void distribute(benchmark::State &state, const Corpus &corpus, bool oggUse, int jobs, bool force,
                int expected)
{
    NoProgress progress;
    SystemProcessRunner runner;
    const DistributionResult result =
        Distribute(corpus.table, corpus.gameFolder(),
                   options(oggUse, corpus.sourceFolder(), jobs, force), {progress, runner});
    if (result.soundFailed ||
        result.encodedCount + result.copiedCount + result.upToDateCount != expected)
        state.SkipWithError("the run failed");
}

// An empty folder, outside the timing.
void emptyFolder(benchmark::State &state, const QString &path)
{
    state.PauseTiming();
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    state.ResumeTiming();
}

// The copy path of a first run: every file copied into an empty game folder. Arg: jobs.
void BM_DistributeCopies(benchmark::State &state)
{
    const Corpus corpus(kCopies, false);
    for (auto _ : state) {
        emptyFolder(state, corpus.gameFolder());
        distribute(state, corpus, false, int(state.range(0)), true, kCopies);
    }
}

void BM_CpCopies(benchmark::State &state)
{
    const Corpus corpus(kCopies, false);
    for (auto _ : state) {
        emptyFolder(state, corpus.plainFolder());
        runPlain(QStringLiteral("cp"),
                 QStringList{QStringLiteral("-f"), QStringLiteral("-t"), corpus.plainFolder()} +
                     corpus.sources);
    }
}

// Every target replaced, each by a new file renamed over it, against cp writing over them.
void BM_DistributeCopiesOverOld(benchmark::State &state)
{
    const Corpus corpus(kCopies, false);
    for (auto _ : state)
        distribute(state, corpus, false, 0, true, kCopies);
}

void BM_CpCopiesOverOld(benchmark::State &state)
{
    const Corpus corpus(kCopies, false);
    for (auto _ : state)
        runPlain(QStringLiteral("cp"),
                 QStringList{QStringLiteral("-f"), QStringLiteral("-t"), corpus.plainFolder()} +
                     corpus.sources);
}

// A second run with nothing changed.
void BM_DistributeUpToDate(benchmark::State &state)
{
    const Corpus corpus(kCopies, false);
    distribute(state, corpus, false, 0, true, kCopies);
    for (auto _ : state)
        distribute(state, corpus, false, 0, false, kCopies);
}

void BM_DistributeOggencParallel(benchmark::State &state)
{
    const Corpus corpus(kEncodings, true);
    for (auto _ : state)
        distribute(state, corpus, true, 0, true, kEncodings);
}

void BM_XargsOggenc(benchmark::State &state)
{
    const Corpus corpus(kEncodings, true);
    const QByteArray list = corpus.sources.join(QLatin1Char('\n')).toLocal8Bit() + '\n';
    const QString cores = QString::number(QThread::idealThreadCount());
    for (auto _ : state) {
        runPlain(QStringLiteral("xargs"),
                 {QStringLiteral("-P") + cores, QStringLiteral("-n1"), QStringLiteral("oggenc"),
                  QStringLiteral("-Q"), QStringLiteral("-q3")},
                 list);
    }
}

void BM_DistributeOggencOneJob(benchmark::State &state)
{
    const Corpus corpus(kEncodings, true);
    for (auto _ : state)
        distribute(state, corpus, true, 1, true, kEncodings);
}

void BM_OggencOneByOne(benchmark::State &state)
{
    const Corpus corpus(kEncodings, true);
    const QString oggenc = QStandardPaths::findExecutable(QStringLiteral("oggenc"));
    for (auto _ : state) {
        for (int n = 1; n <= kEncodings; ++n) {
            runPlain(oggenc, {QStringLiteral("-Q"), corpus.sources[n - 1], QStringLiteral("-o"),
                              corpus.plainFolder() + QStringLiteral("/SOUND%1.ogg").arg(n),
                              QStringLiteral("-q3")});
        }
    }
}

BENCHMARK(BM_DistributeCopies)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(BM_CpCopies)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DistributeCopiesOverOld)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_CpCopiesOverOld)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DistributeUpToDate)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DistributeOggencParallel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_XargsOggenc)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DistributeOggencOneJob)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_OggencOneByOne)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The record of made files goes to a cache folder of this run, not the user's.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    benchmark::Initialize(&argc, argv);
    TimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nDistribution run / plain tools (real time):\n");
    reporter.printRatio("999 copies, one per core: run / cp (<= 1.3)", "BM_DistributeCopies/0",
                        "BM_CpCopies");
    reporter.printRatio("999 copies, 1 job: run / cp", "BM_DistributeCopies/1", "BM_CpCopies");
    reporter.printRatio("999 copies over old ones: run / cp -f", "BM_DistributeCopiesOverOld",
                        "BM_CpCopiesOverOld");
    reporter.printRatio("999 up to date: second / first (<= 0.05)", "BM_DistributeUpToDate",
                        "BM_DistributeCopies/0");
    reporter.printRatio("24 encodings: run / xargs -P (<= 1.15)", "BM_DistributeOggencParallel",
                        "BM_XargsOggenc");
    reporter.printRatio("24 encodings, 1 job: run / one by one (<= 1.05)",
                        "BM_DistributeOggencOneJob", "BM_OggencOneByOne");
    benchmark::Shutdown();
    return 0;
}
