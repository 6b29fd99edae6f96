// MakeSort plus a full refill of the main window's grid, for a small and a full-size catalogue,
// with and without the repaint that follows.
#include "services/ProcessRunner.h"
#include "services/ProgressSink.h"
#include "storage/Settings.h"
#include "storage/SoundInfoFile.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace sonquill;

namespace {

// The window's collaborators do nothing here: no dialog, shell, encoder or sound.
class SilentUi : public UserInterface
{
public:
    MessageRequest::Button showMessage(const MessageRequest &request) override
    {
        return request.defaultButton;
    }
    void abortProgram() override {}
    std::optional<QStringList> openFiles(const FileDialogRequest &) override { return {}; }
    std::optional<QString> inputText(const QString &, const QString &, const QString &) override
    {
        return {};
    }
};

class SilentShell : public DesktopShell
{
public:
    int ShellExecute(const QString &, const QString &) override { return 2; }
    bool startSystemInformation() override { return false; }
};

class SilentRunner : public ProcessRunner
{
public:
    RunResult RunAndWait(const QString &, bool, int, const std::function<void()> &) override
    {
        return {};
    }
};

class SilentProgress : public ProgressSink
{
public:
    void ShowProgress(const QString &, const QString &, qint16, bool) override {}
    void AdvanceProgress(qint16) override {}
    void CloseProgress() override {}
};

struct Window
{
    QTemporaryDir home;
    SettingsStore settings{home.filePath(QStringLiteral("Sonquill.conf"))};
    SilentUi ui;
    SilentShell shell;
    SilentRunner runner;
    SilentProgress progress;
    std::unique_ptr<MainWindow> form;

    explicit Window(int count)
    {
        // Nothing of the real user's game folder is read.
        qputenv("HOME", home.path().toLocal8Bit());
        QList<SoundRecord> records;
        for (int i = 0; i < count; ++i) {
            SoundRecord record;
            record.name = QStringLiteral("Sound %1").arg((i * 7919) % count);
            record.filename = QStringLiteral("/sfx/set%1/sound%2.wav").arg(i % 37).arg(i);
            record.category = QStringLiteral("Category %1").arg(i % 150);
            record.number = qint16(i % 999 + 1);
            record.size = float((i * 104729) % 5000000);
            record.locked = toBool16(i % 3 == 0);
            record.selected = toBool16(i % 5 == 0);
            records.append(record);
        }
        // The window starts on a saved catalogue, as an author's does.
        SoundTable table;
        table.replaceAll(records);
        QDir().mkpath(home.filePath(QStringLiteral("Game")));
        QFile file(home.filePath(QStringLiteral("Game/SoundInfo.dat")));
        if (file.open(QIODevice::WriteOnly))
            file.write(SerializeSoundInfo(table));
        file.close();
        settings.setLastGameDir(home.filePath(QStringLiteral("Game")));
        form = std::make_unique<MainWindow>(
            MainWindowServices{ui, shell, settings, runner, progress, {}, home.path()});
        form->show();
        QApplication::processEvents();
    }
};

void BM_MakeSortAndRefill(benchmark::State &state)
{
    Window window(int(state.range(0)));
    for (auto _ : state) {
        window.form->refreshGrid();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_HeaderClickSortsAndRepaints(benchmark::State &state)
{
    Window window(int(state.range(0)));
    QHeaderView *header = window.form->findChild<QTableView *>()->horizontalHeader();
    int column = 2;
    for (auto _ : state) {
        // Alternating Category and Name headers, clicked as a user clicks them.
        const QPointF at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                         header->height() / 2);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent click(type, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(header->viewport(), &click);
        }
        window.form->repaint();
        column = column == 2 ? 3 : 2;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_MakeSortAndRefill)->Arg(999)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderClickSortsAndRepaints)->Arg(999)->Arg(32767)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
