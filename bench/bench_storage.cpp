// Saving and loading the catalogue file at a typical (999) and the largest (32767) size, beside
// the bare file operations on the same bytes: a plain QFile write and QFile::readAll. The
// summary at the end gives how many times slower each operation is than its bare counterpart.
#include "storage/SoundInfoFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

using namespace sonquill;

namespace {

SoundTable makeTable(int count)
{
    QList<SoundRecord> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        SoundRecord record;
        record.name = QStringLiteral("Door creak %1").arg(i);
        record.filename =
            QStringLiteral("/home/author/sfx/set%1/door_creak_%2.wav").arg(i % 37).arg(i);
        record.number = qint16(i % 999 + 1);
        record.locked = toBool16(i % 3 == 0);
        record.category = QStringLiteral("Doors \u00e9t\u00e9 %1").arg(i % 50);
        record.selected = toBool16(i % 2 == 0);
        record.size = float(1000 + i * 17);
        records.append(record);
    }
    SoundTable table;
    table.replaceAll(std::move(records));
    return table;
}

struct Fixture
{
    explicit Fixture(int count)
        : table(makeTable(count)), bytes(SerializeSoundInfo(table)),
          path(dir.filePath(QStringLiteral("SoundInfo.dat")))
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::abort();
    }
    QTemporaryDir dir;
    SoundTable table;
    QByteArray bytes;
    QString path;
};

void setBytes(benchmark::State &state, const Fixture &fixture)
{
    state.SetBytesProcessed(state.iterations() * fixture.bytes.size());
}

void BM_Save(benchmark::State &state)
{
    Fixture fixture(int(state.range(0)));
    for (auto _ : state) {
        if (WriteSoundInfo(fixture.table, fixture.path))
            state.SkipWithError("save failed");
    }
    setBytes(state, fixture);
}

void BM_PlainWrite(benchmark::State &state)
{
    Fixture fixture(int(state.range(0)));
    for (auto _ : state) {
        QFile file(fixture.path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(fixture.bytes) != fixture.bytes.size())
            state.SkipWithError("write failed");
    }
    setBytes(state, fixture);
}

// The whole load: read, parse and measure every sound file again (here none exists).
void BM_Load(benchmark::State &state)
{
    Fixture fixture(int(state.range(0)));
    for (auto _ : state) {
        SoundTable table;
        if (ReadSoundInfo(table, fixture.path))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(table);
    }
    setBytes(state, fixture);
}

// Read and parse only, without measuring the sound files.
void BM_ReadAndParse(benchmark::State &state)
{
    Fixture fixture(int(state.range(0)));
    for (auto _ : state) {
        QFile file(fixture.path);
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("open failed");
        FileError error;
        benchmark::DoNotOptimize(ParseSoundInfo(file.readAll(), &error));
    }
    setBytes(state, fixture);
}

void BM_ReadAll(benchmark::State &state)
{
    Fixture fixture(int(state.range(0)));
    for (auto _ : state) {
        QFile file(fixture.path);
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(file.readAll());
    }
    setBytes(state, fixture);
}

BENCHMARK(BM_Save)->Arg(999)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWrite)->Arg(999)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Load)->Arg(999)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadAndParse)->Arg(999)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadAll)->Arg(999)->Arg(32767)->Unit(benchmark::kMicrosecond);

// Prints as usual and remembers each run's time for the summary.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatio(const std::string &what, const std::string &base, int count) const
    {
        std::string suffix = std::to_string(count);
        suffix.insert(suffix.begin(), '/');
        const auto a = times.find(what + suffix);
        const auto b = times.find(base + suffix);
        if (a == times.end() || b == times.end() || b->second <= 0)
            return;
        std::printf("%-16s %6d records: %8.1f x %s\n", what.c_str(), count, a->second / b->second,
                    base.c_str());
    }

    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (real time):\n");
    for (int count : {999, 32767}) {
        reporter.printRatio("BM_Save", "BM_PlainWrite", count);
        reporter.printRatio("BM_Load", "BM_ReadAll", count);
        reporter.printRatio("BM_ReadAndParse", "BM_ReadAll", count);
    }
    benchmark::Shutdown();
    return 0;
}
