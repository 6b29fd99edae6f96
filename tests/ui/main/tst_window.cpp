// The main window as a desktop user drives it: editor focus, keyboard, undo and redo, dropped
// files, the header, the title and what is remembered between runs.

#include "Form1Harness.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>

using namespace sonquill;
using namespace sonquill::test;
using Button = MessageRequest::Button;

namespace {

// A turn of the mouse wheel over the middle of the grid.
void wheel(SoundGridView *grid, int steps)
{
    QWidget *viewport = grid->viewport();
    const QPointF pos = viewport->rect().center();
    QWheelEvent event(pos, viewport->mapToGlobal(pos), {}, QPoint(0, -120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

QAction *action(Form1 &w, const char *name)
{
    return w.findChild<QAction *>(QLatin1String(name));
}

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
    if (paths.isEmpty())
        mime.setText("not a file");
    else
        mime.setUrls(urls);
    const QPoint at = grid->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(grid->viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(grid->viewport(), &dropped);
    return dropped.isAccepted();
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void categoryArrowOpensTheList();
    void refusedNumberIsNeverStoredUnasked_data();
    void refusedNumberIsNeverStoredUnasked();
    void keys_data();
    void keys();
    void tabOrderAndShortcuts();
    void undoRedo_data();
    void undoRedo();
    void titleAndHistory();
    void dropFilesAndFolders();
    void headerAndGeometryRemembered();
    void currentSoundFollows();
    void maximisedRemembered();
    void shortenedPathShowsWhole();
};

void WindowTest::categoryArrowOpensTheList()
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
    QVERIFY(cmbCateg->isVisible());
    QVERIFY(!txtDir->hasFocus());
    QTest::keyClick(cmbCateg->view(), Qt::Key_Escape);
    QTRY_VERIFY(!cmbCateg->view()->isVisible());
    QVERIFY(cmbCateg->isVisible());
    QTest::keyClicks(QApplication::focusWidget(), "Z");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(txtDir->text(), folder);
    QCOMPARE(h.settings.lastGameDir(), folder);
    QCOMPARE(h.shown({ColName, ColCategory}), "S1,Misc/S2,MiscZ*/S3,Misc");
}

void WindowTest::refusedNumberIsNeverStoredUnasked_data()
{
    QTest::addColumn<bool>("click");
    QTest::newRow("then the wheel") << false;
    QTest::newRow("then a click on another row") << true;
}

void WindowTest::refusedNumberIsNeverStoredUnasked()
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
    if (click)
        h.click(5, ColName);
    else
        wheel(h.grid(), 3);
    QTRY_VERIFY(txtGrid->isHidden());
    QCOMPARE(w.table().at(2).number, qint16(2));
    QCOMPARE(h.ui.messages.size(), 1);
}

void WindowTest::keys_data()
{
    // Keys on the grid after a click on row 2's size cell, then the rows selected, the row of
    // the current cell and the message asked, if any.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("message");
    QTest::newRow("arrows move the selection") << "down down up"
                                               << "3" << 3 << "";
    QTest::newRow("shift+arrows stretch it") << "S+down S+down S+up"
                                             << "2 3" << 3 << "";
    QTest::newRow("shift upwards") << "S+up"
                                   << "1 2" << 1 << "";
    QTest::newRow("ctrl moves the focus alone") << "C+down C+down"
                                                << "2" << 4 << "";
    QTest::newRow("end and home") << "end"
                                  << "30" << 30 << "";
    QTest::newRow("shift+end") << "down S+end"
                               << "3-30" << 30 << "";
    QTest::newRow("page down") << "pgdn"
                               << "" << 0 << "";
    QTest::newRow("delete one, unasked") << "delete"
                                         << "" << 2 << "";
    QTest::newRow("delete two asks") << "S+down delete"
                                     << "2 3" << 3
                                     << "Remove Entries? | Really remove all 2 selected sounds "
                                        "from the list? | Yes* No";
}

void WindowTest::keys()
{
    QFETCH(QString, keys);
    QFETCH(QString, selected);
    QFETCH(int, current);
    QFETCH(QString, message);

    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(30));
    h.click(2, ColSize);
    h.ui.messageAnswers.enqueue(Button::No);
    for (const QString &key : keys.split(' ')) {
        const Qt::KeyboardModifiers modifiers = key.startsWith("S+")   ? Qt::ShiftModifier
                                                : key.startsWith("C+") ? Qt::ControlModifier
                                                                       : Qt::NoModifier;
        const QString name = key.section('+', -1);
        const QMap<QString, Qt::Key> names{{"down", Qt::Key_Down},     {"up", Qt::Key_Up},
                                           {"home", Qt::Key_Home},     {"end", Qt::Key_End},
                                           {"pgdn", Qt::Key_PageDown}, {"delete", Qt::Key_Delete}};
        QTest::keyClick(h.grid(), names.value(name), modifiers);
    }
    QStringList rows;
    const QStringList shown = h.shown({ColNumber}).split('/');
    for (const QString &row : shown) {
        if (row.endsWith('*'))
            rows.append(row.chopped(1));
    }
    if (selected.contains('-')) {
        QStringList range;
        for (int n = selected.section('-', 0, 0).toInt(); n <= selected.section('-', 1).toInt();
             ++n)
            range.append(QString::number(n));
        selected = range.join(' ');
    }
    if (keys == "pgdn") {
        // A page further: the row shown there, alone.
        current = h.grid()->currentGridRow();
        QVERIFY(current > 3);
        selected = QString::number(current);
    }
    QCOMPARE(rows.join(' '), selected);
    QCOMPARE(h.grid()->currentGridRow(), current);
    QCOMPARE(h.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    // "Selected file" names the sound the current cell is on.
    const int index = h.grid()->gridModel()->linkOf(current);
    QCOMPARE(h.control<QLabel>("lblFile")->text(), w.table().at(index).filename);
    if (keys == "delete")
        QCOMPARE(w.table().SoundCount(), qint16(29));
}

void WindowTest::tabOrderAndShortcuts()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(3));
    h.control<QLineEdit>("txtDir")->setFocus();
    QStringList stops;
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(stops.join(' '), "cmdBrowseDir cmdAdd cmbNewCat cmdDistribute chkOgg cmdOggOptions "
                              "gridSound cmdPlay cmdStop cmdEdit cmdOpen txtDir");

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

    // Ctrl+Z undoes it, Ctrl+Shift+Z redoes it, F1 opens the help page, Ctrl+Q closes and saves.
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

void WindowTest::undoRedo_data()
{
    // A change made through the window on S1 (locked), S2 and S3 (selected); what Undo names.
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("what");
    QTest::newRow("add") << "add"
                         << "Add Sounds";
    QTest::newRow("remove selected") << "mnuSoundPop 6"
                                     << "Remove Selected";
    QTest::newRow("remove all") << "mnuEdit 6"
                                << "Remove All Sounds";
    QTest::newRow("renumber") << "edit 0 7"
                              << "Renumber";
    QTest::newRow("lock") << "edit 1"
                          << "Lock";
    QTest::newRow("unlock") << "unlock"
                            << "Unlock";
    QTest::newRow("category") << "edit 2 Loud"
                              << "Change Category";
    QTest::newRow("selected's category") << "mnuSoundPop 10"
                                         << "Change Selected's Category";
    QTest::newRow("name") << "edit 3 Slam"
                          << "Rename";
    QTest::newRow("file") << "edit 4"
                          << "Change File";
}

void WindowTest::undoRedo()
{
    QFETCH(QString, change);
    QFETCH(QString, what);

    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(3, "011", "1"));
    const QString before = content(h);
    h.ui.messageAnswers.enqueue(Button::Yes);
    h.ui.inputAnswers.enqueue(QString("Bulk"));
    h.ui.fileAnswers.enqueue(QStringList{h.makeSource("Other.wav")});
    if (change == "add") {
        QTest::mouseClick(h.control<QPushButton>("cmdAdd"), Qt::LeftButton);
    } else if (change == "unlock") {
        h.startEdit(1, ColLock);
    } else if (change.startsWith("edit")) {
        h.startEdit(2, change.section(' ', 1, 1).toInt());
        if (auto *editor = QApplication::focusWidget(); !change.section(' ', 2).isEmpty()) {
            QTest::keyClicks(editor, change.section(' ', 2));
            QTest::keyClick(editor, Qt::Key_Return);
        }
    } else {
        trigger(w, change);
    }
    const QString after = content(h);
    QVERIFY2(after != before, qPrintable(after));

    QAction *undo = action(w, "mnuEditUndo");
    QAction *redo = action(w, "mnuEditRedo");
    QCOMPARE(undo->text(), "&Undo " + what);
    undo->trigger();
    QCOMPARE(content(h), before);
    QVERIFY(!undo->isEnabled());
    redo->trigger();
    QCOMPARE(content(h), after);
    undo->trigger();
    QCOMPARE(content(h), before);
    // The categories offered follow the table shown.
    QCOMPARE(h.control<QComboBox>("cmbNewCat")->count(), 1);
}

void WindowTest::titleAndHistory()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(3));
    const QString title = h.gameFolder() + "[*] \u2014 Sonquill";
    QCOMPARE(w.windowTitle(), title);
    QVERIFY(!w.isWindowModified());
    h.ui.messageAnswers.enqueue(Button::Yes);
    trigger(w, "mnuEdit 6");
    QVERIFY(w.isWindowModified());
    action(w, "mnuEditUndo")->trigger();
    QVERIFY(!w.isWindowModified());
    trigger(w, "mnuEdit 2");
    trigger(w, "mnuFile 4");
    QVERIFY(!w.isWindowModified());

    // Loading forgets the history of the catalogue it replaces.
    h.ui.messageAnswers.enqueue(Button::Yes);
    trigger(w, "mnuFile 2");
    QVERIFY(!action(w, "mnuEditUndo")->isEnabled());
    QVERIFY(!action(w, "mnuEditRedo")->isEnabled());
    // Undoing "Remove all sounds" before closing keeps every sound.
    h.ui.messageAnswers.enqueue(Button::Yes);
    trigger(w, "mnuEdit 6");
    action(w, "mnuEditUndo")->trigger();
    h.close();
    Form1 &again = h.open();
    QCOMPARE(again.table().SoundCount(), qint16(3));
}

void WindowTest::dropFilesAndFolders()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(1));
    const QString folder = h.home() + "/Dropped";
    QDir().mkpath(folder + "/sub");
    writeFile(folder + "/sub/c.mp3", "x");
    writeFile(folder + "/D.OGG", "x");
    writeFile(folder + "/readme.txt", "x");
    const QString notes = h.sourceFolder() + "/notes.txt";
    writeFile(notes, "x");
    h.control<QComboBox>("cmbNewCat")->setEditText("Dropped");

    QVERIFY(!drop(h.grid(), {}));
    QVERIFY(!drop(h.grid(), {notes}));
    QVERIFY(drop(h.grid(), {h.makeSource("b.wav"), notes, h.makeSource("A.Wav"), folder}));
    QTRY_COMPARE(h.shown({ColNumber, ColCategory, ColName}),
                 "1,Misc,S1/2,Dropped,b*/3,Dropped,A*/4,Dropped,D*/5,Dropped,c*");
    QCOMPARE(h.messages(),
             QStringList{"Sonquill | These files are not MP3, WAV, OGG or VOC sounds and were not "
                         "added:\r\n" +
                         notes + " | Ok*"});
    QCOMPARE(w.table().SoundCount(), qint16(5));
}

void WindowTest::headerAndGeometryRemembered()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(3));
    QHeaderView *header = h.grid()->horizontalHeader();
    h.click(0, ColName);
    QCOMPARE(header->sortIndicatorSection(), int(ColName));
    QVERIFY(header->isSortIndicatorShown());

    // Dragging a column's edge widens it and sorts nothing.
    const int edge =
        header->sectionViewportPosition(ColCategory) + header->sectionSize(ColCategory);
    const int width = header->sectionSize(ColCategory);
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

    w.resize(w.minimumSize() + QSize(111, 77));
    QTRY_COMPARE(w.size(), w.minimumSize() + QSize(111, 77));
    const QSize size = w.size();
    h.close();
    h.open();
    QCOMPARE(h.grid()->horizontalHeader()->sectionSize(ColCategory), width + 40);
    QTRY_COMPARE(h.grid()->window()->size(), size);
}

void WindowTest::currentSoundFollows()
{
    Form1Harness h;
    SoundTable table;
    table.replaceAll({makeRecord("Creak", 1, "Doors", false, false, h.makeSource("c.wav")),
                      makeRecord("Thunder", 2, "Weather", false, false, h.makeSource("t.wav")),
                      makeRecord("Bang", 3, "Doors", false, false, h.makeSource("b.wav"))});
    Form1 &w = h.openWith(table);
    auto *lblFile = h.control<QLabel>("lblFile");
    // The row under the focus rectangle, the selection and "Selected file", as names.
    auto state = [&]() -> QString {
        const int index = h.grid()->gridModel()->linkOf(h.grid()->currentGridRow());
        QStringList selected;
        for (const SoundRecord &record : w.table().records()) {
            if (record.isSelected())
                selected.append(record.name);
        }
        return (index ? w.table().at(index).name : QString("none")) + " | " + selected.join(',') +
               " | " + QFileInfo(lblFile->text()).fileName();
    };
    h.click(2, ColName);
    QCOMPARE(state(), "Thunder | Thunder | t.wav");
    h.click(0, ColName);
    QCOMPARE(h.shown({ColName}), "Bang/Creak/Thunder*");
    QCOMPARE(state(), "Thunder | Thunder | t.wav");
    QTest::keyClick(h.grid(), Qt::Key_Delete);
    QCOMPARE(state(), "Creak |  | c.wav");
    h.ui.messageAnswers.enqueue(Button::Yes);
    trigger(w, "mnuEdit 6");
    QCOMPARE(state(), "none |  | ");
    action(w, "mnuEditUndo")->trigger();
    h.ui.messageAnswers.enqueue(Button::Yes);
    trigger(w, "mnuFile 2"); // the saved catalogue: three sounds again, none selected
    QCOMPARE(state(), "Bang |  | b.wav");
}

void WindowTest::maximisedRemembered()
{
    Form1Harness h;
    Form1 &w = h.open();
    w.showMaximized();
    QTRY_VERIFY(w.isMaximized());
    h.close();
    QVERIFY(h.open().isMaximized());
}

void WindowTest::shortenedPathShowsWhole()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(1));
    const QString path = w.table().at(1).filename;
    auto tipAt = [&](int width) {
        h.grid()->setColumnWidth(ColFilename, width);
        const QRect cell = h.grid()->visualRect(h.grid()->model()->index(0, ColFilename));
        QHelpEvent help(QEvent::ToolTip, cell.center(),
                        h.grid()->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(h.grid()->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tipAt(h.grid()->fontMetrics().horizontalAdvance(path) + 40), QString());
    QCOMPARE(tipAt(60), path);
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
