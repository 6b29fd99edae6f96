#include "distribution/SystemProcessRunner.h"
#include "storage/Settings.h"
#include "ui/common/QtDesktopShell.h"
#include "ui/common/QtSoundPlayer.h"
#include "ui/common/QtUserInterface.h"
#include "ui/dialogs/FrmProgress.h"
#include "ui/main/Form1.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

using namespace sonquill;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonquill"));
    QApplication::setApplicationVersion(QStringLiteral(SONQUILL_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/org.sonquill.Sonquill.svg")));

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
    progress.setParentWidget(&window);
    window.show();

    // Files handed over by the desktop ("Open With") join the catalogue as Add Sound(s) adds.
    QStringList files = QCoreApplication::arguments().mid(1);
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, files] { window.addSoundFiles(files); });
    return app.exec();
}
