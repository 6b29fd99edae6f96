// Saves pictures of the main window on a demo catalogue, sorted and with a widened column, and of
// the Ogg options, the progress window and the About box, for looking at the layout.
// Usage: screenshot_tool OUTPUT_FOLDER [--dark]; --dark pictures them under a dark desktop palette.

#include "MainWindowHarness.h"

#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/OggOptionsDialog.h"
#include "ui/dialogs/ProgressDialog.h"

#include <QTextStream>

using namespace sonquill;
using namespace sonquill::test;

static bool saveGrab(QWidget *widget, const QString &path)
{
    QTest::qWait(200);
    if (widget && widget->grab().save(path))
        return true;
    QTextStream(stderr) << "Could not picture " << path << "\n";
    return false;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonquill"));
    if (argc < 2) {
        QTextStream(stderr) << "Usage: screenshot_tool OUTPUT_FOLDER [--dark]\n";
        return 2;
    }
    if (argc > 2 && QString::fromLocal8Bit(argv[2]) == QStringLiteral("--dark")) {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(45, 45, 45));
        dark.setColor(QPalette::WindowText, QColor(220, 220, 220));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::AlternateBase, QColor(40, 40, 40));
        dark.setColor(QPalette::Text, QColor(220, 220, 220));
        dark.setColor(QPalette::Button, QColor(55, 55, 55));
        dark.setColor(QPalette::ButtonText, QColor(220, 220, 220));
        dark.setColor(QPalette::Highlight, QColor(40, 80, 160));
        dark.setColor(QPalette::HighlightedText, Qt::white);
        dark.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
        dark.setColor(QPalette::ToolTipText, QColor(220, 220, 220));
        QApplication::setPalette(dark);
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());

    MainWindowHarness h;
    const QStringList demo{"Door Creak|Doors", "Thunder|Weather",  "Footsteps|People",
                           "Bird Song|Nature", "Clock Tick|Doors", "Splash|Water"};
    QList<SoundRecord> records;
    for (qsizetype i = 0; i < demo.size(); ++i) {
        const QString name = demo[i].section('|', 0, 0);
        records.append(makeRecord(name, qint16(i + 1), demo[i].section('|', 1), i == 1, false,
                                  h.makeSource(name + ".wav", 20000 * (i + 1))));
    }
    h.settings.setOggUse(true);
    ProgressDialogSink progress;
    writeFile(h.catalogueIn(h.gameFolder()), SerializeSoundInfo(h.table(records)));
    h.settings.setLastGameDir(h.gameFolder());
    MainWindow &window = h.open(nullptr, &progress);

    h.click(0, ColCategory);
    h.click(2, ColSize);
    h.click(3, ColSize, Qt::LeftButton, Qt::ControlModifier);
    QHeaderView *header = h.grid()->horizontalHeader();
    header->resizeSection(ColName, header->sectionSize(ColName) + 40);
    bool saved = saveGrab(&window, out.filePath("main.png"));
    h.press("cmdOggOptions");
    saved &= saveGrab(window.findChild<OggOptionsDialog *>(), out.filePath("options.png"));
    if (auto *options = window.findChild<OggOptionsDialog *>())
        options->close();
    progress.ShowProgress("Distributing Files", "Copying/Encoding 12 files...", 12, false);
    for (int i = 0; i < 5; ++i)
        progress.AdvanceProgress(1);
    saved &= saveGrab(progress.currentWindow(), out.filePath("progress.png"));
    progress.CloseProgress();
    h.trigger("mnuHelp 4");
    saved &= saveGrab(window.findChild<AboutDialog *>(), out.filePath("about.png"));
    return saved ? 0 : 1;
}
