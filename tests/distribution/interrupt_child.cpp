// A distribution stopped by Ctrl+C: sonquill-cli's handling of interrupts around a real run,
// for the test that sends the signal. Arguments: game folder, encoder template, WAV files.
#include "catalogue/PathUtils.h"
#include "cli/Interrupts.h"
#include "distribution/Distribution.h"
#include "distribution/SystemProcessRunner.h"
#include "support/ScriptedUi.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

using namespace sonquill;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    InstallInterruptHandlers();
    const QStringList arguments = app.arguments();
    QList<SoundRecord> records;
    for (qsizetype i = 3; i < arguments.size(); ++i)
        records.append({NameFromPath(arguments[i]),
                        arguments[i],
                        qint16(i - 2),
                        0,
                        {},
                        0,
                        float(QFileInfo(arguments[i]).size())});
    SoundTable table;
    table.replaceAll(records);
    DistributionOptions options;
    options.OggUse = true;
    options.ogg = {.MinSize = 0, .UseCustom = 1, .CustomPath = arguments.value(2)};
    options.showSummary = false;
    test::ScriptedUi messages;
    test::RecordingProgress progress;
    SystemProcessRunner runner;
    const DistributionResult result = Distribute(table, arguments.value(1), options,
                                                 {messages, progress, runner, InterruptRequested});
    std::printf("%s\n", qPrintable(result.summaryText));
    return result.cancelled ? InterruptExitCode() : 0;
}
