// The main window: start-up, layout, the grid's mouse rules, in-cell editing, adding sounds,
// saving, the menus, and a whole session with the real encoder.

#include "Form1Harness.h"
#include "distribution/SystemProcessRunner.h"
#include "storage/SoundLists.h"
#include "ui/dialogs/FrmAbout.h"
#include "ui/dialogs/FrmOgg.h"
#include "ui/dialogs/FrmProgress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSlider>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// Two clicks on a cell of row 1 (S1, locked) or row 2 (S2); keys replace the editor's text and
// are committed by "enter", "escape" or "scroll" ("" when no editor opens). Then the message
// shown, the text of an editor left open and the row's first four cells.
struct Edit
{
    int row, col;
    QString keys, commit;
    QList<Button> answers;
    QString message, editor, rowAfter;
};

// Looks at the progress window each time an encoder is started, then starts it for real.
class PeekingRunner : public ProcessRunner
{
public:
    explicit PeekingRunner(const FrmProgressSink &sink) : m_sink(sink) {}
    RunResult RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                         const std::function<void()> &idle = {}) override
    {
        const QWidget *window = m_sink.currentWindow();
        const auto *label = window ? window->findChild<QLabel *>("Label") : nullptr;
        const auto *bar = window ? window->findChild<QProgressBar *>("ProgressBar") : nullptr;
        if (label && bar && window->isVisible() &&
            window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            seen.append(QStringLiteral("%1 | %2 | %3/%4")
                            .arg(window->windowTitle(), label->text())
                            .arg(bar->value())
                            .arg(bar->maximum()));
        else
            seen.append("no progress window on top");
        return m_real.RunAndWait(commandLine, hideWindow, timeoutMs, idle);
    }
    QStringList seen;

private:
    const FrmProgressSink &m_sink;
    SystemProcessRunner m_real;
};

} // namespace

Q_DECLARE_METATYPE(Edit)

class Form1Test : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data()
    {
        QTest::addColumn<QString>("storedOggUse");
        QTest::addColumn<int>("checkState");
        QTest::addColumn<QString>("storedAfter");
        // clang-format off
        QTest::newRow("no settings") << QString() << int(Qt::Unchecked) << "absent";
        QTest::newRow("OggUse 1 checks the box") << "1" << int(Qt::Checked) << "1";
        QTest::newRow("OggUse 2 greys it, writes 0") << "2" << int(Qt::PartiallyChecked) << "0";
        // clang-format on
    }
    void startUp()
    {
        QFETCH(QString, storedOggUse);
        QFETCH(int, checkState);
        QFETCH(QString, storedAfter);

        Form1Harness h;
        if (!storedOggUse.isNull())
            h.settings.write("Ogg", "OggUse", storedOggUse);
        h.open();
        QCOMPARE(int(h.control<QCheckBox>("chkOgg")->checkState()), checkState);
        QCOMPARE(h.settings.read("Ogg", "OggUse", "absent"), storedAfter);
        QCOMPARE(h.control<QLineEdit>("txtDir")->text(), h.home() + "/Sonquill/Compiled");
        // One blank row, with nothing to edit.
        QCOMPARE(h.shown({ColNumber, ColName}), ",");
        h.startEdit(1, ColName);
        h.startEdit(1, ColFilename);
        QVERIFY(h.control("txtGrid")->isHidden());
        QVERIFY(h.ui.fileRequests.isEmpty() && h.ui.messages.isEmpty());
        h.press("chkOgg"); // a click on the grey box checks it
        QCOMPARE(h.settings.oggUse(), qint16(checkState == Qt::Checked ? 0 : 1));

        // Closing an empty catalogue whose default folder does not exist reports nothing; a
        // catalogue with sounds in it is never dropped silently.
        if (!storedOggUse.isNull()) {
            h.ui.fileAnswers.enqueue(QStringList{h.makeSource("Door.wav")});
            h.press("cmdAdd");
        }
        h.close();
        QCOMPARE(h.ui.messages.size(), storedOggUse.isNull() ? 0 : 1);
        QCOMPARE(QFileInfo::exists(h.home() + "/Sonquill"), false);
        for (const MessageRequest &message : h.ui.messages)
            QVERIFY(message.title == "Error!" &&
                    message.text.contains("Raised while Saving the SoundInfo.DAT file"));
    }

    void nothingClipped_data()
    {
        QTest::addColumn<QSize>("client");
        // clang-format off
        QTest::newRow("large") << QSize(1400, 1000);
        QTest::newRow("small stops where every control fits") << QSize(420, 320);
        // clang-format on
    }
    void nothingClipped()
    {
        QFETCH(QSize, client);

        Form1Harness h;
        Form1 &w = h.open();
        const QSize chrome = w.size() - w.centralWidget()->size();
        w.resize(client + chrome);
        client = client.expandedTo(w.minimumSize() - chrome);
        QTRY_COMPARE(w.centralWidget()->size(), client);
        for (QWidget *control : w.centralWidget()->findChildren<QWidget *>()) {
            const QRect inClient(control->mapTo(w.centralWidget(), QPoint(0, 0)), control->size());
            if (control->isVisible() && control->parentWidget()->objectName() != "gridSound")
                QVERIFY2(w.centralWidget()->rect().contains(inClient),
                         qPrintable(control->objectName()));
        }
        // The grid fills the room above the bottom panel without overlapping it.
        const QRect bottom = h.control("picBottom")->geometry(), grid = h.grid()->geometry();
        QCOMPARE(bottom.bottom(), client.height() - 1);
        QVERIFY(grid.bottom() < bottom.top() && bottom.top() - grid.bottom() < 20);
        QVERIFY(grid.right() < client.width() && client.width() - grid.right() < 20);
    }

    void clicks_data()
    {
        // Clicks on the "Size kb" column, whose edit does nothing, then the rows shown selected:
        // "5" a click on row 5 (0 is the header), "s" Shift, "c" Ctrl, "a" Alt, "m" the middle
        // and "r" the right button, "2>6" a press on row 2 released on row 6.
        QTest::addColumn<QString>("clicks");
        // clang-format off
        QTest::newRow("click selects its row") << "2 = 2";
        QTest::newRow("next click replaces the selection") << "2 5 = 5";
        QTest::newRow("shift range upwards") << "7 s3 = 3 4 5 6 7";
        QTest::newRow("shift range downwards") << "3 s6 = 3 4 5 6";
        QTest::newRow("shift clears the rest") << "1 c2 s4 = 2 3 4";
        QTest::newRow("shift+ctrl adds a range") << "1 c8 sc5 = 1 5 6 7 8";
        QTest::newRow("ctrl deselects only that row") << "2 c4 c2 = 4";
        QTest::newRow("first shift click ranges from the top") << "s3 = 1 2 3";
        QTest::newRow("press and release on two rows") << "2 5>6 = 2";
        QTest::newRow("alt click changes nothing") << "2 a5 = 2";
        QTest::newRow("middle button adds") << "2 m5 = 2 5";
        QTest::newRow("right-click on an unselected row") << "2 c3 r5 = 5";
        QTest::newRow("right-click in a multi-selection") << "2 c3 r3 = 2 3";
        QTest::newRow("right-click on the header") << "2 r0 = 2";
        // clang-format on
    }
    void clicks()
    {
        QFETCH(QString, clicks);

        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(8));
        int lastRow = 0;
        Qt::MouseButton button = Qt::LeftButton;
        for (QString click : clicks.section(" = ", 0, 0).split(' ')) {
            Qt::KeyboardModifiers modifiers;
            button = Qt::LeftButton;
            for (; !click.at(0).isDigit(); click.remove(0, 1)) {
                const char flag = click.at(0).toLatin1();
                modifiers |= flag == 's'   ? Qt::ShiftModifier
                             : flag == 'c' ? Qt::ControlModifier
                             : flag == 'a' ? Qt::AltModifier
                                           : Qt::NoModifier;
                button = flag == 'm' ? Qt::MiddleButton : flag == 'r' ? Qt::RightButton : button;
            }
            const int row = click.section('>', 0, 0).toInt();
            h.click(row, ColSize, button, modifiers, click.section('>', -1).toInt());
            lastRow = row > 0 ? row : lastRow;
        }
        // Rows are numbered as they are shown; a row in two colours would end in '?'.
        const QStringList marked =
            h.shown({ColNumber}).split('/').filter(QRegularExpression("\\D$"));
        QCOMPARE(marked.join(' ').remove('*'), clicks.section(" = ", 1));
        QCOMPARE(h.control<QLabel>("lblFile")->text(), w.table().at(lastRow).filename);
        QCOMPARE(w.findChild<QMenu *>("mnuSoundtop")->isVisible(), button == Qt::RightButton);
    }

    void cellEdits_data()
    {
        QTest::addColumn<Edit>("edit");
        const QString taken = "Number Taken! | The sound number 4 is already assigned to sound "
                              "'S4'.\r\nThe first available number is 3. | Ok*";
        const QString unlock = "Unlock Sound? | This sound is locked to keep its number. If you "
                               "unlock it (and change the #), this may cause incorrect sounds to "
                               "play in Orvane. Are you sure? | Yes* No";
        const QString s2 = "2,,Misc,S2";
        // Number 3 is free, 4 is S4's; the number rules themselves are the session's.
        // clang-format off
        QTest::newRow("number: free") << Edit{2, ColNumber, "3", "enter", {}, "", "", "3,,Misc,S2"};
        QTest::newRow("number: taken") << Edit{2, ColNumber, "4", "enter", {}, taken, "3", s2};
        QTest::newRow("number: locked") << Edit{1, ColNumber, "", "", {}, "", "", "1,X,Misc,S1"};
        QTest::newRow("lock asks nothing") << Edit{2, ColLock, "", "", {}, "", "", "2,X,Misc,S2"};
        QTest::newRow("unlock: Yes") << Edit{1, ColLock, "", "", {Button::Yes}, unlock, "", "1,,Misc,S1"};
        QTest::newRow("name by Enter") << Edit{2, ColName, "Slam", "enter", {}, "", "", "2,,Misc,Slam"};
        QTest::newRow("name by scrolling") << Edit{2, ColName, "Gust", "scroll", {}, "", "", "2,,Misc,Gust"};
        QTest::newRow("name: Escape keeps it") << Edit{2, ColName, "Gone", "escape", {}, "", "", s2};
        QTest::newRow("category by Enter") << Edit{2, ColCategory, "Loud ", "enter", {}, "", "", "2,,Loud ,S2"};
        // clang-format on
    }
    void cellEdits()
    {
        QFETCH(Edit, edit);

        Form1Harness h;
        SoundTable table = h.sounds(40, "", "1"); // enough rows to scroll
        table.at(3).number = 41;
        h.openWith(table);
        h.ui.messageAnswers.append(edit.answers);
        auto *txtGrid = h.control<QLineEdit>("txtGrid");
        auto *cmbCateg = h.control<QComboBox>("cmbCateg");
        QWidget *editor = edit.col == ColCategory ? static_cast<QWidget *>(cmbCateg) : txtGrid;

        h.startEdit(edit.row, edit.col);
        if (!edit.commit.isEmpty()) {
            QTRY_VERIFY(editor->isVisible() && editor->hasFocus());
            QTest::keyClick(editor, Qt::Key_Delete);
            QTest::keyClicks(editor, edit.keys);
            if (edit.commit == "scroll")
                h.grid()->verticalScrollBar()->setValue(3);
            else
                QTest::keyClick(editor, edit.commit == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        }
        QCOMPARE(h.messages(), edit.message.isEmpty() ? QStringList() : QStringList{edit.message});
        QCOMPARE(txtGrid->isVisible() ? txtGrid->text() : QString(), edit.editor);
        QVERIFY(cmbCateg->isHidden());
        // The row keeps its place until the next sort; the clicks selected it.
        QCOMPARE(h.shown({0, 1, 2, 3}).split('/').at(edit.row - 1), edit.rowAfter + "*");
    }

    void addSounds()
    {
        Form1Harness h;
        const SoundTable three = h.sounds(3, "111");
        h.openWith(h.table({three.at(1), three.at(3)}));
        h.control<QComboBox>("cmbNewCat")->setEditText("Doors");
        const QString grid = "1,Misc,S1,2*/3,Misc,S3,2*";
        h.press("cmdAdd"); // cancelled: nothing changes
        QCOMPARE(h.shown({ColNumber, ColCategory, ColName, ColSize}), grid);
        QCOMPARE(h.settings.lastSourceDir(), QString());
        // The new files fill the gaps, in the order chosen, and are the selection.
        h.ui.fileAnswers.enqueue(QStringList{
            h.makeSource("c.wav", 3000), h.makeSource("a.wav", 3000), h.makeSource("b.wav", 3000)});
        h.press("cmdAdd");
        QCOMPARE(h.shown({ColNumber, ColCategory, ColName, ColSize}),
                 "1,Misc,S1,2/2,Doors,c,3*/3,Misc,S3,2/4,Doors,a,3*/5,Doors,b,3*");
        QVERIFY(h.shown({ColFilename}).contains(h.sourceFolder() + "/a.wav"));
        QCOMPARE(h.settings.lastSourceDir(), h.sourceFolder());
        h.press("cmdAdd");
        QCOMPARE(h.ui.fileRequests.size(), 3);
        QCOMPARE(h.ui.fileRequests[0].title, "Choose one or more sound files...");
        QVERIFY(h.ui.fileRequests[0].multiple);
        // The first in the game folder, later ones where the last files came from.
        QCOMPARE(h.ui.fileRequests[0].initialPath, h.gameFolder() + "/*.MP3;*.WAV;*.OGG;*.VOC");
        QCOMPARE(h.ui.fileRequests[2].initialPath, h.sourceFolder() + "/*.MP3;*.WAV;*.OGG;*.VOC");
    }

    void catalogueRoundTrip_data()
    {
        // "close" or "save", in the loaded folder or one typed in (Other holds another game's
        // catalogue); the answer to the question (none: no question); whether the file is
        // replaced.
        QTest::addColumn<QString>("action");
        QTest::addColumn<QList<Button>>("answers");
        QTest::addColumn<bool>("savedThere");
        // clang-format off
        QTest::newRow("close rewrites the catalogue") << "close" << QList<Button>{} << true;
        QTest::newRow("File Save writes it") << "save" << QList<Button>{} << true;
        QTest::newRow("close in a folder without one") << "close Empty" << QList<Button>{} << true;
        QTest::newRow("another game's: No keeps it") << "close Other" << QList<Button>{Button::No} << false;
        QTest::newRow("another game's: Yes replaces it") << "close Other" << QList<Button>{Button::Yes} << true;
        // clang-format on
    }
    void catalogueRoundTrip()
    {
        QFETCH(QString, action);
        QFETCH(QList<Button>, answers);
        QFETCH(bool, savedThere);
        const QString otherFolder = action.section(' ', 1);

        Form1Harness h;
        // Stale sizes in the file: the window shows the sizes measured now (halves to even).
        const SoundTable table =
            h.table({makeRecord("Creak", 5, "doors", false, false, h.makeSource("c.wav", 1500)),
                     makeRecord("Rain", 2, "Weather", true, true, h.makeSource("r.wav", 2500)),
                     makeRecord("Slam", 9, "Doors", false, false, h.makeSource("s.wav", 3500))});
        h.openWith(table);
        const QByteArray original = readFile(h.catalogueIn(h.gameFolder()));
        QCOMPARE(h.control<QLineEdit>("txtDir")->text(), h.gameFolder());
        QCOMPARE(h.shown({0, 1, 2, 3, 4, 5}).remove(h.sourceFolder() + "/"),
                 "2,X,Weather,Rain,r.wav,2*/5,,doors,Creak,c.wav,2/9,,Doors,Slam,s.wav,4");
        auto *cmbNewCat = h.control<QComboBox>("cmbNewCat");
        QCOMPARE(cmbNewCat->count(), 2);
        QCOMPARE(cmbNewCat->itemText(0) + "|" + cmbNewCat->itemText(1), "doors|Weather");
        QCOMPARE(cmbNewCat->currentText(), "Misc");

        h.edit(1, ColName, "Gust");
        const QString folder =
            otherFolder.isEmpty() ? h.gameFolder() : h.home() + "/" + otherFolder;
        const QByteArray otherBytes("not a catalogue of this game");
        QDir().mkpath(folder);
        if (otherFolder == "Other")
            writeFile(h.catalogueIn(folder), otherBytes);
        h.control<QLineEdit>("txtDir")->selectAll();
        QTest::keyClicks(h.control("txtDir"), folder);
        h.ui.messageAnswers.append(answers);
        if (action == "save")
            h.trigger("mnuFile 4");
        else
            h.close();

        QCOMPARE(h.ui.messages.size(), answers.size());
        if (!answers.isEmpty())
            QCOMPARE(h.messages()[0].section(" | ", 0, 0) + h.messages()[0].section(" | ", 2),
                     "Replace Saved Selections?Yes No*");
        if (!answers.isEmpty())
            QVERIFY(h.messages()[0].contains(h.catalogueIn(folder)));
        SoundTable expected = table;
        expected.at(2).name = "Gust";
        for (int i = 1; i <= 3; ++i)
            expected.at(i).size = float(QFileInfo(expected.at(i).filename).size());
        QCOMPARE(readFile(h.catalogueIn(folder)),
                 savedThere ? SerializeSoundInfo(expected) : otherBytes);
        if (!otherFolder.isEmpty())
            QCOMPARE(readFile(h.catalogueIn(h.gameFolder())), original);
    }

    void fileLoad()
    {
        Form1Harness h;
        h.openWith(h.sounds(2));
        const QString other = h.home() + "/Other";
        h.control<QLineEdit>("txtDir")->setText(other);
        h.ui.messageAnswers.append({Button::Cancel, Button::No, Button::Yes});
        h.trigger("mnuFile 2");
        writeFile(h.catalogueIn(other),
                  SerializeSoundInfo(h.table({makeRecord("Saved", 9, "Ambience", false, false,
                                                         h.makeSource("s.wav", 4000))})));
        h.trigger("mnuFile 2");
        QCOMPARE(h.shown({ColName, ColSize}), "S1,2/S2,2");
        h.trigger("mnuFile 2");
        QCOMPARE(h.shown({ColName, ColSize}), "Saved,4");
        const QString replace = "Replace Selections? | This will replace your current selections "
                                "with what was saved at " +
                                other + ". Are you sure? | Yes* No";
        QCOMPARE(h.messages(),
                 QStringList({"No Selections found | No saved selections found at '" + other +
                                  "/SoundInfo.dat'. Cannot load. | Ok* Cancel",
                              replace, replace}));
        // The loaded catalogue belongs to the other folder now: closing there asks nothing.
        h.close();
        QCOMPARE(h.ui.messages.size(), 3);
    }

    void clearFiles()
    {
        // Which names count as numbered files is the distribution's test; here the question.
        Form1Harness h;
        const QDir game(h.gameFolder());
        for (const char *name : {"SOUND5.ogg", "sound7.MP3", "SOUND3.wav", "SOUND05.ogg"})
            writeFile(game.filePath(name), "x");
        h.openWith(h.table({makeRecord("Own", 3, {}, false, false, game.filePath("SOUND3.wav"))}));
        const QString all = game.entryList(QDir::Files).join(' ');
        h.trigger("mnuFile 10"); // the default No keeps them
        QCOMPARE(game.entryList(QDir::Files).join(' '), all);
        h.ui.messageAnswers.append({Button::Yes});
        h.trigger("mnuFile 10");
        QCOMPARE(game.entryList(QDir::Files).join(' '), "SOUND05.ogg SOUND3.wav SoundInfo.dat");
        const QString question = "Delete SOUND files? | This will delete all the SOUND#.* files "
                                 "in the compiled game directory.\r\nThe source files will not be "
                                 "touched. Are you sure? | Yes No*";
        QCOMPARE(h.messages(), QStringList({question, question,
                                            "Sonquill | These files were not deleted because "
                                            "sounds in the list use them as their source "
                                            "files:\r\nSOUND3.wav | Ok*"}));
    }

    void selectionCommands_data()
    {
        // A menu entry run on five sounds selected and locked as the flags say, with the answer
        // given; then the message shown, if any, and the name and lock columns ('*': selected).
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("locked");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QList<Button>>("answers");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("grid");
        const QString clear = "Clear List? | Really remove all entries from the list? | Yes No*";
        const QString remove =
            "Remove Entries? | Really remove all 2 selected sounds from the list? | Yes* No";
        const QString unlock =
            "Unlock Sounds? | These sounds are locked to keep their number. If you unlock them "
            "(and change the #), this may cause incorrect sounds to play in Orvane. Are you sure? "
            "| Yes* No";
        const QList<Button> none, no{Button::No};
        // clang-format off
        QTest::newRow("Select All") << "01" << "" << "mnuEdit 2" << none << "" << "S1,*/S2,*/S3,*/S4,*/S5,*";
        QTest::newRow("Remove all: default No") << "01" << "" << "mnuEdit 6" << none << clear << "S1,/S2,*/S3,/S4,/S5,";
        QTest::newRow("Remove Selected: locked or not") << "011" << "001" << "mnuSoundPop 6" << none << remove << "S1,/S4,/S5,";
        QTest::newRow("Remove Selected: one, unasked") << "0001" << "" << "mnuSoundPop 6" << none << "" << "S1,/S2,/S3,/S5,";
        QTest::newRow("Lock/Unlock: mixed locks") << "011" << "001" << "mnuSoundPop 8" << none << "" << "S1,/S2,X*/S3,X*/S4,/S5,";
        QTest::newRow("Lock/Unlock: locked, No") << "011" << "0111" << "mnuSoundPop 8" << no << unlock << "S1,/S2,X*/S3,X*/S4,X/S5,";
        QTest::newRow("Lock/Unlock: locked, Yes") << "011" << "0111" << "mnuSoundPop 8" << none << unlock << "S1,/S2,*/S3,*/S4,X/S5,";
        // clang-format on
    }
    void selectionCommands()
    {
        QFETCH(QString, selected);
        QFETCH(QString, locked);
        QFETCH(QList<Button>, answers);
        QFETCH(QString, message);

        Form1Harness h;
        h.openWith(h.sounds(5, selected, locked));
        h.ui.messageAnswers.append(answers);
        QFETCH(QString, entry);
        h.trigger(entry);
        QCOMPARE(h.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        QTEST(h.shown({ColName, ColLock}), "grid");
    }

    void changeCategory()
    {
        Form1Harness h;
        h.openWith(
            h.table({makeRecord("Mid", 1, "First"), makeRecord("Zed", 2, "Second", false, true),
                     makeRecord("Abe", 3, "Third", false, true)}));
        h.click(0, ColName); // the grid shows Abe before Zed; the question offers Zed's category
        // Cancel and an empty answer keep the categories; any other text is taken as typed.
        h.ui.inputAnswers.append({std::nullopt, QString(), QString(" New ")});
        for (const char *grid :
             {"Abe,Third*/Mid,First/Zed,Second*", "Abe,Third*/Mid,First/Zed,Second*",
              "Abe, New */Mid,First/Zed, New *"}) {
            h.trigger("mnuSoundPop 10");
            QCOMPARE(h.shown({ColName, ColCategory}), grid);
        }
        QCOMPARE(h.ui.inputRequests.size(), 3);
        QCOMPARE(h.ui.inputRequests[0].title + "|" + h.ui.inputRequests[0].prompt + "|" +
                     h.ui.inputRequests[0].preset,
                 "New Category For Selected|Please enter the new category for the selected "
                 "entries. Click cancel to keep the same.|Second");
        // The new category is offered for the next sounds at once.
        QVERIFY(h.control<QComboBox>("cmbNewCat")->findText(" New ") >= 0);
    }

    void listsInDisplayOrder()
    {
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(5, "", "10010"));
        h.shell.answers.insert("open", 42);
        h.click(0, ColLock); // locked sounds first: the display order is not the table's
        QCOMPARE(h.shown({ColNumber}), "1/4/2/3/5");
        const QList<int> order{1, 4, 2, 3, 5};
        const QList<std::pair<QString, QByteArray>> lists{
            {"AllSounds.txt", ListOfAllBytes(w.table(), order)},
            {"LockedSounds.txt", ListOfLockedBytes(w.table())},
            {"WinampPlaylist.m3u", WinampListBytes(w.table(), order)}};
        for (int i = 0; i < 3; ++i) {
            h.trigger(QStringLiteral("mnuUtils %1").arg(2 * i + 2));
            const QString path = h.gameFolder() + "/" + lists[i].first;
            QCOMPARE(readFile(path), lists[i].second);
            QCOMPARE(h.shell.calls.value(i).path + "|" + h.shell.calls.value(i).verb,
                     path + "|open");
        }
        QVERIFY(h.ui.messages.isEmpty());
    }

    void helpMenu()
    {
        Form1Harness h;
        Form1 &w = h.open();
        h.trigger("mnuHelp 2");
        const QString page = h.home() + "/Program/SonquillHelp.html";
        QCOMPARE(h.messages(),
                 QStringList{"No Help Found. | The help file, " + page + ", was not found. | Ok*"});
        QCOMPARE(h.shell.calls.size(), 1);
        QCOMPARE(h.shell.calls[0].path, page);
        // About shows one window, and a new one once that was closed.
        h.trigger("mnuHelp 4");
        h.trigger("mnuHelp 4");
        QCOMPARE(w.findChildren<FrmAbout *>().size(), 1);
        QPointer<FrmAbout> first = w.findChild<FrmAbout *>();
        QVERIFY(first && first->isVisible());
        first->close();
        QTRY_VERIFY(!first);
        h.trigger("mnuHelp 4");
        QCOMPARE(w.findChildren<FrmAbout *>().size(), 1);
        QVERIFY(w.findChild<FrmAbout *>()->isVisible());
    }

    void previewCommands()
    {
        Form1Harness h;
        Form1 &w = h.openWith(h.sounds(3));
        // Nothing is current yet: nothing is named, played or opened.
        QCOMPARE(h.control<QLabel>("lblFile")->text(), "");
        for (const char *entry : {"mnuSound 2", "mnuSound 6", "mnuSound 8"})
            h.trigger(entry);
        QVERIFY(h.player->played.isEmpty() && h.shell.calls.isEmpty());
        h.click(2, ColName);
        const QString s2 = w.table().at(2).filename;
        QCOMPARE(h.control<QLabel>("lblFile")->text(), s2);
        h.trigger("mnuSound 2");
        h.trigger("mnuSound 4");
        QCOMPARE(h.player->played, QStringList{s2});
        QCOMPARE(h.player->stops, 1);
        h.startEdit(3, ColSize); // a double-click on a size cell plays that row's sound
        QTest::mouseDClick(h.grid()->viewport(), Qt::LeftButton, {},
                           h.grid()->visualRect(h.grid()->model()->index(2, ColSize)).center());
        QCOMPARE(h.player->played.value(1), w.table().at(3).filename);

        // Open asks once; Edit tries its verbs in order until one is accepted.
        h.click(2, ColName);
        h.shell.answers.insert("Record", 42);
        h.shell.answers.insert("open", 42);
        h.trigger("mnuSound 6");
        h.trigger("mnuSound 8");
        QStringList calls;
        for (const ScriptedShell::Call &call : h.shell.calls)
            calls.append(call.verb + (call.path == s2 ? "" : " (other file)"));
        QCOMPARE(calls, (QStringList{"open", "Edit", "Record"}));
        QVERIFY(h.ui.messages.isEmpty());
        // Nothing started says so.
        h.shell.answers.clear();
        h.trigger("mnuSound 6");
        h.trigger("mnuSound 8");
        QCOMPARE(h.messages(), QStringList({"Sonquill | No program could open " + s2 + ". | Ok*",
                                            "Sonquill | Neither a sound editor nor any other "
                                            "program could open " +
                                                s2 + ". | Ok*"}));
    }

    void gameFolder()
    {
        Form1Harness h;
        h.open();
        auto *txtDir = h.control<QLineEdit>("txtDir");
        // Typing alone remembers nothing; Enter does.
        txtDir->selectAll();
        QTest::keyClicks(txtDir, h.sourceFolder());
        QCOMPARE(h.settings.lastGameDir(), QString());
        QTest::keyClick(txtDir, Qt::Key_Return);
        QCOMPARE(h.settings.lastGameDir(), h.sourceFolder());
        // Browsing takes the folder of any name typed inside it; a cancel changes nothing.
        h.ui.fileAnswers.enqueue(QStringList{h.gameFolder() + "/not yet there.txt"});
        for (int i = 0; i < 2; ++i) {
            h.press("cmdBrowseDir");
            QCOMPARE(txtDir->text() + "|" + h.settings.lastGameDir(),
                     h.gameFolder() + "|" + h.gameFolder());
        }
        QCOMPARE(h.ui.fileRequests.last().title,
                 "Choose any file in your compiled game directory...");
        QVERIFY(!h.ui.fileRequests.last().fileMustExist);
    }

    void optionsReachTheNextRun()
    {
        Form1Harness h;
        const QString wav = h.makeSource("Big.wav", 5000); // above the 4 kB to encode
        Form1 &w = h.openWith(h.table({makeRecord("Big", 7, {}, false, false, wav)}));
        h.press("chkOgg");
        h.press("cmdOggOptions");
        h.press("cmdOggOptions");
        QCOMPARE(w.findChildren<FrmOgg *>().size(), 1);
        auto *slider = w.findChild<FrmOgg *>()->findChild<QSlider *>("sldQuality");
        QVERIFY(slider);
        slider->setValue(7);
        h.trigger("mnuFile 8");
        QCOMPARE(h.runner.commandLines.size(), 1);
        const QString commandLine = h.runner.commandLines[0];
        QVERIFY2(commandLine.contains(wav) && commandLine.endsWith("-q7"), qPrintable(commandLine));
        // The run saved the catalogue there, so closing asks nothing.
        h.close();
        QCOMPARE(h.ui.messages.size(), 1);
    }

    // Add real WAV and MP3 files, lock one, distribute with the real encoder while the progress
    // window shows, close; then every file in the game folder.
    void wholeSession()
    {
        Form1Harness h;
        const QString big = h.makeSource("Thunder Clap.wav", 60000);
        const QString small = h.makeSource("Tick.WAV", 1200);
        const QString mp3 = h.sourceFolder() + "/Tune.mp3";
        if (!QFile::exists(SONQUILL_OGGENC))
            QFAIL("oggenc (vorbis-tools) is not installed");
        if (runTool(SONQUILL_SOX,
                    {"-n", "-r", "22050", "-c", "1", mp3, "synth", "0.3", "sine", "440"}) ||
            !QFile::exists(mp3))
            QFAIL("sox cannot write MP3 files here (libsox-fmt-mp3 missing)");
        FrmProgressSink sink;
        PeekingRunner runner(sink);
        h.settings.setLastGameDir(h.gameFolder());
        Form1 &w = h.open(&runner, &sink);
        h.control<QComboBox>("cmbNewCat")->setEditText("Sfx");
        h.ui.fileAnswers.enqueue(QStringList{big, h.makeSource("Boom.wav", 9000), small, mp3});
        h.press("cmdAdd");
        h.startEdit(3, ColLock); // locks Tick
        h.press("chkOgg");
        h.press("cmdDistribute");

        const QString shown = "Distributing Files | Copying/Encoding 4 files... | ";
        QCOMPARE(runner.seen, (QStringList{shown + "0/4", shown + "1/4"}));
        QVERIFY(!sink.currentWindow());
        QCOMPARE(h.ui.messages.size(), 1);
        QVERIFY2(h.messages()[0].startsWith("Copying Complete | Copying/Encoding of 4 files was "
                                            "successful.\r\n\r\nOgg-encoding compressed wav's "
                                            "from 69 kB to "),
                 qPrintable(h.messages()[0]));
        QVERIFY(w.table().at(3).isLocked());
        h.close();
        QCOMPARE(h.ui.messages.size(), 1);

        QDir game(h.gameFolder());
        QCOMPARE(game.entryList(QDir::Files).join(' '), "SOUND1.ogg SOUND2.ogg SOUND3.wav "
                                                        "SOUND4.mp3 SoundCode.txt SoundInfo.dat "
                                                        "SoundList.dat");
        const QByteArray ogg = readFile(game.filePath("SOUND1.ogg"));
        QVERIFY(ogg.startsWith("OggS") && ogg.contains("\x01vorbis") && ogg.size() < 60000);
        // The catalogue as closed: the lock click selected Tick alone. (The bytes of the copies
        // and lists are the distribution's tests.)
        const SoundTable expected = h.table(
            {makeRecord("Thunder Clap", 1, "Sfx", false, false, big, 60000.0f),
             makeRecord("Boom", 2, "Sfx", false, false, h.sourceFolder() + "/Boom.wav", 9000.0f),
             makeRecord("Tick", 3, "Sfx", true, true, small, 1200.0f),
             makeRecord("Tune", 4, "Sfx", false, false, mp3, QFileInfo(mp3).size())});
        QCOMPARE(readFile(game.filePath("SoundInfo.dat")), SerializeSoundInfo(expected));
    }
};

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
