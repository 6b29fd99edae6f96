// The main window as a desktop user drives it: the editors, undo, the title, the columns, what is
// remembered between runs, saving and loading, adding and dropping files.

#include "MainWindowHarness.h"

#include <QMimeData>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// Number, lock, category, name and file name of every row, without the selection or order.
QString content(const MainWindowHarness &h)
{
    QStringList rows = h.shown({ColNumber, ColLock, ColCategory, ColName, ColFilename})
                           .remove('*')
                           .remove(h.sourceFolder() + "/")
                           .split('/');
    rows.sort();
    return rows.join('/');
}

// A drag of local paths (none: plain text) onto a widget, then the drop; true when accepted.
bool drop(QWidget *target, const QStringList &paths)
{
    QMimeData mime;
    mime.setText("not a file"); // as file managers add beside the files
    for (const QString &path : paths)
        mime.setUrls(mime.urls() << QUrl::fromLocalFile(path));
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
    if (enter.isAccepted())
        QApplication::sendEvent(target, &dropped);
    return enter.isAccepted() && dropped.isAccepted();
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void leavingTheEditor_data()
    {
        // Row 2's editor opened by two clicks, F2 or Enter; keys typed into it, then how it is
        // left: "click" (on another row), "escape" or "enter". What row 2 holds then.
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<QString>("stored");
        // clang-format off
        QTest::newRow("refused number, another row") << int(ColNumber) << "clicks" << "4" << "click" << "2";
        QTest::newRow("refused number, Escape") << int(ColNumber) << "F2" << "4" << "escape" << "2";
        QTest::newRow("refused number, Enter takes the one offered") << int(ColNumber) << "Enter" << "4" << "enter" << "41";
        QTest::newRow("name, another row stores it") << int(ColName) << "Enter" << "Gust" << "click" << "Gust";
        QTest::newRow("name, Escape keeps it") << int(ColName) << "F2" << "Gone" << "escape" << "S2";
        QTest::newRow("category, after its list") << int(ColCategory) << "clicks" << "Z" << "enter" << "MiscZ";
        // clang-format on
    }
    void leavingTheEditor()
    {
        QFETCH(int, col);
        QFETCH(QString, open);
        QFETCH(QString, leave);
        MainWindowHarness h;
        MainWindow &w = h.openWith(h.sounds(40));
        if (open == "clicks") {
            h.startEdit(2, col);
        } else {
            h.click(2, col);
            QTest::keyClick(h.grid(), open == "F2" ? Qt::Key_F2 : Qt::Key_Return);
        }
        QPointer<QWidget> editor;
        QTRY_VERIFY((editor = h.control(col == ColCategory ? "cmbCateg" : "txtGrid")) &&
                    editor->isVisible());
        auto *txtGrid = qobject_cast<QLineEdit *>(editor);
        if (auto *cmbCateg = qobject_cast<QComboBox *>(editor)) {
            // Its arrow opens the list without the game folder box taking the keyboard.
            QTest::mouseClick(cmbCateg, Qt::LeftButton, {},
                              QPoint(cmbCateg->width() - 4, cmbCateg->height() / 2));
            QTRY_VERIFY(cmbCateg->view()->isVisible());
            QVERIFY(cmbCateg->isVisible() && !h.control("txtDir")->hasFocus());
            QTest::keyClick(cmbCateg->view(), Qt::Key_Escape);
            QTRY_VERIFY(!cmbCateg->view()->isVisible());
        } else {
            QTRY_VERIFY(txtGrid->hasFocus());
            QCOMPARE(txtGrid->text(), col == ColNumber ? "2" : "S2");
        }
        QFETCH(QString, keys);
        QTest::keyClicks(QApplication::focusWidget(), keys);
        if (col == ColNumber) {
            // A taken number is refused and the editor keeps the keyboard, offering a free one.
            QTest::keyClick(txtGrid, Qt::Key_Tab);
            QCOMPARE(h.ui.messages.value(0).title, "Number Taken!");
            QVERIFY(txtGrid->isVisible());
            QTRY_VERIFY(txtGrid->hasFocus());
            QCOMPARE(txtGrid->text(), "41");
        }
        // Leaving stores a number only offered by Enter alone.
        if (leave == "click") {
            h.click(5, ColName);
        } else {
            QTest::keyClick(QApplication::focusWidget(),
                            leave == "escape" ? Qt::Key_Escape : Qt::Key_Return);
            QVERIFY(h.grid()->hasFocus());
        }
        QTRY_VERIFY(!editor || editor->isHidden());
        const SoundRecord &s2 = w.table().at(2);
        QTEST(col == ColNumber ? QString::number(s2.number)
              : col == ColName ? s2.name
                               : s2.category,
              "stored");
        QCOMPARE(h.ui.messages.size(), col == ColNumber ? 1 : 0);
        QCOMPARE(h.control<QLineEdit>("txtDir")->text() + "|" + h.settings.lastGameDir(),
                 h.gameFolder() + "|" + h.gameFolder());
    }

    void undoRedo_data()
    {
        // A change made through the window on S1, S2 and S3 (S3 locked, S2 and S3 selected):
        // "edit ROW COL [TEXT]" edits a cell, "ENTRY @ROW" runs a menu entry after a click on
        // the row. Then what Undo names and the question answered Yes first, if any.
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("question");
        // clang-format off
        QTest::newRow("add") << "add" << "Add Sounds" << "";
        QTest::newRow("remove selected, locked or not") << "mnuSoundPop 6" << "Remove Selected" << "Remove Entries? Yes* No";
        QTest::newRow("remove all") << "mnuEdit 6" << "Remove All Sounds" << "Clear List? Yes No*";
        QTest::newRow("renumber") << "edit 2 0 7" << "Renumber" << "";
        QTest::newRow("lock") << "edit 2 1" << "Lock" << "";
        QTest::newRow("unlock") << "edit 3 1" << "Unlock" << "Unlock Sound? Yes* No";
        QTest::newRow("lock selected, some locked") << "mnuSoundPop 8" << "Lock Selected" << "";
        QTest::newRow("unlock selected") << "mnuSoundPop 8 @3" << "Unlock Selected" << "Unlock Sounds? Yes* No";
        QTest::newRow("category") << "edit 2 2 Loud" << "Change Category" << "";
        QTest::newRow("selected's category") << "mnuSoundPop 10" << "Change Selected's Category" << "";
        QTest::newRow("name") << "edit 2 3 Slam" << "Rename" << "";
        QTest::newRow("file") << "edit 2 4" << "Change File" << "";
        // clang-format on
    }
    void undoRedo()
    {
        QFETCH(QString, change);
        QFETCH(QString, what);

        MainWindowHarness h;
        MainWindow &w = h.openWith(h.sounds(3, "011", "001"));
        const QString before = content(h);
        h.ui.messageAnswers.enqueue(Button::Yes);
        h.ui.inputAnswers.enqueue(QString("Bulk"));
        h.ui.fileAnswers.enqueue(QStringList{h.makeSource("Other.wav")});
        const int row = change.section(' ', 1, 1).toInt(), col = change.section(' ', 2, 2).toInt();
        if (change == "add")
            h.press("cmdAdd");
        else if (change.startsWith("edit") && change.section(' ', 3).isEmpty())
            h.startEdit(row, col);
        else if (change.startsWith("edit"))
            h.edit(row, col, change.section(' ', 3));
        else if (change.contains('@'))
            h.click(change.section('@', 1).toInt(), ColSize);
        if (!change.startsWith("edit") && change != "add")
            h.trigger(change.section(" @", 0, 0));
        const QString asked = h.messages().value(0);
        QTEST(QString(asked.section(" | ", 0, 0) + " " + asked.section(" | ", -1)).trimmed(),
              "question");
        const QString after = content(h);
        QVERIFY2(after != before, qPrintable(after));
        // The title marks the change, and a new category is offered for new sounds at once.
        QVERIFY(w.isWindowModified());
        if (change.startsWith("edit 2 2"))
            QVERIFY(h.control<QComboBox>("cmbNewCat")->findText("Loud") >= 0);

        QAction *undo = w.findChild<QAction *>("mnuEditUndo");
        QCOMPARE(undo->text(), "&Undo " + what);
        undo->trigger();
        QCOMPARE(content(h), before);
        QVERIFY(!undo->isEnabled());
        // The categories offered follow the table shown.
        QCOMPARE(h.control<QComboBox>("cmbNewCat")->count(), 1);
        QTest::keyClick(h.grid(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(content(h), after);
    }

    // The title's modified mark, the history and the sound under the focus rectangle through
    // sorting, deleting, undoing and loading; the shortcuts for some of them.
    void titleHistoryAndCurrentSound()
    {
        MainWindowHarness h;
        MainWindow &w = h.openWith(
            h.table({makeRecord("Creak", 1, "Doors", false, false, h.makeSource("c.wav")),
                     makeRecord("Thunder", 2, "Weather", false, false, h.makeSource("t.wav")),
                     makeRecord("Bang", 3, "Doors", false, false, h.makeSource("b.wav"))}));
        QAction *undo = w.findChild<QAction *>("mnuEditUndo");
        // The current row, the grid ('*': selected) and "Selected file", as names.
        auto state = [&]() -> QString {
            const int index = h.soundOnRow(h.currentRow());
            return (index ? w.table().at(index).name : QString("none")) + " | " +
                   h.shown({ColName}) + " | " +
                   QFileInfo(h.control<QLabel>("lblFile")->text()).fileName();
        };
        QCOMPARE(w.windowTitle(), h.gameFolder() + "[*] \u2014 Sonquill");
        h.click(2, ColName);
        h.click(0, ColName);
        QCOMPARE(state(), "Thunder | Bang/Creak/Thunder* | t.wav");
        QVERIFY(!w.isWindowModified());
        QTest::keyClick(h.grid(), Qt::Key_Delete);
        QCOMPARE(state(), "Creak | Bang/Creak | c.wav");
        QVERIFY(w.isWindowModified());
        h.trigger("mnuFile 4");
        QVERIFY(!w.isWindowModified());
        QTest::keyClick(h.grid(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(w.isWindowModified());
        h.trigger("mnuEdit 6"); // the default No keeps every sound
        QCOMPARE(w.table().SoundCount(), qint16(3));
        h.ui.messageAnswers.append({Button::Yes, Button::Yes, Button::Yes});
        h.trigger("mnuEdit 6");
        QCOMPARE(state(), "none |  | ");
        undo->trigger();
        // Loading the saved catalogue forgets the history of the one it replaces.
        h.trigger("mnuFile 2");
        QVERIFY(!undo->isEnabled() && !w.findChild<QAction *>("mnuEditRedo")->isEnabled());
        QCOMPARE(state(), "Creak | Bang/Creak | c.wav");
        QTest::keyClick(h.grid(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(state(), "Creak | Bang*/Creak* | c.wav");
        // Undoing "Remove all sounds" before closing keeps every sound.
        h.ui.fileAnswers.enqueue(QStringList{h.makeSource("d.wav")});
        h.press("cmdAdd");
        h.trigger("mnuEdit 6");
        undo->trigger();
        QTest::keyClick(h.grid(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!w.isVisible());
        QCOMPARE(h.open().table().SoundCount(), qint16(3));
    }

    void filter_data()
    {
        // Text typed into the filter box, then the names shown.
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        // clang-format off
        QTest::newRow("category, any case") << "door" << "Creak/Bang";
        QTest::newRow("name") << "thun" << "Thunder";
        QTest::newRow("file name, not its folder") << "b.wav" << "Bang";
        QTest::newRow("number") << "3" << "Bang";
        QTest::newRow("nothing found") << "zzz" << "";
        // clang-format on
    }
    // The filter narrows the grid and keeps the catalogue whole; Select All and Remove Selected
    // then reach only the sounds shown.
    void filter()
    {
        QFETCH(QString, typed);
        MainWindowHarness h;
        MainWindow &w = h.openWith(
            h.table({makeRecord("Creak", 1, "Doors", false, false, h.makeSource("c.wav")),
                     makeRecord("Thunder", 2, "Weather", false, true, h.makeSource("t.wav")),
                     makeRecord("Bang", 3, "Doors", false, false, h.makeSource("b.wav"))}));
        auto *filter = h.control<QLineEdit>("txtFilter");
        QTest::keyClicks(filter, typed);
        QTEST(h.shown({ColName}).remove('*'), "shown");
        QCOMPARE(w.table().SoundCount(), qint16(3));
        h.ui.messageAnswers.enqueue(Button::Yes);
        QTest::keyClick(h.grid(), Qt::Key_A, Qt::ControlModifier);
        h.trigger("mnuSoundPop 6");
        filter->clear();
        QStringList gone = QStringLiteral("Creak/Thunder/Bang").split('/');
        for (const QString &left : h.shown({ColName}).split('/'))
            gone.removeOne(left);
        QTEST(gone.join('/'), "shown");
    }

    void typedFolder_data()
    {
        QTest::addColumn<Button>("answer");
        QTest::addColumn<bool>("created");
        QTest::newRow("No, the default, makes nothing") << Button::No << false;
        QTest::newRow("Yes makes it") << Button::Yes << true;
    }
    // A folder typed into the folder box that does not exist is made only when the user says so.
    void typedFolder()
    {
        QFETCH(Button, answer);
        MainWindowHarness h;
        h.open();
        const QString folder = h.home() + "/New Game";
        auto *txtDir = h.control<QLineEdit>("txtDir");
        txtDir->selectAll();
        QTest::keyClicks(txtDir, folder);
        h.ui.messageAnswers.enqueue(answer);
        QTest::keyClick(txtDir, Qt::Key_Return);
        QCOMPARE(h.messages(), QStringList{"Sonquill | The folder " + folder +
                                           " does not exist. Create it? | "
                                           "Yes No*"});
        QTEST(QFileInfo(folder).isDir(), "created");
        QCOMPARE(h.settings.lastGameDir(), folder);
    }

    // Type-ahead moves the selection with the current row, so Delete removes the sound the user
    // sees chosen; a locked one only after a question; an added sound is the current file.
    void deleteActsOnTheChosenSound()
    {
        MainWindowHarness h;
        h.openWith(h.table({makeRecord("Creak", 1, "Doors", false, false, h.makeSource("c.wav")),
                            makeRecord("Thunder", 2, "Weather", true, false, h.makeSource("t.wav")),
                            makeRecord("Bang", 3, "Doors", false, false, h.makeSource("b.wav"))}));
        h.click(1, ColName);
        QTest::keyClicks(h.grid(), "B");
        QCOMPARE(h.shown({ColName}), "Creak/Thunder/Bang*");
        QTest::keyClick(h.grid(), Qt::Key_Delete);
        QCOMPARE(h.shown({ColName}), "Creak/Thunder");
        QCOMPARE(h.ui.messages.size(), 0);
        h.click(2, ColName);
        QTest::keyClick(h.grid(), Qt::Key_Delete); // locked: the default No keeps it
        QCOMPARE(h.messages().value(0), "Remove Entries? | The selected sound is locked to keep "
                                        "its number. Really remove it from the list? | Yes No*");
        QCOMPARE(h.shown({ColName}), "Creak/Thunder*");
        h.ui.fileAnswers.enqueue(QStringList{h.makeSource("Drum.wav")});
        h.press("cmdAdd");
        QCOMPARE(QFileInfo(h.control<QLabel>("lblFile")->text()).fileName(), "Drum.wav");
    }

    // The Length column read from the file, the whole path as the tip of a shortened file name,
    // sorting and widening columns, and Check Sounds finding the sound whose file is missing; the
    // widths and the window's geometry are remembered.
    void columnsCheckSoundsAndGeometry()
    {
        MainWindowHarness h;
        // 16-bit mono at 22050 Hz: 44100 bytes of samples a second after the 44-byte header.
        const QString gone = h.sourceFolder() + "/none.wav";
        MainWindow &w = h.openWith(
            h.table({makeRecord("Long", 1, {}, false, false, h.makeSource("L.wav", 44 + 88200)),
                     makeRecord("Short", 2, {}, false, false, h.makeSource("S.wav", 44 + 22050)),
                     makeRecord("Gone", 3, {}, false, false, gone)}));
        QCOMPARE(h.shown({ColName, ColLength}), "Long,2.0 s/Short,0.5 s/Gone,");
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
        QHeaderView *header = h.grid()->horizontalHeader();
        h.click(0, ColLength); // sorted by length, unknown first
        QCOMPARE(h.shown({ColName}), "Gone/Short/Long");
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
        QCOMPARE(header->sortIndicatorSection(), int(ColLength));
        // A double-click on a finding selects its sound; the check reads off the window's thread.
        h.trigger("mnuUtils 8");
        QTreeWidget *tree = nullptr;
        QTRY_VERIFY((tree = w.findChild<QTreeWidget *>("treeFindings")) && tree->isVisible());
        const QTreeWidgetItem *missing = tree->findItems("Gone", Qt::MatchContains, 1).value(0);
        const QPoint at = tree->visualItemRect(missing).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(h.shown({ColName}), "Gone*/Short/Long");
        QCOMPARE(h.control<QLabel>("lblFile")->text(), gone);
        const QSize size = w.minimumSize() + QSize(111, 77);
        w.resize(size);
        QTRY_COMPARE(w.size(), size);
        h.close();
        MainWindow &again = h.open();
        QCOMPARE(h.grid()->horizontalHeader()->sectionSize(ColCategory), width + 40);
        QTRY_COMPARE(again.size(), size);
        again.showMaximized();
        QTRY_VERIFY(again.isMaximized());
        h.close();
        QVERIFY(h.open().isMaximized());
    }

    // The LUFS and dBTP columns, measured off the window's thread: what ffmpeg measures, a dash
    // for a sound too short to measure, sortable with unknown first, and in the row's tip.
    void loudnessColumns()
    {
        MainWindowHarness h;
        QDir().mkpath(h.sourceFolder());
        const auto tone = [&](const QString &name, const QString &seconds, const QString &volume) {
            const QString path = h.sourceFolder() + "/" + name;
            runTool(SONQUILL_SOX, {"-n", "-r", "44100", "-c", "1", "-b", "16", path, "synth",
                                   seconds, "sine", "440", "vol", volume});
            return path;
        };
        const QString loud = tone("loud.wav", "1", "0.5"), quiet = tone("quiet.wav", "1", "0.05");
        h.openWith(
            h.table({makeRecord("Loud", 1, {}, false, false, loud),
                     makeRecord("Quiet", 2, {}, false, false, quiet),
                     makeRecord("Blip", 3, {}, false, false, tone("blip.wav", "0.2", "0.3"))}));
        const auto cell = [&](int row, int column) {
            return h.grid()->model()->index(row, column).data().toString();
        };
        QTRY_VERIFY(!cell(0, ColTruePeak).isEmpty() && !cell(2, ColTruePeak).isEmpty());
        for (const auto &[row, path] : {std::pair{0, loud}, {1, quiet}}) {
            const Measured measured = measure(path);
            QVERIFY(qAbs(cell(row, ColLoudness).toDouble() - measured.lufs) <= 0.2);
            QVERIFY(qAbs(cell(row, ColTruePeak).toDouble() - measured.truePeak) <= 0.2);
        }
        QCOMPARE(cell(2, ColLoudness), QStringLiteral("\u2013"));
        QVERIFY(h.grid()
                    ->model()
                    ->index(0, ColName)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .endsWith(" LUFS, true peak " + cell(0, ColTruePeak) + " dBTP"));
        h.click(0, ColLoudness);
        QCOMPARE(h.shown({ColName}), "Blip/Quiet/Loud");
        h.click(0, ColTruePeak);
        QCOMPARE(h.shown({ColName}), "Quiet/Blip/Loud");
    }

    // Under a dark desktop palette the grid is dark too, its selection in the desktop's colour.
    // The order's indicator sits beside a header's text, never over it: each section has room
    // for its bold text, the indicator and the style's margins. Also run at QT_SCALE_FACTOR 2.
    void gridLook()
    {
        const QPalette before = QApplication::palette();
        QPalette dark = before;
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::Highlight, QColor(40, 80, 160));
        QApplication::setPalette(dark);
        MainWindowHarness h;
        h.openWith(h.sounds(2, "010"));
        const QImage shot = h.grid()->viewport()->grab().toImage();
        QApplication::setPalette(before);
        // The right end of each Lock cell: room the centred "X" leaves free.
        auto colourOf = [&](int row) {
            const QRect cell = h.grid()->visualRect(h.grid()->model()->index(row - 1, ColLock));
            const QPoint at = QPoint(cell.right() - 3, cell.center().y()) * shot.devicePixelRatio();
            return shot.pixelColor(at).name();
        };
        QCOMPARE(colourOf(1) + " " + colourOf(2), "#1e1e1e #2850a0");

        QHeaderView *header = h.grid()->horizontalHeader();
        QStringList cramped;
        for (int column = 0; column < GridColumnCount; ++column) {
            h.click(0, column);
            QCOMPARE(header->sortIndicatorSection(), column);
            QStyleOptionHeader option;
            option.initFrom(header);
            option.state |= QStyle::State_Horizontal;
            option.orientation = Qt::Horizontal;
            option.section = column;
            option.text = header->model()->headerData(column, Qt::Horizontal).toString();
            option.sortIndicator = QStyleOptionHeader::SortDown;
            option.rect = QRect(0, 0, header->sectionSize(column), header->height());
            QFont bold = header->font();
            bold.setBold(true);
            const int text = QFontMetrics(bold).horizontalAdvance(option.text);
            const int arrow =
                header->style()->subElementRect(QStyle::SE_HeaderArrow, &option, header).width();
            const int margin =
                header->style()->pixelMetric(QStyle::PM_HeaderMargin, &option, header);
            if (header->sectionSize(column) < text + arrow + 2 * margin)
                cramped << QStringLiteral("%1: %2 < %3 + %4 + 2 * %5")
                               .arg(option.text)
                               .arg(header->sectionSize(column))
                               .arg(text)
                               .arg(arrow)
                               .arg(margin);
        }
        QCOMPARE(cramped.join(", "), QString());
    }

    void saving_data()
    {
        // File > Save, closing, or File > Load then closing; in the folder loaded, one browsed
        // to (Empty) or one typed in (Other, holding another game's catalogue), or "changed" by
        // another program meanwhile. Then the answers, the first question (%1: the folder), the
        // first name in the folder's catalogue afterwards and the names in the grid.
        QTest::addColumn<QString>("action");
        QTest::addColumn<QList<Button>>("answers");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("onDisk");
        QTest::addColumn<QString>("shown");
        const QString other = "Replace Saved Selections? | The compiled game directory, %1, is "
                              "not the folder";
        const QString changed = "Sonquill | The catalogue in %1 was changed by another program "
                                "since this window loaded or saved it.\r\nReplace it with the "
                                "sounds shown here, or ";
        const QString atClose = changed + "cancel and keep the window open? | Replace Cancel*";
        const QString atSave = changed + "reload it and discard the changes made here? | Replace "
                                         "Reload Cancel*";
        const QString none = "No Selections found | No saved selections found at '%1/SoundInfo.dat'"
                             ". Cannot load. | Ok* Cancel";
        const QString load = "Replace Selections? | This will replace your current selections "
                             "with what was saved at %1. Are you sure? | Yes* No";
        using B = QList<Button>;
        // clang-format off
        QTest::newRow("save") << "save" << B{} << "" << "Gust" << "Gust*/S2";
        QTest::newRow("close, browsed to a folder without one") << "close Empty" << B{} << "" << "Gust" << "";
        QTest::newRow("another game's: No keeps it") << "close Other" << B{Button::No} << other << "Theirs" << "";
        QTest::newRow("another game's: Yes replaces it") << "close Other" << B{Button::Yes} << other << "Gust" << "";
        QTest::newRow("another game's: Cancel keeps the window open") << "close Other" << B{Button::Cancel} << other << "Theirs" << "Gust*/S2";
        QTest::newRow("changed, close: replace") << "close changed" << B{Button::Replace} << atClose << "Gust" << "";
        QTest::newRow("changed, close: Cancel keeps the window and its edits") << "close changed" << B{Button::Cancel} << atClose << "Theirs" << "Gust*/S2";
        QTest::newRow("changed, save: Cancel keeps both") << "save changed" << B{Button::Cancel} << atSave << "Theirs" << "Gust*/S2";
        QTest::newRow("changed, save: Reload discards the edits") << "save changed" << B{Button::Reload} << atSave << "Theirs" << "Theirs";
        QTest::newRow("load where there is none") << "load Empty" << B{Button::Cancel} << none << "Gust" << "";
        QTest::newRow("load another game's: it is saved there") << "load Other" << B{Button::Yes} << load << "Theirs" << "";
        // clang-format on
    }
    void saving()
    {
        QFETCH(QString, action);
        QFETCH(QList<Button>, answers);
        QFETCH(QString, question);
        QFETCH(QString, shown);
        const QString where = action.section(' ', 1);
        MainWindowHarness h;
        h.openWith(h.sounds(2));
        const QByteArray original = readFile(h.catalogueIn(h.gameFolder()));
        h.edit(1, ColName, "Gust");
        const QByteArray theirs = SerializeSoundInfo(h.table({makeRecord("Theirs", 5)}));
        const QString folder =
            where.isEmpty() || where == "changed" ? h.gameFolder() : h.home() + "/" + where;
        QDir().mkpath(folder);
        auto *txtDir = h.control<QLineEdit>("txtDir");
        if (where == "Empty") {
            // Browsing takes the folder of any name typed inside it, and remembers it.
            h.ui.fileAnswers.enqueue(QStringList{folder + "/not yet there.txt"});
            h.press("cmdBrowseDir");
            QVERIFY(!h.ui.fileRequests.last().fileMustExist);
        } else if (!where.isEmpty()) {
            writeFile(h.catalogueIn(folder), theirs);
        }
        // Another program's change shows at once, with its two answers.
        if (where == "changed")
            QTRY_VERIFY(h.control<QToolBar>("barChangedOnDisk")->isVisible());
        if (where == "Other") {
            // Typing alone remembers nothing; Enter does.
            txtDir->selectAll();
            QTest::keyClicks(txtDir, folder);
            QCOMPARE(h.settings.lastGameDir(), h.gameFolder());
            QTest::keyClick(txtDir, Qt::Key_Return);
        }
        QCOMPARE(txtDir->text() + "|" + h.settings.lastGameDir(), folder + "|" + folder);
        h.ui.messageAnswers.append(answers);
        if (!action.startsWith("close"))
            h.trigger(action.startsWith("save") ? "mnuFile 4" : "mnuFile 2");
        if (!action.startsWith("save"))
            h.close();
        QCOMPARE(h.ui.messages.size(), answers.size());
        QVERIFY2(h.messages().value(0, "").startsWith(QString(question).replace("%1", folder)),
                 qPrintable(h.messages().value(0)));
        const SoundTable saved = ParseSoundInfo(readFile(h.catalogueIn(folder)), nullptr);
        QTEST(saved.at(1).name, "onDisk");
        if (folder != h.gameFolder())
            QCOMPARE(readFile(h.catalogueIn(h.gameFolder())), original);
        if (!shown.isEmpty())
            QCOMPARE(h.shown({ColName}), shown);
        QCOMPARE(h.control<QWidget>("txtDir")->window()->isVisible(), !shown.isEmpty());
    }

    // Added and dropped files fill the gaps in the numbers in the order given, take the category
    // typed and are the selection; files whose names the catalogue cannot store, or that are not
    // sounds, are refused, and so is a typed name it cannot store, the editor staying for a fix.
    void addDropAndUnstorableText()
    {
        MainWindowHarness h;
        const SoundTable three = h.sounds(3, "111");
        MainWindow &w = h.openWith(h.table({three.at(1), three.at(3)}));
        h.control<QComboBox>("cmbNewCat")->setEditText("Doors");
        h.press("cmdAdd"); // cancelled: the grid below shows it changed nothing
        const QString far = h.makeSource("Łódź 音.wav");
        h.ui.fileAnswers.enqueue(QStringList{h.makeSource("c.wav", 3000), far,
                                             h.makeSource("Café.wav", 3000),
                                             h.makeSource("b.wav", 3000)});
        h.press("cmdAdd");
        QCOMPARE(h.messages(), QStringList{"Sonquill | These files were not added:\r\n" + far +
                                           ": its name has characters the catalogue cannot "
                                           "store; rename it | Ok*"});
        QCOMPARE(h.shown({ColNumber, ColCategory, ColName, ColSize}),
                 "1,Misc,S1,2/2,Doors,c,3*/3,Misc,S3,2/4,Doors,Café,3*/5,Doors,b,3*");
        const QString folder = h.home() + "/Dropped", notes = h.sourceFolder() + "/notes.txt";
        for (const QString &name :
             QStringList{folder + "/sub/d.mp3", folder + "/E.OGG", folder + "/x.txt", notes})
            writeFile(name, "x");
        QVERIFY(!drop(h.grid()->viewport(), {}));
        QVERIFY(!drop(h.grid()->viewport(), {notes}));
        // Anywhere on the window, not only on the grid.
        QVERIFY(drop(h.control("picBottom"), {h.makeSource("F.Wav"), notes, folder}));
        QTRY_COMPARE(h.shown({ColNumber, ColName}).split('/').filter("*").join('/'),
                     "6,F*/7,E*/8,d*");
        QCOMPARE(h.messages().value(1), "Sonquill | These files are not MP3, WAV, OGG or VOC "
                                        "sounds and were not added:\r\n" +
                                            notes + " | Ok*");
        h.startEdit(1, ColName);
        auto *editor = h.control<QLineEdit>("txtGrid");
        editor->insert(QStringLiteral("Boom 💥")); // QTest types ASCII only: as a paste brings it
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(h.messages().value(2), "Sonquill | The text has characters the catalogue cannot "
                                        "store. Please use other characters. | Ok*");
        QVERIFY(editor->isVisible());
        QCOMPARE(w.table().at(1).name, QStringLiteral("S1"));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
