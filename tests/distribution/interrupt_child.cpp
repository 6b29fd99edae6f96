// A distribution stopped by Ctrl+C: sonquill-cli's handling of interrupts around a real run,
// for the test that sends the signal. Arguments: game folder, encoder template, WAV files.
#include "catalogue/PathUtils.h"
#include "cli/Interrupts.h"
#include "distribution/Distribution.h"
#include "distribution/SystemProcessRunner.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

using namespace sonquill;

namespace {

class Quiet : public MessageSink
{
public:
    MessageRequest::Button showMessage(const MessageRequest &request) override
    {
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    InstallInterruptHandlers();
    const QStringList arguments = app.arguments();
    QList<SoundRecord> records;
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        SoundRecord &record = records.emplace_back();
        record.name = NameFromPath(arguments[i]);
        record.filename = arguments[i];
        record.number = qint16(i - 2);
        record.size = float(QFileInfo(arguments[i]).size());
    }
    SoundTable table;
    table.replaceAll(records);
    DistributionOptions options;
    options.OggUse = true;
    options.ogg = {.MinSize = 0, .UseCustom = 1, .CustomPath = arguments.value(2)};
    options.showSummary = false;
    Quiet messages;
    NoProgress progress;
    SystemProcessRunner runner;
    const DistributionResult result = Distribute(table, arguments.value(1), options,
                                                 {messages, progress, runner, InterruptRequested});
    std::printf("%s\n", qPrintable(result.summaryText));
    return result.cancelled ? InterruptExitCode() : 0;
}
