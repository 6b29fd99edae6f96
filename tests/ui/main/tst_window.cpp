// The main window as a desktop user drives it: editor focus, keyboard, undo and redo, dropped
// files, the header, the title, what is remembered between runs, another program's changes,
// text the catalogue cannot store, Check Sounds, the Length column and Distribute All Again.

#include "Form1Harness.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>
#include <QWheelEvent>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// Number, lock, category, name and file name of every row, without the selection or order.
QString content(const Form1Harness &h)
{
    QStringList rows = h.shown({ColNumber, ColLock, ColCategory, ColName, ColFilename})
                           .remove('*')
                           .remove(h.sourceFolder() + "/")
                           .split('/');
    rows.sort();
    return rows.join('/');
}

// A drag of local paths (none: plain text) onto the grid, then the drop; true when accepted.
bool drop(SoundGridView *grid, const QStringList &paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    paths.isEmpty() ? mime.setText("not a file") : mime.setUrls(urls);
    const QPoint at = grid->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(grid->viewport(), &enter);
    QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    if (enter.isAccepted())
        QApplication::sendEvent(grid->viewport(), &dropped);
    return enter.isAccepted() && dropped.isAccepted();
}

QStringList namesIn(const QString &catalogue)
{
    const SoundTable table = ParseSoundInfo(readFile(catalogue), nullptr);
    QStringList names;
    for (const SoundRecord &record : table.records())
        names.append(record.name);
    return names;
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void categoryArrowOpensTheList()
    {
        Form1Harness h;
        h.openWith(h.sounds(3));
        auto *txtDir = h.control<QLineEdit>("txtDir");
        const QString folder = txtDir->text();
        auto *cmbCateg = h.control<QComboBox>("cmbCateg");
        h.startEdit(2, ColCategory);
        QTRY_VERIFY(cmbCateg->isVisible());
        QTest::mouseClick(cmbCateg, Qt::LeftButton, {},
                          QPoint(cmbCateg->width() - 4, cmbCateg->height() / 2));
        QTRY_VERIFY(cmbCateg->view()->isVisible());
        QVERIFY(cmbCateg->isVisible() && !txtDir->hasFocus());
        QTest::keyClick(cmbCateg->view(), Qt::Key_Escape);
        QTRY_VERIFY(!cmbCateg->view()->isVisible());
        QVERIFY(cmbCateg->isVisible());
        QTest::keyClicks(QApplication::focusWidget(), "Z");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(txtDir->text() + "|" + h.settings.lastGameDir(), folder + "|" + folder);
        QCOMPARE(h.shown({ColName, ColCategory}), "S1,Misc/S2,MiscZ*/S3,Misc");
    }

    void refusedNumberIsNeverStoredUnasked_data()
    {
        QTest::addColumn<bool>("click");
        QTest::newRow("then the wheel") << false;
        QTest::newRow("then a click on another row") << true;
    }
    void refusedNumberIsNeverStoredUnasked()
    {
        QFETCH(bool, click);
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(40, "", "1"));
        auto *txtGrid = h.control<QLineEdit>("txtGrid");
        h.startEdit(2, ColNumber);
        QTRY_VERIFY(txtGrid->hasFocus());
        QTest::keyClicks(txtGrid, "4");
        QTest::keyClick(txtGrid, Qt::Key_Tab);
        QCOMPARE(h.ui.messages.size(), 1);
        QCOMPARE(h.ui.messages[0].title, "Number Taken!");
        // The editor keeps the keyboard, so typing goes on where the user was told to.
        QVERIFY(txtGrid->isVisible());
        QTRY_VERIFY(txtGrid->hasFocus());
        // Leaving it closes it without storing the number only suggested.
        if (click) {
            h.click(5, ColName);
        } else {
            QWidget *viewport = h.grid()->viewport();
            const QPointF at = viewport->rect().center();
            QWheelEvent wheel(at, viewport->mapToGlobal(at), {}, QPoint(0, -360), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &wheel);
        }
        QTRY_VERIFY(txtGrid->isHidden());
        QCOMPARE(w.table().at(2).number, qint16(2));
        QCOMPARE(h.ui.messages.size(), 1);
    }

    void keys_data()
    {
        // Keys on the grid after a click on row 2's size cell ("S+": with Shift, "C+": with
        // Ctrl), then the rows selected, the row of the current cell and the message asked.
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("message");
        const QString ask =
            "Remove Entries? | Really remove all 2 selected sounds from the list? | Yes* No";
        // clang-format off
        QTest::newRow("arrows move the selection") << "down down up" << "3" << 3 << "";
        QTest::newRow("shift+arrows stretch it") << "S+down S+down S+up" << "2 3" << 3 << "";
        QTest::newRow("shift upwards") << "S+up" << "1 2" << 1 << "";
        QTest::newRow("ctrl moves the focus alone") << "C+down C+down" << "2" << 4 << "";
        QTest::newRow("end") << "end" << "8" << 8 << "";
        QTest::newRow("shift+home") << "down S+home" << "1 2 3" << 1 << "";
        QTest::newRow("delete one, unasked") << "delete" << "" << 2 << "";
        QTest::newRow("delete two asks") << "S+down delete" << "2 3" << 3 << ask;
        // clang-format on
    }
    void keys()
    {
        QFETCH(QString, keys);
        QFETCH(int, current);
        QFETCH(QString, message);

        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(8));
        h.click(2, ColSize);
        h.ui.messageAnswers.enqueue(Button::No);
        const QMap<QString, Qt::Key> names{{"down", Qt::Key_Down},
                                           {"up", Qt::Key_Up},
                                           {"home", Qt::Key_Home},
                                           {"end", Qt::Key_End},
                                           {"delete", Qt::Key_Delete}};
        for (const QString &key : keys.split(' ')) {
            const auto modifiers = key.startsWith("S+")   ? Qt::ShiftModifier
                                   : key.startsWith("C+") ? Qt::ControlModifier
                                                          : Qt::NoModifier;
            QTest::keyClick(h.grid(), names.value(key.section('+', -1)), modifiers);
        }
        const QStringList rows = h.shown({ColNumber}).split('/').filter("*");
        QTEST(rows.join(' ').remove('*'), "selected");
        QCOMPARE(h.grid()->currentGridRow(), current);
        QCOMPARE(h.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        // "Selected file" names the sound the current cell is on.
        const int index = h.grid()->gridModel()->linkOf(current);
        QCOMPARE(h.control<QLabel>("lblFile")->text(), w.table().at(index).filename);
        QCOMPARE(w.table().SoundCount(), qint16(keys == "delete" ? 7 : 8));
    }

    void tabOrderAndShortcuts()
    {
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(3));
        h.control("txtDir")->setFocus();
        QStringList stops;
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            stops.append(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(stops.join(' '), "cmdBrowseDir cmdAdd cmbNewCat cmdDistribute chkOgg "
                                  "cmdOggOptions gridSound cmdPlay cmdStop cmdEdit cmdOpen txtDir");
        // F2 and Enter edit the current cell; Escape leaves it as it was.
        auto *txtGrid = h.control<QLineEdit>("txtGrid");
        h.click(2, ColName);
        QTest::keyClick(h.grid(), Qt::Key_F2);
        QTRY_VERIFY(txtGrid->hasFocus());
        QCOMPARE(txtGrid->text(), "S2");
        QTest::keyClick(txtGrid, Qt::Key_Escape);
        QVERIFY(txtGrid->isHidden() && h.grid()->hasFocus());
        QTest::keyClick(h.grid(), Qt::Key_Return);
        QTRY_VERIFY(txtGrid->hasFocus());
        QTest::keyClicks(txtGrid, "Gust");
        QTest::keyClick(txtGrid, Qt::Key_Return);
        QCOMPARE(w.table().at(2).name, "Gust");
        // Ctrl+Z undoes, Ctrl+Shift+Z redoes, F1 opens the help page, Ctrl+Q closes and saves.
        QTest::keyClick(h.grid(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.table().at(2).name, "S2");
        QTest::keyClick(h.grid(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.table().at(2).name, "Gust");
        QTest::keyClick(h.grid(), Qt::Key_F1);
        QCOMPARE(h.shell.calls.size(), 1);
        QVERIFY(h.shell.calls[0].path.endsWith("/SonquillHelp.html"));
        QTest::keyClick(h.grid(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!w.isVisible());
        QVERIFY(readFile(h.catalogueIn(h.gameFolder())).contains("Gust"));
    }

    void undoRedo_data()
    {
        // A change made through the window on S1 (locked), S2 and S3 (selected); what Undo names.
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("what");
        // clang-format off
        QTest::newRow("add") << "add" << "Add Sounds";
        QTest::newRow("remove selected") << "mnuSoundPop 6" << "Remove Selected";
        QTest::newRow("remove all") << "mnuEdit 6" << "Remove All Sounds";
        QTest::newRow("renumber") << "edit 0 7" << "Renumber";
        QTest::newRow("lock") << "edit 1" << "Lock";
        QTest::newRow("unlock") << "unlock" << "Unlock";
        QTest::newRow("category") << "edit 2 Loud" << "Change Category";
        QTest::newRow("selected's category") << "mnuSoundPop 10" << "Change Selected's Category";
        QTest::newRow("name") << "edit 3 Slam" << "Rename";
        QTest::newRow("file") << "edit 4" << "Change File";
        // clang-format on
    }
    void undoRedo()
    {
        QFETCH(QString, change);
        QFETCH(QString, what);

        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(3, "011", "1"));
        const QString before = content(h);
        h.ui.messageAnswers.enqueue(Button::Yes);
        h.ui.inputAnswers.enqueue(QString("Bulk"));
        h.ui.fileAnswers.enqueue(QStringList{h.makeSource("Other.wav")});
        if (change == "add")
            h.press("cmdAdd");
        else if (change == "unlock")
            h.startEdit(1, ColLock);
        else if (change.section(' ', 2).isEmpty() && change.startsWith("edit"))
            h.startEdit(2, change.section(' ', 1, 1).toInt());
        else if (change.startsWith("edit"))
            h.edit(2, change.section(' ', 1, 1).toInt(), change.section(' ', 2));
        else
            h.trigger(change);
        const QString after = content(h);
        QVERIFY2(after != before, qPrintable(after));

        QAction *undo = w.findChild<QAction *>("mnuEditUndo");
        QCOMPARE(undo->text(), "&Undo " + what);
        undo->trigger();
        QCOMPARE(content(h), before);
        QVERIFY(!undo->isEnabled());
        w.findChild<QAction *>("mnuEditRedo")->trigger();
        QCOMPARE(content(h), after);
        undo->trigger();
        QCOMPARE(content(h), before);
        // The categories offered follow the table shown.
        QCOMPARE(h.control<QComboBox>("cmbNewCat")->count(), 1);
    }

    void titleAndHistory()
    {
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(3));
        QAction *undo = w.findChild<QAction *>("mnuEditUndo");
        QCOMPARE(w.windowTitle(), h.gameFolder() + "[*] \u2014 Sonquill");
        QVERIFY(!w.isWindowModified());
        h.ui.messageAnswers.append({Button::Yes, Button::Yes, Button::Yes});
        h.trigger("mnuEdit 6");
        QVERIFY(w.isWindowModified());
        undo->trigger();
        QVERIFY(!w.isWindowModified());
        h.trigger("mnuEdit 2");
        h.trigger("mnuFile 4");
        QVERIFY(!w.isWindowModified());
        // Loading forgets the history of the catalogue it replaces.
        h.trigger("mnuFile 2");
        QVERIFY(!undo->isEnabled() && !w.findChild<QAction *>("mnuEditRedo")->isEnabled());
        // Undoing "Remove all sounds" before closing keeps every sound.
        h.trigger("mnuEdit 6");
        undo->trigger();
        h.close();
        QCOMPARE(h.open().table().SoundCount(), qint16(3));
    }

    void dropFilesAndFolders()
    {
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(1));
        const QString folder = h.home() + "/Dropped";
        for (const char *name : {"/sub/c.mp3", "/D.OGG", "/readme.txt"})
            writeFile(folder + name, "x");
        const QString notes = h.sourceFolder() + "/notes.txt";
        writeFile(notes, "x");
        h.control<QComboBox>("cmbNewCat")->setEditText("Dropped");

        QVERIFY(!drop(h.grid(), {}));
        QVERIFY(!drop(h.grid(), {notes}));
        QVERIFY(drop(h.grid(), {h.makeSource("b.wav"), notes, h.makeSource("A.Wav"), folder}));
        QTRY_COMPARE(h.shown({ColNumber, ColCategory, ColName}),
                     "1,Misc,S1/2,Dropped,b*/3,Dropped,A*/4,Dropped,D*/5,Dropped,c*");
        QCOMPARE(h.messages(), QStringList{"Sonquill | These files are not MP3, WAV, OGG or VOC "
                                           "sounds and were not added:\r\n" +
                                           notes + " | Ok*"});
        QCOMPARE(w.table().SoundCount(), qint16(5));
    }

    void headerAndGeometryRemembered()
    {
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(3));
        QHeaderView *header = h.grid()->horizontalHeader();
        h.click(0, ColName);
        QCOMPARE(header->sortIndicatorSection(), int(ColName));
        QVERIFY(header->isSortIndicatorShown());
        // Dragging a column's edge widens it and sorts nothing.
        const int width = header->sectionSize(ColCategory);
        const int edge = header->sectionViewportPosition(ColCategory) + width;
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, 5));
        QMouseEvent move(QEvent::MouseMove, QPointF(edge + 40, 5),
                         header->viewport()->mapToGlobal(QPointF(edge + 40, 5)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &move);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, 5));
        QCOMPARE(header->sectionSize(ColCategory), width + 40);
        QCOMPARE(header->sortIndicatorSection(), int(ColName));
        // The last column reaches the grid's right edge: no gap after it.
        QVERIFY(header->sectionViewportPosition(ColLength) + header->sectionSize(ColLength) >=
                h.grid()->viewport()->width());

        const QSize size = w.minimumSize() + QSize(111, 77);
        w.resize(size);
        QTRY_COMPARE(w.size(), size);
        h.close();
        Form1 &again = h.open();
        QCOMPARE(h.grid()->horizontalHeader()->sectionSize(ColCategory), width + 40);
        QTRY_COMPARE(again.size(), size);
        again.showMaximized();
        QTRY_VERIFY(again.isMaximized());
        h.close();
        QVERIFY(h.open().isMaximized());
    }

    void currentSoundFollows()
    {
        Form1Harness h;
        Form1 &w = h.openWith(
            h.table({makeRecord("Creak", 1, "Doors", false, false, h.makeSource("c.wav")),
                     makeRecord("Thunder", 2, "Weather", false, false, h.makeSource("t.wav")),
                     makeRecord("Bang", 3, "Doors", false, false, h.makeSource("b.wav"))}));
        // The row under the focus rectangle, the selection and "Selected file", as names.
        auto state = [&]() -> QString {
            const int index = h.grid()->gridModel()->linkOf(h.grid()->currentGridRow());
            QStringList selected;
            for (const SoundRecord &record : w.table().records()) {
                if (record.isSelected())
                    selected.append(record.name);
            }
            return (index ? w.table().at(index).name : QString("none")) + " | " +
                   selected.join(',') + " | " +
                   QFileInfo(h.control<QLabel>("lblFile")->text()).fileName();
        };
        h.click(2, ColName);
        h.click(0, ColName);
        QCOMPARE(h.shown({ColName}), "Bang/Creak/Thunder*");
        QCOMPARE(state(), "Thunder | Thunder | t.wav");
        QTest::keyClick(h.grid(), Qt::Key_Delete);
        QCOMPARE(state(), "Creak |  | c.wav");
        h.ui.messageAnswers.append({Button::Yes, Button::Yes});
        h.trigger("mnuEdit 6");
        QCOMPARE(state(), "none |  | ");
        w.findChild<QAction *>("mnuEditUndo")->trigger();
        h.trigger("mnuFile 2"); // the saved catalogue: three sounds again, none selected
        QCOMPARE(state(), "Bang |  | b.wav");
    }

    void shortenedPathShowsWhole()
    {
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(1));
        auto tipAt = [&](int width) {
            h.grid()->setColumnWidth(ColFilename, width);
            const QRect cell = h.grid()->visualRect(h.grid()->model()->index(0, ColFilename));
            QHelpEvent help(QEvent::ToolTip, cell.center(),
                            h.grid()->viewport()->mapToGlobal(cell.center()));
            QApplication::sendEvent(h.grid()->viewport(), &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        const QString path = w.table().at(1).filename;
        QCOMPARE(tipAt(h.grid()->fontMetrics().horizontalAdvance(path) + 40), QString());
        QCOMPARE(tipAt(60), path);
    }

    void changedByAnotherProgram_data()
    {
        QTest::addColumn<QString>("how");           // "close" or "save" (File > Save Selections)
        QTest::addColumn<QList<Button>>("answers"); // to the questions asked
        QTest::addColumn<QString>("onDisk");        // names in SoundInfo.dat afterwards
        QTest::addColumn<QString>("shown");         // names in the grid afterwards
        // clang-format off
        QTest::newRow("close, replace") << "close" << QList<Button>{Button::Yes} << "S1 S2" << "";
        QTest::newRow("close, keep theirs") << "close" << QList<Button>{Button::No} << "Theirs" << "";
        QTest::newRow("save, keep theirs and load it") << "save" << QList<Button>{Button::No, Button::Yes} << "Theirs" << "Theirs";
        QTest::newRow("save, keep theirs, keep mine shown") << "save" << QList<Button>{Button::No, Button::No} << "Theirs" << "S1/S2";
        // clang-format on
    }
    void changedByAnotherProgram()
    {
        QFETCH(QList<Button>, answers);
        QFETCH(QString, shown);

        Form1Harness h;
        h.openWith(h.sounds(2));
        // Another program writes its own catalogue into the folder meanwhile.
        writeFile(h.catalogueIn(h.gameFolder()),
                  SerializeSoundInfo(h.table({makeRecord("Theirs", 5)})));
        h.ui.messageAnswers.append(answers);
        QFETCH(QString, how);
        how == "close" ? h.close() : h.trigger("mnuFile 4");
        QCOMPARE(h.ui.messages.size(), answers.size());
        QCOMPARE(h.messages()[0], "Sonquill | The catalogue in " + h.gameFolder() +
                                      " was changed by another program. Replace it with the one "
                                      "shown here? | Yes No*");
        QTEST(namesIn(h.catalogueIn(h.gameFolder())).join(' '), "onDisk");
        if (!shown.isEmpty())
            QCOMPARE(h.shown({ColName}), shown);
    }

    void textTheCatalogueCannotStore()
    {
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(1));
        const QString far = h.makeSource("Łódź 音.wav");
        h.ui.fileAnswers.enqueue(QStringList{far, h.makeSource("Café.wav")});
        h.press("cmdAdd");
        QCOMPARE(h.messages(), QStringList{"Sonquill | These files were not added:\r\n" + far +
                                           ": its name has characters the catalogue cannot "
                                           "store; rename it | Ok*"});
        QCOMPARE(h.shown({ColNumber, ColName}), "1,S1/2,Café*");
        // A typed name it cannot store is refused, and the editor stays to put it right.
        h.startEdit(1, ColName);
        auto *editor = h.control<QLineEdit>("txtGrid");
        editor->insert(QStringLiteral("Boom 💥")); // QTest types ASCII only: as a paste brings it
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(h.messages().value(1), "Sonquill | The text has characters the catalogue cannot "
                                        "store. Please use other characters. | Ok*");
        QVERIFY(editor->isVisible());
        QCOMPARE(w.table().at(1).name, QStringLiteral("S1"));
    }

    void checkSoundsFindsTheRow()
    {
        Form1Harness h;
        SoundTable table = h.sounds(3);
        table.at(2).filename = h.sourceFolder() + "/Gone.wav"; // S2's file is missing
        Form1 &w = h.openWith(table);
        h.trigger("mnuUtils 8");
        auto *tree = w.findChild<QTreeWidget *>("treeFindings");
        QVERIFY(tree && tree->isVisible());
        const QList<QTreeWidgetItem *> missing = tree->findItems("S2", Qt::MatchContains, 1);
        QCOMPARE(missing.size(), 1);
        const QPoint at = tree->visualItemRect(missing[0]).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(h.shown({ColName}), "S1/S2*/S3");
        QCOMPARE(h.control<QLabel>("lblFile")->text(), h.sourceFolder() + "/Gone.wav");
    }

    void lengthColumnReadsTheFile()
    {
        Form1Harness h;
        // 16-bit mono at 22050 Hz: 44100 bytes of samples a second after the 44-byte header.
        h.openWith(
            h.table({makeRecord("Long", 1, {}, false, false, h.makeSource("L.wav", 44 + 88200)),
                     makeRecord("Short", 2, {}, false, false, h.makeSource("S.wav", 44 + 22050)),
                     makeRecord("Gone", 3, {}, false, false, h.sourceFolder() + "/none.wav")}));
        QCOMPARE(h.shown({ColName, ColLength}), "Long,2.0 s/Short,0.5 s/Gone,");
        const QModelIndex name = h.grid()->model()->index(0, ColName);
        QVERIFY(
            name.data(Qt::ToolTipRole).toString().startsWith("WAV, 16-bit PCM, mono, 22050 Hz"));
        h.click(0, ColLength); // sorted by length, unknown first
        QCOMPARE(h.shown({ColName}), "Gone/Short/Long");
    }

    void distributeAllAgain()
    {
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(2));
        h.press("cmdDistribute");
        h.press("cmdDistribute");
        w.findChild<QAction *>("mnuFileDistributeAgain")->trigger();
        QStringList summaries;
        for (const MessageRequest &message : h.ui.messages)
            summaries.append(message.text.section("\r\n", -1));
        QCOMPARE(summaries, (QStringList{"Copying/Encoding of 2 files was successful.",
                                         "2 sounds were already up to date.",
                                         "Copying/Encoding of 2 files was successful."}));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
