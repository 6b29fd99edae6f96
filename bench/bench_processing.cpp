// Distribution with sound processing against the same run without it: 24 stereo WAVs of 6
// seconds (44.1 kHz, 16 bits, sox-made noise and tones with silence at both ends) encoded by the
// real oggenc on every core. "On" is loudness normalisation and trimming, which only add work;
// "all" adds mono and 22050 Hz, which also take work from the encoder. The summary gives the
// ratios.
#include "distribution/Distribution.h"
#include "distribution/SystemProcessRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "TimesReporter.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace sonquill;

namespace {

constexpr int kSounds = 24;

class NoProgress : public ProgressSink
{
public:
    void ShowProgress(const QString &, const QString &, qint16, bool) override {}
    void AdvanceProgress(qint16) override {}
    void CloseProgress() override {}
};

struct Corpus
{
    QTemporaryDir dir;
    SoundTable table;

    Corpus()
    {
        QList<SoundRecord> records;
        const QStringList kinds{QStringLiteral("pinknoise"), QStringLiteral("brownnoise"),
                                QStringLiteral("sine 440"), QStringLiteral("square 220")};
        for (int n = 1; n <= kSounds; ++n) {
            const QString path = dir.filePath(QStringLiteral("sound%1.wav").arg(n));
            // 5.6 s of sound between 0.2 s of silence at either end, each at its own level.
            const QStringList arguments =
                QStringList{QStringLiteral("-D"),    QStringLiteral("-R"),
                            QStringLiteral("-n"),    QStringLiteral("-r"),
                            QStringLiteral("44100"), QStringLiteral("-c"),
                            QStringLiteral("2"),     QStringLiteral("-b"),
                            QStringLiteral("16"),    path,
                            QStringLiteral("synth"), QStringLiteral("5.6")} +
                kinds[n % kinds.size()].split(QLatin1Char(' ')) +
                QStringList{QStringLiteral("vol"), QString::number(0.02 + 0.02 * n),
                            QStringLiteral("pad"), QStringLiteral("0.2"), QStringLiteral("0.2")};
            QProcess sox;
            sox.start(QStringLiteral("sox"), arguments);
            if (!sox.waitForFinished(-1) || sox.exitCode() != 0)
                qFatal("sox failed");
            SoundRecord record;
            record.name = QStringLiteral("Sound %1").arg(n);
            record.filename = path;
            record.number = qint16(n);
            record.category = n % 3 ? QStringLiteral("Sfx") : QStringLiteral("Ambience");
            records.append(record);
        }
        table.replaceAll(records);
        table.RefreshSizes(true);
        QDir(dir.path()).mkpath(QStringLiteral("game"));
    }
};

const Corpus &corpus()
{
    static const Corpus instance;
    return instance;
}

// User and system time of this process and of its children that have ended.
double cpuSeconds()
{
    double seconds = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        for (const timeval &time : {usage.ru_utime, usage.ru_stime})
            seconds += double(time.tv_sec) + double(time.tv_usec) / 1e6;
    }
    return seconds;
}

std::map<std::string, double> cpuTimes; // by benchmark name, the least of its repetitions

// Every sound encoded again each time, on every core.
void distribute(benchmark::State &state, const char *name, const ProcessingSettings &processing)
{
    const Corpus &sounds = corpus();
    DistributionOptions options;
    options.OggUse = true;
    options.ogg.Quality = 3;
    options.programFolder = sounds.dir.path(); // holds no oggenc2: oggenc on the path
    options.force = true;
    options.processing = processing;
    NoProgress progress;
    SystemProcessRunner runner;
    const double before = cpuSeconds();
    for (auto _ : state) {
        const DistributionResult result = Distribute(
            sounds.table, sounds.dir.filePath(QStringLiteral("game")), options, {progress, runner});
        if (result.soundFailed || result.encodedCount != kSounds)
            state.SkipWithError("the run failed");
    }
    // The processor time of the run and its encoders, which other work on the machine does not
    // lengthen.
    const double used = (cpuSeconds() - before) / double(state.iterations());
    double &fastest = cpuTimes[name];
    fastest = fastest > 0 ? std::min(fastest, used) : used;
    state.counters["cpu_s"] = used;
}

void BM_ProcessingOff(benchmark::State &state)
{
    distribute(state, "off", {});
}

void BM_LoudnessAndTrim(benchmark::State &state)
{
    ProcessingSettings processing;
    processing.loudness = true;
    processing.categoryOffsets = {{QStringLiteral("Ambience"), -8.0}};
    processing.trim = true;
    distribute(state, "loudness and trim", processing);
}

void BM_EveryOption(benchmark::State &state)
{
    ProcessingSettings processing;
    processing.loudness = processing.trim = processing.mono = true;
    processing.maxRate = 22050;
    distribute(state, "every option", processing);
}

// Single runs, repeated and interleaved, the fastest of each kept: the machine's other work
// then disturbs the comparison least.
BENCHMARK(BM_ProcessingOff)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(7);
BENCHMARK(BM_LoudnessAndTrim)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(7);
BENCHMARK(BM_EveryOption)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(7);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The record of made files goes to a cache folder of this run, not the user's.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    std::vector<char *> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    corpus(); // made once, before any timing
    TimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n24 stereo WAVs of 6 s encoded on every core, real time, fastest of 7:\n");
    reporter.printRatio("loudness and trim / processing off (<= 1.3)", "BM_LoudnessAndTrim",
                        "BM_ProcessingOff");
    reporter.printRatio("every option / processing off", "BM_EveryOption", "BM_ProcessingOff");
    if (cpuTimes["off"] > 0) {
        std::printf("%-52s %.2fx\n", "processor time, loudness and trim / off",
                    cpuTimes["loudness and trim"] / cpuTimes["off"]);
        std::printf("%-52s %.2fx\n", "processor time, every option / off",
                    cpuTimes["every option"] / cpuTimes["off"]);
    }
    benchmark::Shutdown();
    return 0;
}
