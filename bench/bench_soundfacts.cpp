// Reading what 999 small sounds (sox-made WAVs and MP3s) hold, their loudness, and checking a
// catalogue of them, against only looking at the same files: one stat() per file in this process,
// and one `stat` command over all of them. The summary gives how many times slower each is.
#include "check/Check.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "TimesReporter.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <string>

using namespace sonquill;

namespace {

constexpr int soundCount = 999;

void runOrDie(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        qFatal("%s failed", qPrintable(program));
}

// Odd numbers are 16-bit mono WAVs, even ones mono MP3s, each a tone of its own length.
struct Corpus
{
    QTemporaryDir dir;
    SoundTable table;
    QStringList paths;

    Corpus()
    {
        QList<SoundRecord> records;
        for (int n = 1; n <= soundCount; ++n) {
            const bool wav = n % 2 == 1;
            const QString path =
                dir.filePath(QStringLiteral("sfx%1.%2").arg(n).arg(wav ? "wav" : "mp3"));
            const QString seconds = QString::number(0.05 + 0.001 * n, 'f', 3);
            QStringList arguments{QStringLiteral("-n"), QStringLiteral("-r"),
                                  QStringLiteral("22050"), QStringLiteral("-c"),
                                  QStringLiteral("1")};
            if (wav)
                arguments << QStringLiteral("-b") << QStringLiteral("16");
            arguments << path << QStringLiteral("synth") << seconds << QStringLiteral("sine")
                      << QString::number(200 + n) << QStringLiteral("vol") << QStringLiteral("0.5");
            runOrDie(QStringLiteral("sox"), arguments);
            SoundRecord record;
            record.name = QStringLiteral("Sound %1").arg(n);
            record.filename = path;
            record.number = qint16(n);
            record.category = QStringLiteral("Sfx");
            records.append(record);
            paths.append(path);
        }
        table.replaceAll(records);
        table.RefreshSizes(true);
    }
};

const Corpus &corpus()
{
    static const Corpus instance;
    return instance;
}

void BM_ReadFactsColdCache(benchmark::State &state)
{
    const Corpus &files = corpus();
    for (auto _ : state) {
        SoundFactsCache cache;
        int readable = 0;
        for (const QString &path : files.paths)
            readable += cache.facts(path).readable ? 1 : 0;
        if (readable != soundCount)
            state.SkipWithError("a sound could not be read");
    }
}

// Integrated loudness and true peak: every sound decoded whole.
void BM_LoudnessColdCache(benchmark::State &state)
{
    const Corpus &files = corpus();
    for (auto _ : state) {
        SoundFactsCache cache;
        int measured = 0;
        for (const QString &path : files.paths)
            measured += cache.loudness(path).read ? 1 : 0;
        if (measured != soundCount)
            state.SkipWithError("a sound could not be measured");
    }
}

void BM_ReadFactsWarmCache(benchmark::State &state)
{
    const Corpus &files = corpus();
    SoundFactsCache cache;
    for (const QString &path : files.paths)
        cache.facts(path);
    for (auto _ : state) {
        for (const QString &path : files.paths)
            benchmark::DoNotOptimize(cache.facts(path).seconds);
    }
}

void BM_CheckCatalogueColdCache(benchmark::State &state)
{
    const Corpus &files = corpus();
    CheckOptions options;
    options.oggUse = true;
    for (auto _ : state) {
        SoundFactsCache cache;
        const QList<Finding> findings = CheckCatalogue(files.table, options, cache);
        if (!findings.isEmpty())
            state.SkipWithError(qPrintable(FindingLine(findings.first())));
    }
}

void BM_CheckCatalogueWarmCache(benchmark::State &state)
{
    const Corpus &files = corpus();
    CheckOptions options;
    options.oggUse = true;
    SoundFactsCache cache;
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckCatalogue(files.table, options, cache).size());
}

void BM_StatCalls(benchmark::State &state)
{
    QList<QByteArray> names;
    for (const QString &path : corpus().paths)
        names.append(QFile::encodeName(path));
    for (auto _ : state) {
        for (const QByteArray &name : names) {
            struct stat status
            {};
            if (::stat(name.constData(), &status) != 0)
                state.SkipWithError("stat failed");
            benchmark::DoNotOptimize(status.st_size);
        }
    }
}

void BM_StatCommand(benchmark::State &state)
{
    const QStringList arguments =
        QStringList{QStringLiteral("-c"), QStringLiteral("%s %Y")} + corpus().paths;
    for (auto _ : state)
        runOrDie(QStringLiteral("stat"), arguments);
}

BENCHMARK(BM_ReadFactsColdCache)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_LoudnessColdCache)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadFactsWarmCache)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_CheckCatalogueColdCache)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_CheckCatalogueWarmCache)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_StatCalls)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_StatCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    corpus(); // made once, before any timing
    TimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n999 sounds, real time against stat:\n");
    reporter.printRatio("facts, cold cache / stat() per file", "BM_ReadFactsColdCache",
                        "BM_StatCalls");
    reporter.printRatio("facts, cold cache / `stat` command", "BM_ReadFactsColdCache",
                        "BM_StatCommand");
    reporter.printRatio("loudness, cold cache / facts, cold cache", "BM_LoudnessColdCache",
                        "BM_ReadFactsColdCache");
    reporter.printRatio("facts, warm cache / stat() per file", "BM_ReadFactsWarmCache",
                        "BM_StatCalls");
    reporter.printRatio("check, cold cache / `stat` command", "BM_CheckCatalogueColdCache",
                        "BM_StatCommand");
    reporter.printRatio("check, warm cache / `stat` command", "BM_CheckCatalogueWarmCache",
                        "BM_StatCommand");
    benchmark::Shutdown();
    return 0;
}
