// Saves pictures of the main window on a demo catalogue, sorted and with a widened column, and of
// the Ogg options, the progress window and the About box, for looking at the layout.
// Usage: screenshot_tool OUTPUT_FOLDER

#include "Form1Harness.h"

#include "ui/dialogs/FrmAbout.h"
#include "ui/dialogs/FrmOgg.h"
#include "ui/dialogs/FrmProgress.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTextStream>

using namespace sonquill;
using namespace sonquill::test;

namespace {

bool saveGrab(QWidget *widget, const QString &path)
{
    if (!widget) {
        QTextStream(stderr) << "Nothing to picture for " << path << "\n";
        return false;
    }
    QTest::qWait(200);
    const bool saved = widget->grab().save(path);
    if (!saved)
        QTextStream(stderr) << "Could not write " << path << "\n";
    return saved;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonquill"));
    if (argc < 2) {
        QTextStream(stderr) << "Usage: screenshot_tool OUTPUT_FOLDER\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());

    Form1Harness h;
    const QList<std::pair<QString, QString>> demo{{"Door Creak", "Doors"}, {"Thunder", "Weather"},
                                                  {"Footsteps", "People"}, {"Bird Song", "Nature"},
                                                  {"Clock Tick", "Doors"}, {"Splash", "Water"}};
    QList<SoundRecord> records;
    for (qsizetype i = 0; i < demo.size(); ++i) {
        records.append(makeRecord(demo[i].first, qint16(i + 1), demo[i].second, i == 1, false,
                                  h.makeSource(demo[i].first + ".wav", 20000 * (i + 1))));
    }
    SoundTable table;
    table.replaceAll(records);
    writeFile(h.catalogueIn(h.gameFolder()), SerializeSoundInfo(table));
    h.settings.setLastGameDir(h.gameFolder());
    h.settings.setOggUse(true);
    FrmProgressSink progress;
    Form1 &window = h.open(nullptr, &progress);

    h.click(0, ColCategory);
    h.click(2, ColSize);
    h.click(3, ColSize, Qt::LeftButton, Qt::ControlModifier);
    QHeaderView *header = h.grid()->horizontalHeader();
    header->resizeSection(ColName, header->sectionSize(ColName) + 40);

    bool saved = saveGrab(&window, out.filePath("main.png"));
    QTest::mouseClick(h.control<QWidget>("cmdOggOptions"), Qt::LeftButton);
    saved &= saveGrab(window.findChild<FrmOgg *>(), out.filePath("options.png"));
    if (auto *options = window.findChild<FrmOgg *>())
        options->close();
    progress.ShowProgress(QStringLiteral("Distributing Files"),
                          QStringLiteral("Copying/Encoding 12 files..."), 12, false);
    for (int i = 0; i < 5; ++i)
        progress.AdvanceProgress(1);
    saved &= saveGrab(progress.currentWindow(), out.filePath("progress.png"));
    progress.CloseProgress();
    for (QAction *action : window.findChildren<QAction *>(QStringLiteral("mnuHelp"))) {
        if (action->data().toInt() == 4)
            action->trigger();
    }
    saved &= saveGrab(window.findChild<FrmAbout *>(), out.filePath("about.png"));
    return saved ? 0 : 1;
}
