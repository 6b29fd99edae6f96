#include "distribution/SystemProcessRunner.h"
#include "storage/Settings.h"
#include "ui/common/QtDesktopShell.h"
#include "ui/common/QtSoundPlayer.h"
#include "ui/common/QtUserInterface.h"
#include "ui/dialogs/ProgressDialog.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>

#include <cstdio>

using namespace sonquill;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonquill"));
    QApplication::setApplicationVersion(QStringLiteral(SONQUILL_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/org.sonquill.Sonquill.svg")));

    // Qt's own options (-platform, -style, ...) are gone from the arguments by now.
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Keeps the sound catalogue of an Orvane game and puts its sounds into the "
                       "game folder."));
    parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Sound files to add to the catalogue, as Add Sound(s) adds them."),
        QStringLiteral("[FILE...]"));
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "sonquill: %s (see --help)\n", qUtf8Printable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(versionOption)) {
        std::printf("sonquill %s\n", SONQUILL_VERSION);
        return 0;
    }
    // Prints the help (with Qt's options for --help-all) and exits when asked for; nothing else.
    parser.process(app);

    SettingsStore settings;
    QtUserInterface ui;
    QtDesktopShell shell;
    SystemProcessRunner runner;
    ProgressDialogSink progress;
    MainWindowServices services{ui,
                                shell,
                                settings,
                                runner,
                                progress,
                                [] { return std::make_unique<QtSoundPlayer>(); },
                                QCoreApplication::applicationDirPath()};
    MainWindow window(services);
    ui.setParentWidget(&window);
    progress.setParentWidget(&window);
    window.show();

    // Files handed over by the desktop ("Open With") join the catalogue as Add Sound(s) adds.
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, files] { window.addSoundFiles(files); });
    return app.exec();
}
