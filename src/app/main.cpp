#include "catalogue/SoundTable.h"
#include "distribution/ProcessRunner.h"
#include "storage/Settings.h"
#include "ui/dialogs/FrmAbout.h"
#include "ui/dialogs/FrmOgg.h"
#include "ui/dialogs/FrmProgress.h"
#include "ui/dialogs/QtDesktopShell.h"
#include "ui/dialogs/QtSoundPlayer.h"
#include "ui/dialogs/QtUserInterface.h"
#include "ui/main/Form1.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

using namespace sonquill;

namespace {

bool saveGrab(QWidget *widget, const QString &path)
{
    if (!widget)
        return false;
    QApplication::processEvents();
    return widget->grab().save(path);
}

// Pictures of the main window and its dialogs for looking at the layout; the catalogue is not
// saved afterwards.
int runScreenshotDemo(Form1 &window, FrmProgressSink &progress, const QString &outputFolder)
{
    QDir().mkpath(outputFolder);
    SoundTable &table = window.table();
    for (int i = 2; i <= std::min<int>(3, table.SoundCount()); ++i)
        table.at(i).selected = kTrue16;
    window.gridSound_Update();

    bool saved = saveGrab(&window, QDir(outputFolder).filePath(QStringLiteral("main.png")));
    window.cmdOggOptions_Click();
    saved &= saveGrab(window.oggOptionsDialog(),
                      QDir(outputFolder).filePath(QStringLiteral("options.png")));
    window.oggOptionsDialog()->close();
    progress.ShowProgress(QStringLiteral("Distributing Files"),
                          QStringLiteral("Copying/Encoding 12 files..."), 12, false);
    for (int i = 0; i < 5; ++i)
        progress.AdvanceProgress(1);
    saved &= saveGrab(progress.currentWindow(),
                      QDir(outputFolder).filePath(QStringLiteral("progress.png")));
    progress.CloseProgress();
    window.mnuHelp_Click(4);
    saved &=
        saveGrab(window.aboutDialog(), QDir(outputFolder).filePath(QStringLiteral("about.png")));
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonquill"));
    QApplication::setApplicationVersion(QStringLiteral(SONQUILL_VERSION));

    SettingsStore settings;
    QtUserInterface ui;
    QtDesktopShell shell;
    SystemProcessRunner runner;
    FrmProgressSink progress;
    Form1Services services{ui,
                           shell,
                           settings,
                           runner,
                           progress,
                           [] { return std::make_unique<QtSoundPlayer>(); },
                           QCoreApplication::applicationDirPath()};
    Form1 window(services);
    ui.setParentWidget(&window);
    window.show();

    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype demo = arguments.indexOf(QStringLiteral("--screenshot-demo"));
    if (demo >= 0 && demo + 1 < arguments.size()) {
        const QString outputFolder = arguments.at(demo + 1);
        QTimer::singleShot(500, &window, [&] {
            QCoreApplication::exit(runScreenshotDemo(window, progress, outputFolder));
        });
    }
    return app.exec();
}
