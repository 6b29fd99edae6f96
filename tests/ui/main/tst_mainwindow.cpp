// The main window: start-up and layout, selecting with the mouse and the keys, the menus, and a
// whole session with the real encoder.

#include "MainWindowHarness.h"
#include "ui/dialogs/OggOptionsDialog.h"
#include "ui/dialogs/ProgressDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// Notes the command line of each encoder it starts (on the run's thread), then starts it.
class RecordingRunner : public ProcessRunner
{
public:
    RunResult RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                         const std::function<void()> &idle = {}) override
    {
        commandLines.append(commandLine);
        return m_real.RunAndWait(commandLine, hideWindow, timeoutMs, idle);
    }
    QStringList commandLines;

private:
    SystemProcessRunner m_real;
};

// Starts a distribution by a click and waits until its summary has been shown.
void distributeBy(const std::function<void()> &click, MainWindow &window)
{
    QSignalSpy finished(&window, &MainWindow::distributionFinished);
    click();
    QVERIFY(window.isDistributing());
    QVERIFY(finished.wait(60000));
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data()
    {
        QTest::addColumn<QString>("storedOggUse");
        QTest::addColumn<int>("checkState");
        QTest::addColumn<QString>("storedAfter");
        QTest::addColumn<QSize>("client"); // resized to: no control may be clipped
        // clang-format off
        QTest::newRow("no settings, large") << QString() << int(Qt::Unchecked) << "absent" << QSize(1400, 1000);
        QTest::newRow("OggUse 1 checks the box") << "1" << int(Qt::Checked) << "1" << QSize(420, 320);
        QTest::newRow("OggUse 2 greys it, writes 0") << "2" << int(Qt::PartiallyChecked) << "0" << QSize(420, 320);
        // clang-format on
    }
    void startUp()
    {
        QFETCH(QString, storedOggUse);
        QFETCH(int, checkState);
        QFETCH(QSize, client);

        MainWindowHarness h;
        if (!storedOggUse.isNull())
            h.settings.write("Ogg", "OggUse", storedOggUse);
        MainWindow &w = h.open();
        QCOMPARE(int(h.control<QCheckBox>("chkOgg")->checkState()), checkState);
        QTEST(h.settings.read("Ogg", "OggUse", "absent"), "storedAfter");
        QCOMPARE(h.control<QLineEdit>("txtDir")->text(), h.home() + "/Sonquill/Compiled");
        QCOMPARE(h.shown({ColNumber, ColName}), ""); // no row, nothing to edit
        h.startEdit(1, ColName);
        h.startEdit(1, ColFilename);
        QVERIFY(!h.control("txtGrid"));
        QVERIFY(h.ui.fileRequests.isEmpty() && h.ui.messages.isEmpty());
        h.press("chkOgg"); // a click on the grey box checks it
        QCOMPARE(h.settings.oggUse(), qint16(checkState == Qt::Checked ? 0 : 1));

        // A small window stops where every control fits; the grid fills the room above the
        // bottom panel without overlapping it.
        const QSize chrome = w.size() - w.centralWidget()->size();
        QHeaderView *header = h.grid()->horizontalHeader();
        const int lengthWidth = header->sectionSize(ColLength);
        w.resize(client + chrome);
        client = client.expandedTo(w.minimumSize() - chrome);
        QTRY_COMPARE(w.centralWidget()->size(), client);
        for (QWidget *control : w.centralWidget()->findChildren<QWidget *>()) {
            const QRect inClient(control->mapTo(w.centralWidget(), QPoint(0, 0)), control->size());
            if (!control->isVisible() || control->parentWidget()->objectName() == "gridSound")
                continue;
            QVERIFY2(w.centralWidget()->rect().contains(inClient),
                     qPrintable(control->objectName()));
            if (qobject_cast<QAbstractButton *>(control) || qobject_cast<QLabel *>(control))
                QVERIFY2(control->width() >= control->minimumSizeHint().width(),
                         qPrintable(control->objectName()));
        }
        const QRect bottom = h.control("picBottom")->geometry(), grid = h.grid()->geometry();
        QVERIFY(bottom.bottom() < client.height() && client.height() - bottom.bottom() < 20);
        QVERIFY(grid.bottom() < bottom.top() && bottom.top() - grid.bottom() < 20);
        QVERIFY(grid.right() < client.width() && client.width() - grid.right() < 20);
        // The file path column takes the room; the others keep their widths.
        QCOMPARE(header->sectionSize(ColLength), lengthWidth);
        if (client.width() > 1000)
            QCOMPARE(header->length(), h.grid()->viewport()->width());

        // Closing an empty catalogue whose default folder does not exist reports nothing; a
        // catalogue with sounds in it is never dropped silently.
        if (!storedOggUse.isNull()) {
            h.ui.fileAnswers.enqueue(QStringList{h.makeSource("Door.wav")});
            h.press("cmdAdd");
        }
        h.close();
        QCOMPARE(h.ui.messages.size(), storedOggUse.isNull() ? 0 : 1);
        QVERIFY(!QFileInfo::exists(h.home() + "/Sonquill"));
        QVERIFY(h.messages().join("").contains(storedOggUse.isNull() ? "" : "Raised while Saving"));
    }

    void selecting_data()
    {
        // Clicks on the "Size kb" column, whose edit does nothing, and keys, on eight sounds;
        // then the rows shown selected and the row of the current cell. "5" is a click on row 5
        // (0 is the header), "s" Shift, "c" Ctrl and "r" the right button, "2>6" a press on
        // row 2 released on row 6; keys are named as on the keyboard.
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("current");
        // clang-format off
        QTest::newRow("click replaces the selection") << "2 5" << "5" << 5;
        QTest::newRow("shift ranges from the last click") << "1 c2 s4" << "1 2 3 4" << 4;
        QTest::newRow("shift+ctrl adds a range") << "1 c8 sc5" << "1 5 6 7 8" << 5;
        QTest::newRow("ctrl deselects only that row") << "2 c4 c2" << "4" << 2;
        QTest::newRow("first shift click ranges from the top") << "s3" << "1 2 3" << 3;
        QTest::newRow("press and release on two rows") << "2 5>6" << "5" << 5;
        QTest::newRow("right-click on an unselected row") << "2 c3 r5" << "5" << 5;
        QTest::newRow("right-click in a multi-selection") << "2 c3 r3" << "2 3" << 3;
        QTest::newRow("right-click on the header") << "2 r0" << "2" << 2;
        QTest::newRow("the Menu key") << "2 c4 Menu" << "2 4" << 4;
        QTest::newRow("shift+F10") << "3 Shift+F10" << "3" << 3;
        QTest::newRow("shift+arrows stretch it") << "2 Shift+Down Shift+Down Shift+Up" << "2 3" << 3;
        QTest::newRow("ctrl moves the focus alone") << "2 Ctrl+Down Ctrl+Down" << "2" << 4;
        QTest::newRow("end") << "2 End" << "8" << 8;
        QTest::newRow("shift+home") << "2 Down Shift+Home" << "1 2 3" << 1;
        QTest::newRow("delete one, unasked") << "2 Del" << "" << 2;
        // clang-format on
    }
    void selecting()
    {
        QFETCH(QString, input);
        QFETCH(int, current);

        MainWindowHarness h;
        MainWindow &w = h.openWith(h.sounds(8));
        for (QString step : input.split(' ')) {
            if (step.at(0).isUpper()) {
                const QKeyCombination key = QKeySequence(step)[0];
                QTest::keyClick(h.grid(), key.key(), key.keyboardModifiers());
                continue;
            }
            Qt::KeyboardModifiers modifiers;
            Qt::MouseButton button = Qt::LeftButton;
            for (; !step.at(0).isDigit(); step.remove(0, 1)) {
                const char flag = step.at(0).toLatin1();
                modifiers |= flag == 's'   ? Qt::ShiftModifier
                             : flag == 'c' ? Qt::ControlModifier
                                           : Qt::NoModifier;
                button = flag == 'r' ? Qt::RightButton : button;
            }
            h.click(step.section('>', 0, 0).toInt(), ColSize, button, modifiers,
                    step.section('>', -1).toInt());
        }
        // Rows are numbered as they are shown.
        const QStringList marked = h.shown({ColNumber}).split('/').filter("*");
        QTEST(marked.join(' ').remove('*'), "selected");
        QCOMPARE(h.currentRow(), current);
        // "Selected file" names the sound the current cell is on.
        QCOMPARE(h.control<QLabel>("lblFile")->text(),
                 w.table().at(h.soundOnRow(current)).filename);
        // The grid's menu opens by the right button and the keys made for it.
        const QString last = input.section(' ', -1);
        const auto *menu = w.findChild<QMenu *>("mnuGrid");
        QVERIFY(menu);
        QCOMPARE(menu->isVisible(), last.startsWith('r') || last == "Menu" || last == "Shift+F10");
        QVERIFY(h.ui.messages.isEmpty());
        const int sounds = input.endsWith("Del") ? 7 : 8;
        QCOMPARE(w.table().SoundCount(), qint16(sounds));
        // Each sound's file has 2000 bytes.
        const auto *summary = h.control<QLabel>("lblSummary");
        QVERIFY(summary);
        QCOMPARE(summary->text(), QStringLiteral("%1 sounds, %2 selected, %3.0 kB")
                                      .arg(sounds)
                                      .arg(marked.size())
                                      .arg(2 * sounds));
    }

    // Help by F1, the new category for the selection, the lists, previewing and clearing old
    // files, on one window.
    void menus()
    {
        MainWindowHarness h;
        const QDir game(h.gameFolder());
        for (const char *name : {"SOUND5.ogg", "sound7.MP3", "SOUND3.wav", "SOUND05.ogg"})
            writeFile(game.filePath(name), "x");
        const QString zed = h.makeSource("Zed.wav");
        MainWindow &w = h.openWith(
            h.table({makeRecord("Mid", 1, "First", false, false, h.makeSource("Mid.wav")),
                     makeRecord("Zed", 2, "Second", true, true, zed),
                     makeRecord("Abe", 3, "Third", false, true, game.filePath("SOUND3.wav"))}));
        // The grid's own menu holds the Sound and the Edit commands.
        QStringList entries;
        for (const QAction *entry : w.findChild<QMenu *>("mnuGrid")->actions())
            entries.append(entry->text());
        QCOMPARE(entries.join('|'), "&Remove Selected|&Lock/Unlock Selected|&Change Selected's "
                                    "Category||&Play|&Stop|&Open|&Edit|Play &Distributed||&Undo|"
                                    "&Redo||Select All|Remove all sounds");
        const QString page = h.home() + "/Program/SonquillHelp.html";
        QTest::keyClick(h.grid(), Qt::Key_F1);
        QCOMPARE(h.messages(),
                 QStringList{"No Help Found. | The help file, " + page + ", was not found. | Ok*"});
        QCOMPARE(h.shell.calls.value(0).path, page);
        h.shell.calls.clear();

        // The category of the first selected sound in the table, not on the grid, is offered; an
        // empty answer keeps the categories, others are taken as typed and offered for new sounds.
        h.click(0, ColName);
        h.ui.inputAnswers.append({QString(), QString(" New ")});
        for (const char *grid :
             {"Abe,Third*/Mid,First/Zed,Second*", "Abe, New */Mid,First/Zed, New *"}) {
            h.trigger("mnuSoundPop 10");
            QCOMPARE(h.shown({ColName, ColCategory}), grid);
        }
        QCOMPARE(h.ui.inputRequests.value(0).preset, "Second");
        QVERIFY(h.control<QComboBox>("cmbNewCat")->findText(" New ") >= 0);

        // The lists follow the order shown: locked sounds first.
        h.click(0, ColLock);
        QCOMPARE(h.shown({ColName}), "Zed*/Abe*/Mid");
        h.shell.answers.insert("open", 42);
        for (int i = 0; i < 3; ++i)
            h.trigger(QStringLiteral("mnuUtils %1").arg(2 * i + 2));
        QStringList opened, all;
        for (const ScriptedShell::Call &call : h.shell.calls)
            opened.append(QFileInfo(call.path).fileName() + " " + call.verb);
        QCOMPARE(opened.join(' '),
                 "AllSounds.txt open LockedSounds.txt open WinampPlaylist.m3u open");
        for (const QByteArray &line : readFile(game.filePath("AllSounds.txt")).split('\n'))
            all.append(QString(line).section(" : ", 1).trimmed());
        QCOMPARE(all.join(' ').simplified(), "Name Zed Abe Mid");
        h.shell.calls.clear();
        h.shell.answers.clear();

        // Nothing is current yet: nothing is named, played or opened.
        QCOMPARE(h.control<QLabel>("lblFile")->text(), "");
        for (const char *entry : {"mnuSound 2", "mnuSound 6", "mnuSound 8"})
            h.trigger(entry);
        QVERIFY(h.player->played.isEmpty() && h.shell.calls.isEmpty());
        h.click(1, ColName);
        h.trigger("mnuSound 2");
        h.trigger("mnuSound 4");
        QCOMPARE(h.player->played, QStringList{zed});
        QCOMPARE(h.player->stops, 1);
        // Play Distributed plays what the game plays, once there is such a file.
        h.trigger("mnuSound 10");
        QCOMPARE(w.statusBar()->currentMessage(), "Sound #2 has no distributed file in " +
                                                      h.gameFolder() + " yet; distribute first.");
        writeFile(game.filePath("SOUND2.wav"), "distributed");
        h.trigger("mnuSound 10");
        QCOMPARE(h.player->played, (QStringList{zed, game.filePath("SOUND2.wav")}));
        h.player->played.removeLast();
        h.startEdit(3, ColSize); // a double-click on a size cell plays that row's sound
        QTest::mouseDClick(h.grid()->viewport(), Qt::LeftButton, {},
                           h.grid()->visualRect(h.grid()->model()->index(2, ColSize)).center());
        QCOMPARE(h.player->played.value(1), w.table().at(1).filename); // Mid
        // Open asks once; Edit tries its verbs in order until one is accepted.
        h.click(1, ColName);
        h.shell.answers.insert("Record", 42);
        h.shell.answers.insert("open", 42);
        h.trigger("mnuSound 6");
        h.trigger("mnuSound 8");
        QStringList calls;
        for (const ScriptedShell::Call &call : h.shell.calls)
            calls.append(call.verb + (call.path == zed ? "" : " (other file)"));
        QCOMPARE(calls, (QStringList{"open", "Edit", "Record"}));
        QCOMPARE(h.ui.messages.size(), 1); // the help page's
        h.shell.answers.clear();           // nothing started says so
        h.trigger("mnuSound 8");
        QCOMPARE(h.messages().value(1),
                 "Sonquill | Neither a sound editor nor any other program could open " + zed +
                     ". | Ok*");
        // Clearing old files asks first (No by default) and keeps the files sounds use.
        const QString files = game.entryList(QDir::Files).join(' ');
        h.trigger("mnuFile 10");
        QCOMPARE(game.entryList(QDir::Files).join(' '), files);
        h.ui.messageAnswers.append({Button::Yes});
        h.trigger("mnuFile 10");
        QVERIFY(!game.exists("SOUND5.ogg") && game.exists("SOUND3.wav"));
        QCOMPARE(h.messages().value(4),
                 "Sonquill | These files were not deleted because sounds in "
                 "the list use them as their source files:\r\nSOUND3.wav | Ok*");
    }

    // Add real WAV files, lock one, set the quality, distribute with the real encoder under the
    // progress window, again and all again, close; then every file in the game folder.
    void wholeSession()
    {
        MainWindowHarness h;
        const QString big = h.makeSource("Thunder Clap.wav", 60000);
        const QString small = h.makeSource("Tick.WAV", 1200);
        QVERIFY2(QFile::exists(SONQUILL_OGGENC), "oggenc (vorbis-tools) is not installed");
        ProgressDialogSink sink;
        RecordingRunner runner;
        h.settings.setLastGameDir(h.gameFolder());
        MainWindow &w = h.open(&runner, &sink);
        sink.setParentWidget(&w);
        h.control<QComboBox>("cmbNewCat")->setEditText("Sfx");
        h.ui.fileAnswers.enqueue(QStringList{big, h.makeSource("Boom.wav", 9000), small});
        h.press("cmdAdd");
        h.startEdit(3, ColLock); // locks Tick
        h.press("chkOgg");
        h.press("cmdOggOptions");
        w.findChild<OggOptionsDialog *>()->findChild<QSlider *>("sldQuality")->setValue(7);
        distributeBy([&] { h.press("cmdDistribute"); }, w);

        QCOMPARE(runner.commandLines.size(), 2);
        const QString line = runner.commandLines.value(0); // the options reach the encoder
        QVERIFY2(line.contains(big) && line.endsWith("-q7"), qPrintable(line));
        QVERIFY(!sink.currentWindow());
        // Nothing is made again until Distribute All Again remakes everything.
        distributeBy([&] { h.press("cmdDistribute"); }, w);
        distributeBy([&] { w.findChild<QAction *>("mnuFileDistributeAgain")->trigger(); }, w);
        QCOMPARE(runner.commandLines.size(), 4);
        const QString done = "Copying Complete | Copying/Encoding of 3 files was successful.\r\n"
                             "\r\nOgg-encoding compressed wav's from 69 kB to ";
        QVERIFY2(h.messages().value(0).startsWith(done), qPrintable(h.messages().value(0)));
        QVERIFY(h.ui.messages[1].text.endsWith("3 sounds were already up to date."));
        QVERIFY2(h.messages()[2].startsWith(done), qPrintable(h.messages()[2]));
        h.close(); // the runs saved the catalogue, so closing asks nothing
        QCOMPARE(h.ui.messages.size(), 3);

        const QDir game(h.gameFolder());
        QCOMPARE(game.entryList(QDir::Files).join(' '),
                 "SOUND1.ogg SOUND2.ogg SOUND3.wav SoundCode.txt SoundInfo.dat SoundList.dat");
        // The catalogue as closed: the lock click selected Tick alone.
        const SoundTable expected = h.table(
            {makeRecord("Thunder Clap", 1, "Sfx", false, false, big, 60000.0f),
             makeRecord("Boom", 2, "Sfx", false, false, h.sourceFolder() + "/Boom.wav", 9000.0f),
             makeRecord("Tick", 3, "Sfx", true, true, small, 1200.0f)});
        QCOMPARE(readFile(game.filePath("SoundInfo.dat")), SerializeSoundInfo(expected));
    }

    // The run works off the window's thread: the list refuses changes until it has ended, and
    // Close in the progress window cancels it, ending its encoder.
    void distributionIsAJob()
    {
        MainWindowHarness h;
        const QString script = h.home() + "/slow.sh";
        writeFile(script, "#!/bin/sh\n: > \"$2\"; sleep 30; cp \"$1\" \"$2\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
        SaveOggSettings(h.settings, "3", "0", true, script + " %1 %2");
        h.settings.setOggUse(true);
        ProgressDialogSink sink;
        writeFile(h.catalogueIn(h.gameFolder()), SerializeSoundInfo(h.sounds(2)));
        h.settings.setLastGameDir(h.gameFolder());
        MainWindow &window = h.open(nullptr, &sink);
        sink.setParentWidget(&window);
        QSignalSpy finished(&window, &MainWindow::distributionFinished);
        h.press("cmdDistribute");
        QVERIFY(window.isDistributing());
        QTRY_VERIFY(sink.currentWindow() && sink.currentWindow()->isVisible());
        QTRY_COMPARE(runTool("pgrep", {"-f", script}), 0);

        window.addDroppedPaths({h.makeSource("Late.wav")});
        QCOMPARE(window.table().SoundCount(), 2);
        QVERIFY2(window.statusBar()->currentMessage().contains("distribution is running"),
                 qPrintable(window.statusBar()->currentMessage()));

        QTest::mouseClick(sink.currentWindow()->findChild<QPushButton *>("cmdClose"),
                          Qt::LeftButton);
        QVERIFY(finished.wait(20000));
        QVERIFY(!window.isDistributing());
        QCOMPARE(h.ui.messages.last().title, "Distribution Cancelled");
        QCOMPARE(runTool("pgrep", {"-f", script}), 1);
        window.addDroppedPaths({h.sourceFolder() + "/Late.wav"});
        QCOMPARE(window.table().SoundCount(), 3);
    }

    // File > Keep Game Folder Up to Date: remembered; each change of a source and each save
    // updates the folder in the background, never with a window; problems go to a list.
    void keepGameFolderUpToDate()
    {
        MainWindowHarness h;
        MainWindow &w = h.openWith(h.sounds(2));
        const QDir game(h.gameFolder());
        QAction *keep = w.findChild<QAction *>("mnuFileKeepUpToDate");
        QVERIFY(keep->isCheckable() && !keep->isChecked());
        QSignalSpy updated(&w, &MainWindow::gameFolderUpdated);
        const auto status = [&] { return w.statusBar()->currentMessage(); };
        keep->trigger();
        QVERIFY(updated.wait());
        QCOMPARE(h.settings.read("Data", "KeepUpToDate", ""), "1");
        QCOMPARE(status(), "Game folder updated: made SOUND1.wav, SOUND2.wav");

        const QByteArray louder = makeWav(3000);
        QVERIFY(writeFile(h.sourceFolder() + "/S1.wav", louder));
        QVERIFY(updated.wait());
        QCOMPARE(readFile(game.filePath("SOUND1.wav")), louder);
        QCOMPARE(status(), "Game folder updated: made SOUND1.wav; 1 up to date");

        // A sound added is distributed once it is saved.
        w.addSoundFiles({h.makeSource("S3.wav")});
        QVERIFY(!game.exists("SOUND3.wav"));
        h.trigger("mnuFile 4");
        QVERIFY(updated.wait());
        QVERIFY(game.exists("SOUND3.wav"));

        // A source that became a folder: its sound keeps its file, the problem is listed.
        QVERIFY(QFile::remove(h.sourceFolder() + "/S2.wav"));
        QVERIFY(QDir().mkdir(h.sourceFolder() + "/S2.wav"));
        QVERIFY(updated.wait());
        QVERIFY(game.exists("SOUND2.wav"));
        QVERIFY(status().startsWith("Game folder updated with problems: 2 up to date; "));
        QCOMPARE(h.control<QToolButton>("cmdUpdateProblems")->text(), "1 update problem");
        w.findChild<QAction *>("mnuFileUpdateProblems")->trigger();
        auto *list = w.findChild<QListWidget *>("lstProblems");
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->count(), 1);
        QVERIFY2(list->item(0)->text().contains(h.sourceFolder() + "/S2.wav (#2) : "),
                 qPrintable(list->item(0)->text()));
        QVERIFY(h.ui.messages.isEmpty() && h.progress.calls.isEmpty());

        keep->trigger();
        QCOMPARE(h.settings.read("Data", "KeepUpToDate", ""), "0");
        QVERIFY(writeFile(h.sourceFolder() + "/S1.wav", makeWav(4000)));
        // Nothing announces that no update comes: many times the watcher's quiet time.
        QVERIFY(!updated.wait(1500));
        QCOMPARE(readFile(game.filePath("SOUND1.wav")), louder);
    }

    // Remembered on, the window updates the folder at start; Distribute then waits for that
    // update to stop, and the list can be edited meanwhile.
    void distributeWaitsForTheUpdate()
    {
        MainWindowHarness h;
        // An encoder that takes its time, so that the update is still at work.
        const QString encoder = h.home() + "/slow.sh";
        writeFile(encoder, "#!/bin/sh\nsleep 2\n{ printf OggS; cat \"$1\"; } > \"$2\"\n");
        QFile::setPermissions(encoder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        h.settings.setKeepUpToDate(true);
        h.settings.setOggUse(true);
        SaveOggSettings(h.settings, "3", "0", true, encoder + " %1 %2");
        MainWindow &w = h.openWith(h.sounds(2));
        QVERIFY(w.findChild<QAction *>("mnuFileKeepUpToDate")->isChecked());
        QVERIFY(w.isUpdatingGameFolder());
        QSignalSpy updated(&w, &MainWindow::gameFolderUpdated);
        QSignalSpy finished(&w, &MainWindow::distributionFinished);
        h.edit(1, ColName, "Renamed");
        QCOMPARE(w.table().at(1).name, "Renamed");
        h.press("cmdDistribute");
        QVERIFY(w.isUpdatingGameFolder());
        QCOMPARE(w.statusBar()->currentMessage(), "The distribution starts as soon as the update "
                                                  "of the game folder has stopped.");
        QVERIFY(finished.wait(20000));
        QCOMPARE(updated.size(), 1);
        QCOMPARE(h.progress.calls.value(0).section('|', 0, 1), "show|Distributing Files");
        QCOMPARE(h.messages().value(0).section(" | ", 0, 0), "Copying Complete");
        QCOMPARE(QDir(h.gameFolder()).entryList({"SOUND*"}, QDir::Files | QDir::CaseSensitive),
                 (QStringList{"SOUND1.ogg", "SOUND2.ogg"}));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
