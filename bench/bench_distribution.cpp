// The distribution run against the plain tools doing the same file work: 999 small WAV and MP3
// copies beside one `cp` of the same files, and 20 WAVs of about 1 MB encoded by the real
// oggenc beside running oggenc on them directly, one after the other. The summary at the end
// gives how many times slower the run is than its plain counterpart.
#include "distribution/Distribution.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include "TimesReporter.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

using namespace sonquill;

namespace {

class QuietMessages : public MessageSink
{
public:
    MessageRequest::Button showMessage(const MessageRequest &request) override
    {
        if (request.buttons.contains(MessageRequest::Button::Ignore))
            return MessageRequest::Button::Ignore;
        return request.defaultButton;
    }
    void abortProgram() override { std::abort(); }
};

class NoProgress : public ProgressSink
{
public:
    void ShowProgress(const QString &, const QString &, qint16, bool) override {}
    void AdvanceProgress(qint16) override {}
    void CloseProgress() override {}
};

void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

// A 16-bit mono PCM WAV file of totalBytes bytes holding a tone.
QByteArray wavBytes(int totalBytes)
{
    const int dataBytes = totalBytes - 44;
    QByteArray out;
    out.reserve(totalBytes);
    out.append("RIFF");
    appendLe(out, quint32(totalBytes - 8), 4);
    out.append("WAVEfmt ");
    appendLe(out, 16, 4);
    appendLe(out, 1, 2);
    appendLe(out, 1, 2);
    appendLe(out, 22050, 4);
    appendLe(out, 44100, 4);
    appendLe(out, 2, 2);
    appendLe(out, 16, 2);
    out.append("data");
    appendLe(out, quint32(dataBytes), 4);
    for (int i = 0; i < dataBytes / 2; ++i)
        appendLe(out, quint16(qint16(8000 * std::sin(2 * M_PI * 440 * i / 22050.0))), 2);
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

    Corpus(int count, bool largeWavs)
    {
        QDir(dir.path()).mkpath(QStringLiteral("sfx"));
        QDir(dir.path()).mkpath(QStringLiteral("game"));
        QDir(dir.path()).mkpath(QStringLiteral("plain"));
        QList<SoundRecord> records;
        for (int n = 1; n <= count; ++n) {
            const bool wav = largeWavs || n % 2 == 1;
            const QByteArray bytes = largeWavs ? wavBytes(1000000 + n * 1000)
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

void runPlain(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        qFatal("%s failed", qPrintable(program));
}

DistributionOptions options(bool oggUse, const QString &programFolder)
{
    DistributionOptions result;
    result.OggUse = oggUse;
    result.ogg.UseCustom = 0;
    result.ogg.Quality = 3;
    result.ogg.MinSize = 4;
    result.programFolder = programFolder; // holds no oggenc2: oggenc is found on the path
    return result;
}

void BM_DistributeCopies(benchmark::State &state)
{
    const Corpus corpus(999, false);
    QuietMessages messages;
    NoProgress progress;
    SystemProcessRunner runner;
    for (auto _ : state) {
        const DistributionResult result =
            Distribute(corpus.table, corpus.gameFolder(), options(false, corpus.sourceFolder()),
                       {messages, progress, runner});
        if (result.soundFailed || result.copiedCount != 999)
            state.SkipWithError("the run failed");
    }
}

void BM_CpCopies(benchmark::State &state)
{
    const Corpus corpus(999, false);
    for (auto _ : state)
        runPlain(QStringLiteral("cp"),
                 QStringList{QStringLiteral("-f"), QStringLiteral("-t"), corpus.plainFolder()} +
                     corpus.sources);
}

void BM_DistributeOggenc(benchmark::State &state)
{
    const Corpus corpus(20, true);
    QuietMessages messages;
    NoProgress progress;
    SystemProcessRunner runner;
    for (auto _ : state) {
        const DistributionResult result =
            Distribute(corpus.table, corpus.gameFolder(), options(true, corpus.sourceFolder()),
                       {messages, progress, runner});
        if (result.soundFailed || result.encodedCount != 20)
            state.SkipWithError("the run failed");
    }
}

void BM_OggencDirect(benchmark::State &state)
{
    const Corpus corpus(20, true);
    const QString oggenc = QStandardPaths::findExecutable(QStringLiteral("oggenc"));
    for (auto _ : state) {
        for (int n = 1; n <= 20; ++n) {
            runPlain(oggenc, {corpus.sources[n - 1], QStringLiteral("-o"),
                              corpus.plainFolder() + QStringLiteral("/SOUND%1.ogg").arg(n),
                              QStringLiteral("-q3")});
        }
    }
}

BENCHMARK(BM_DistributeCopies)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_CpCopies)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DistributeOggenc)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_OggencDirect)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nDistribution run / plain tools (real time):\n");
    reporter.printRatio("999 copies: run / cp", "BM_DistributeCopies", "BM_CpCopies");
    reporter.printRatio("20 encodings: run / oggenc one by one", "BM_DistributeOggenc",
                        "BM_OggencDirect");
    benchmark::Shutdown();
    return 0;
}
