// The main window: start-up, layout, the grid's mouse rules, in-cell editing, adding sounds,
// saving, the menus and the options dialog's effect on the next run.

#include "Form1Harness.h"
#include "storage/SoundLists.h"
#include "ui/dialogs/FrmAbout.h"
#include "ui/dialogs/FrmOgg.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSlider>

using namespace sonquill;
using namespace sonquill::test;
using Button = MessageRequest::Button;

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

// Add Sound(s) over selected sounds S<n> with the files chosen (none: cancel); then the dialog's
// start folder and the grid's number, category, name and size columns.
struct Adding
{
    QList<int> existing;
    QString lastSourceDir;
    QStringList files;
    QString category, startFolder, grid;
};

// A menu entry run on five sounds selected and locked as the flags say, with the answers given;
// then the message shown, if any, and the grid's name and lock columns ('*': selected).
struct Command
{
    QString selected, locked, entry;
    QList<Button> answers;
    QString message, grid;
};

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Adding)
Q_DECLARE_METATYPE(Command)

class Form1Test : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data();
    void startUp();
    void resize_data();
    void resize();
    void clicks_data();
    void clicks();
    void headerClicksSort();
    void cellEdits_data();
    void cellEdits();
    void addSounds_data();
    void addSounds();
    void catalogueRoundTrip_data();
    void catalogueRoundTrip();
    void fileLoad();
    void clearFiles();
    void selectionCommands_data();
    void selectionCommands();
    void changeCategory();
    void listsInDisplayOrder();
    void helpMenu();
    void previewCommands();
    void gameFolder();
    void optionsReachTheNextRun();
};

void Form1Test::startUp_data()
{
    QTest::addColumn<QString>("storedOggUse");
    QTest::addColumn<int>("checkState");
    QTest::addColumn<QString>("storedAfter");
    QTest::newRow("no settings") << QString() << int(Qt::Unchecked) << "absent";
    QTest::newRow("OggUse 1 checks the box") << "1" << int(Qt::Checked) << "1";
    QTest::newRow("OggUse 2 greys it, writes 0") << "2" << int(Qt::PartiallyChecked) << "0";
}

void Form1Test::startUp()
{
    QFETCH(QString, storedOggUse);
    QFETCH(int, checkState);
    QFETCH(QString, storedAfter);

    Form1Harness h;
    if (!storedOggUse.isNull())
        h.settings.write("Ogg", "OggUse", storedOggUse);
    h.open();
    auto *chkOgg = h.control<QCheckBox>("chkOgg");
    QCOMPARE(int(chkOgg->checkState()), checkState);
    QCOMPARE(h.settings.read("Ogg", "OggUse", "absent"), storedAfter);
    QCOMPARE(h.control<QLineEdit>("txtDir")->text(), h.home() + "/Sonquill/Compiled");
    // One blank row, with nothing to edit.
    QCOMPARE(h.shown({ColNumber, ColName}), ",");
    h.startEdit(1, ColName);
    h.startEdit(1, ColFilename);
    QVERIFY(h.control<QLineEdit>("txtGrid")->isHidden());
    QVERIFY(h.ui.fileRequests.isEmpty() && h.ui.messages.isEmpty());
    // A click on the grey box checks it.
    QTest::mouseClick(chkOgg, Qt::LeftButton, {}, QPoint(8, chkOgg->height() / 2));
    QCOMPARE(h.settings.oggUse(), qint16(checkState == Qt::Checked ? 0 : 1));

    // Closing an empty catalogue whose default folder does not exist reports nothing; a
    // catalogue with sounds in it is never dropped silently.
    if (storedOggUse.isNull()) {
        h.close();
        QVERIFY(h.ui.messages.isEmpty());
        QVERIFY(!QFileInfo::exists(h.home() + "/Sonquill"));
    } else {
        h.ui.fileAnswers.enqueue(QStringList{h.makeSource("Door.wav")});
        QTest::mouseClick(h.control<QWidget>("cmdAdd"), Qt::LeftButton);
        h.close();
        QCOMPARE(h.ui.messages.size(), 1);
        QCOMPARE(h.ui.messages[0].title, "Error!");
        QVERIFY(h.ui.messages[0].text.contains("Raised while Saving the SoundInfo.DAT file"));
    }
}

void Form1Test::resize_data()
{
    QTest::addColumn<QSize>("client");
    QTest::newRow("large") << QSize(1400, 1000);
    QTest::newRow("small stops where every control fits") << QSize(420, 320);
}

void Form1Test::resize()
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

    // The bottom panel spans the foot of the window; the grid fills the room above it without
    // overlapping it or running past the right edge.
    const QRect bottom = h.control<QWidget>("picBottom")->geometry();
    QCOMPARE(bottom.left(), 0);
    QCOMPARE(bottom.width(), client.width());
    QCOMPARE(bottom.bottom(), client.height() - 1);
    const QRect grid = h.grid()->geometry();
    QVERIFY(grid.width() > 0 && grid.height() > 0);
    QVERIFY(grid.bottom() < bottom.top());
    QVERIFY(bottom.top() - grid.bottom() < 20);
    QVERIFY(grid.right() < client.width());
    QVERIFY(client.width() - grid.right() < 20);
}

void Form1Test::clicks_data()
{
    // Clicks on the "Size kb" column, whose edit does nothing, then the rows shown selected: "5"
    // a click on row 5 (0 is the header), "s" Shift, "c" Ctrl, "a" Alt, "m" the middle and "r"
    // the right button, "2>6" a press on row 2 released on row 6.
    QTest::addColumn<QString>("clicks");
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
}

void Form1Test::clicks()
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
    const QStringList marked = h.shown({ColNumber}).split('/').filter(QRegularExpression("\\D$"));
    QCOMPARE(marked.join(' ').remove('*'), clicks.section(" = ", 1));
    QCOMPARE(h.control<QLabel>("lblFile")->text(), w.table().at(lastRow).filename);
    QCOMPARE(w.findChild<QMenu *>("mnuSoundtop")->isVisible(), button == Qt::RightButton);
}

void Form1Test::headerClicksSort()
{
    Form1Harness h;
    SoundTable table;
    table.replaceAll({makeRecord("Creak", 1, "Doors"), makeRecord("Thunder", 2, "Weather"),
                      makeRecord("bang", 3, "Doors", false, true), makeRecord("Arrival", 4, "misc"),
                      makeRecord("Rain", 5, "Weather")});
    h.openWith(table);
    h.click(0, ColName);
    QCOMPARE(h.shown({ColName}), "Arrival/bang*/Creak/Rain/Thunder");
    // Category first, then the name clicked before; a second click changes nothing.
    h.click(0, ColCategory);
    QCOMPARE(h.shown({ColName}), "bang*/Creak/Arrival/Rain/Thunder");
    h.click(0, ColCategory);
    QCOMPARE(h.shown({ColName}), "bang*/Creak/Arrival/Rain/Thunder");
}

void Form1Test::cellEdits_data()
{
    QTest::addColumn<Edit>("edit");
    const QString taken = "Number Taken! | The sound number 4 is already assigned to sound "
                          "'S4'.\r\nThe first available number is 3. | Ok*";
    const QString lowest = "Sonquill | The lowest sound number should be 1. | Ok*";
    const QString highest = "Sonquill | The highest sound number should be 999. | Ok*";
    const QString unlock = "Unlock Sound? | This sound is locked to keep its number. If you unlock "
                           "it (and change the #), this may cause incorrect sounds to play in "
                           "Orvane. Are you sure? | Yes* No";
    const QList<Button> yes{Button::Yes};
    const QList<Button> no{Button::No};
    const QString s1 = "1,X,Misc,S1";
    const QString s2 = "2,,Misc,S2";
    // Number 3 is free, 4 is S4's.
    QTest::newRow("number: free") << Edit{2, ColNumber, "3", "enter", {}, "", "", "3,,Misc,S2"};
    QTest::newRow("number: its own") << Edit{2, ColNumber, "2", "enter", {}, "", "", s2};
    QTest::newRow("number: taken") << Edit{2, ColNumber, "4", "enter", {}, taken, "3", s2};
    QTest::newRow("number: zero") << Edit{2, ColNumber, "0", "enter", {}, lowest, "1", s2};
    QTest::newRow("number: above 999")
        << Edit{2, ColNumber, "1000", "enter", {}, highest, "999", s2};
    QTest::newRow("number: locked") << Edit{1, ColNumber, "", "", {}, "", "", s1};
    QTest::newRow("lock asks nothing") << Edit{2, ColLock, "", "", {}, "", "", "2,X,Misc,S2"};
    QTest::newRow("unlock: Yes") << Edit{1, ColLock, "", "", yes, unlock, "", "1,,Misc,S1"};
    QTest::newRow("unlock: No keeps it") << Edit{1, ColLock, "", "", no, unlock, "", s1};
    QTest::newRow("name by Enter") << Edit{2, ColName, "Slam", "enter", {}, "", "", "2,,Misc,Slam"};
    QTest::newRow("name by scrolling")
        << Edit{2, ColName, "Gust", "scroll", {}, "", "", "2,,Misc,Gust"};
    QTest::newRow("name: Escape keeps it") << Edit{2, ColName, "Gone", "escape", {}, "", "", s2};
    QTest::newRow("category by Enter")
        << Edit{2, ColCategory, "Loud ", "enter", {}, "", "", "2,,Loud ,S2"};
}

void Form1Test::cellEdits()
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

void Form1Test::addSounds_data()
{
    QTest::addColumn<Adding>("adding");
    const QString gaps = "1,Misc,S1,2/2,Doors,c,3*/3,Misc,S3,2/4,Doors,a,3*/5,Doors,b,3*";
    const QString other = "<home>/Elsewhere";
    QTest::newRow("one file, empty catalogue")
        << Adding{{}, "", {"Door.wav"}, "Misc", "<game>", "1,Misc,Door,3*"};
    QTest::newRow("three files fill the gaps")
        << Adding{{1, 3}, "<src>/", {"c.wav", "a.wav", "b.wav"}, "Doors", "<src>", gaps};
    QTest::newRow("cancel changes nothing")
        << Adding{{1, 2}, other, {}, "Misc", other, "1,Misc,S1,2*/2,Misc,S2,2*"};
}

void Form1Test::addSounds()
{
    QFETCH(Adding, adding);

    Form1Harness h;
    auto expand = [&](QString text) {
        return text.replace("<src>", h.sourceFolder())
            .replace("<game>", h.gameFolder())
            .replace("<home>", h.home());
    };
    SoundTable table = h.sounds(3, "111");
    QList<SoundRecord> kept;
    for (int number : adding.existing)
        kept.append(table.at(number));
    table.replaceAll(kept);
    if (!adding.lastSourceDir.isEmpty())
        h.settings.setLastSourceDir(expand(adding.lastSourceDir));
    h.openWith(table);
    h.control<QComboBox>("cmbNewCat")->setEditText(adding.category);
    QStringList paths;
    for (const QString &file : adding.files)
        paths.append(h.makeSource(file, 3000));
    if (!paths.isEmpty())
        h.ui.fileAnswers.enqueue(paths);

    QTest::mouseClick(h.control<QWidget>("cmdAdd"), Qt::LeftButton);
    QCOMPARE(h.ui.fileRequests.size(), 1);
    QCOMPARE(h.ui.fileRequests[0].title, "Choose one or more sound files...");
    QCOMPARE(h.ui.fileRequests[0].initialPath,
             expand(adding.startFolder) + "/*.MP3;*.WAV;*.OGG;*.VOC");
    QVERIFY(h.ui.fileRequests[0].multiple);
    QCOMPARE(h.shown({ColNumber, ColCategory, ColName, ColSize}), adding.grid);
    for (const QString &path : paths)
        QVERIFY(h.shown({ColFilename}).contains(path));
    QCOMPARE(h.settings.lastSourceDir(),
             paths.isEmpty() ? expand(adding.lastSourceDir) : h.sourceFolder());
}

void Form1Test::catalogueRoundTrip_data()
{
    // "close" or "save", in the loaded folder or one typed in (Other holds another game's
    // catalogue); the answer to the question (none: no question); whether the file is replaced.
    QTest::addColumn<QString>("action");
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<bool>("savedThere");
    QTest::newRow("close rewrites the catalogue") << "close" << QList<Button>{} << true;
    QTest::newRow("File Save writes it") << "save" << QList<Button>{} << true;
    QTest::newRow("close in a folder without one") << "close Empty" << QList<Button>{} << true;
    QTest::newRow("another game's: No keeps it")
        << "close Other" << QList<Button>{Button::No} << false;
    QTest::newRow("another game's: Yes replaces it")
        << "close Other" << QList<Button>{Button::Yes} << true;
}

void Form1Test::catalogueRoundTrip()
{
    QFETCH(QString, action);
    QFETCH(QList<Button>, answers);
    QFETCH(bool, savedThere);
    const QString otherFolder = action.section(' ', 1);

    Form1Harness h;
    SoundTable table;
    // Stale sizes in the file: the window shows the sizes measured now (halves to even).
    table.replaceAll({makeRecord("Creak", 5, "doors", false, false, h.makeSource("c.wav", 1500)),
                      makeRecord("Rain", 2, "Weather", true, true, h.makeSource("r.wav", 2500)),
                      makeRecord("Slam", 9, "Doors", false, false, h.makeSource("s.wav", 3500))});
    Form1 &w = h.openWith(table);
    const QByteArray original = readFile(h.catalogueIn(h.gameFolder()));
    QCOMPARE(h.control<QLineEdit>("txtDir")->text(), h.gameFolder());
    QCOMPARE(h.shown({0, 1, 2, 3, 4, 5}).remove(h.sourceFolder() + "/"),
             "2,X,Weather,Rain,r.wav,2*/5,,doors,Creak,c.wav,2/9,,Doors,Slam,s.wav,4");
    auto *cmbNewCat = h.control<QComboBox>("cmbNewCat");
    QCOMPARE(cmbNewCat->count(), 2);
    QCOMPARE(cmbNewCat->itemText(0) + "|" + cmbNewCat->itemText(1), "doors|Weather");
    QCOMPARE(cmbNewCat->currentText(), "Misc");

    h.startEdit(1, ColName);
    QTest::keyClicks(h.control<QLineEdit>("txtGrid"), "Gust");
    QTest::keyClick(h.control<QLineEdit>("txtGrid"), Qt::Key_Return);
    const QString folder = otherFolder.isEmpty() ? h.gameFolder() : h.home() + "/" + otherFolder;
    const QByteArray otherBytes("not a catalogue of this game");
    QDir().mkpath(folder);
    if (otherFolder == "Other")
        writeFile(h.catalogueIn(folder), otherBytes);
    h.control<QLineEdit>("txtDir")->selectAll();
    QTest::keyClicks(h.control<QLineEdit>("txtDir"), folder);
    h.ui.messageAnswers.append(answers);
    if (action == "save")
        trigger(w, "mnuFile 4");
    else
        h.close();

    QCOMPARE(h.ui.messages.size(), answers.size());
    if (!answers.isEmpty()) {
        QVERIFY(h.messages()[0].startsWith("Replace Saved Selections? | "));
        QVERIFY(h.messages()[0].contains(h.catalogueIn(folder)));
        QVERIFY(h.messages()[0].endsWith(" | Yes No*"));
    }
    SoundTable expected = table;
    expected.at(2).name = "Gust";
    for (int i = 1; i <= 3; ++i)
        expected.at(i).size = float(QFileInfo(expected.at(i).filename).size());
    QCOMPARE(readFile(h.catalogueIn(folder)),
             savedThere ? SerializeSoundInfo(expected) : otherBytes);
    if (!otherFolder.isEmpty())
        QCOMPARE(readFile(h.catalogueIn(h.gameFolder())), original);
}

void Form1Test::fileLoad()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(2));
    const QString other = h.home() + "/Other";
    h.control<QLineEdit>("txtDir")->setText(other);
    h.ui.messageAnswers.append({Button::Cancel, Button::No, Button::Yes});
    trigger(w, "mnuFile 2");
    SoundTable saved;
    saved.replaceAll(
        {makeRecord("Saved", 9, "Ambience", false, false, h.makeSource("s.wav", 4000))});
    writeFile(h.catalogueIn(other), SerializeSoundInfo(saved));
    trigger(w, "mnuFile 2");
    QCOMPARE(h.shown({ColName, ColSize}), "S1,2/S2,2");
    trigger(w, "mnuFile 2");
    QCOMPARE(h.shown({ColName, ColSize}), "Saved,4");

    const QString replace = "Replace Selections? | This will replace your current selections with "
                            "what was saved at " +
                            other + ". Are you sure? | Yes* No";
    QCOMPARE(h.messages(), QStringList({"No Selections found | No saved selections found at '" +
                                            other + "/SoundInfo.dat'. Cannot load. | Ok* Cancel",
                                        replace, replace}));
    // The loaded catalogue belongs to the other folder now: closing there asks nothing.
    h.close();
    QCOMPARE(h.ui.messages.size(), 3);
}

void Form1Test::clearFiles()
{
    Form1Harness h;
    QDir game(h.gameFolder());
    const QStringList numbered{"SOUND5.ogg", "SOUND5.wav", "sound7.MP3", "SOUND999.voc"};
    const QStringList others{"SOUND.txt",     "SOUND05.ogg",  "SOUND1000.ogg",
                             "SoundInfo.dat", "mySOUND5.wav", "SOUND3.wav"};
    for (const QString &name : numbered + others)
        writeFile(game.filePath(name), "x");
    // A sound whose source lies in the game folder under a numbered name.
    SoundTable table;
    table.replaceAll({makeRecord("Own", 3, {}, false, false, game.filePath("SOUND3.wav"))});
    Form1 &w = h.openWith(table);
    auto present = [&] {
        QStringList names = game.entryList(QDir::Files);
        names.sort(Qt::CaseInsensitive);
        return names.join(' ');
    };
    const QString all = present();

    trigger(w, "mnuFile 10"); // the default No keeps them
    QCOMPARE(present(), all);
    h.ui.messageAnswers.append({Button::Yes});
    trigger(w, "mnuFile 10");
    QStringList left = others;
    left.sort(Qt::CaseInsensitive);
    QCOMPARE(present(), left.join(' '));
    const QString question = "Delete SOUND files? | This will delete all the SOUND#.* files in the "
                             "compiled game directory.\r\nThe source files will not be touched. "
                             "Are you sure? | Yes No*";
    QCOMPARE(h.messages(), QStringList({question, question,
                                        "Sonquill | These files were not deleted because sounds "
                                        "in the list use them as their source files:\r\n"
                                        "SOUND3.wav | Ok*"}));
}

void Form1Test::selectionCommands_data()
{
    QTest::addColumn<Command>("command");
    const QString clear = "Clear List? | Really remove all entries from the list? | Yes No*";
    const QString remove =
        "Remove Entries? | Really remove all 2 selected sounds from the list? | Yes* No";
    const QString unlock = "Unlock Sounds? | These sounds are locked to keep their number. If you "
                           "unlock them (and change the #), this may cause incorrect sounds to "
                           "play in Orvane. Are you sure? | Yes* No";
    const QList<Button> yes{Button::Yes};
    const QList<Button> no{Button::No};
    const QString all = "S1,*/S2,*/S3,*/S4,*/S5,*";
    QTest::newRow("Select All") << Command{"01", "", "mnuEdit 2", {}, "", all};
    QTest::newRow("Remove all: default No")
        << Command{"01", "", "mnuEdit 6", {}, clear, "S1,/S2,*/S3,/S4,/S5,"};
    QTest::newRow("Remove all: Yes") << Command{"01", "", "mnuEdit 6", yes, clear, ","};
    QTest::newRow("Remove Selected: locked or not")
        << Command{"011", "001", "mnuSoundPop 6", {}, remove, "S1,/S4,/S5,"};
    QTest::newRow("Remove Selected: No")
        << Command{"011", "001", "mnuSoundPop 6", no, remove, "S1,/S2,*/S3,X*/S4,/S5,"};
    QTest::newRow("Remove Selected: one, unasked")
        << Command{"0001", "", "mnuSoundPop 6", {}, "", "S1,/S2,/S3,/S5,"};
    QTest::newRow("Lock/Unlock: mixed locks")
        << Command{"011", "001", "mnuSoundPop 8", {}, "", "S1,/S2,X*/S3,X*/S4,/S5,"};
    QTest::newRow("Lock/Unlock: locked, No")
        << Command{"011", "0111", "mnuSoundPop 8", no, unlock, "S1,/S2,X*/S3,X*/S4,X/S5,"};
    QTest::newRow("Lock/Unlock: locked, Yes")
        << Command{"011", "0111", "mnuSoundPop 8", yes, unlock, "S1,/S2,*/S3,*/S4,X/S5,"};
}

void Form1Test::selectionCommands()
{
    QFETCH(Command, command);

    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(5, command.selected, command.locked));
    h.ui.messageAnswers.append(command.answers);
    trigger(w, command.entry);
    QCOMPARE(h.messages(),
             command.message.isEmpty() ? QStringList() : QStringList{command.message});
    QCOMPARE(h.shown({ColName, ColLock}), command.grid);
}

void Form1Test::changeCategory()
{
    Form1Harness h;
    SoundTable table;
    table.replaceAll({makeRecord("Mid", 1, "First"), makeRecord("Zed", 2, "Second", false, true),
                      makeRecord("Abe", 3, "Third", false, true)});
    Form1 &w = h.openWith(table);
    h.click(0, ColName); // the grid shows Abe before Zed; the question offers Zed's category
    // Cancel and an empty answer keep the categories; any other text is taken as typed.
    h.ui.inputAnswers.append({std::nullopt, QString(), QString(" New ")});
    for (const char *grid : {"Abe,Third*/Mid,First/Zed,Second*", "Abe,Third*/Mid,First/Zed,Second*",
                             "Abe, New */Mid,First/Zed, New *"}) {
        trigger(w, "mnuSoundPop 10");
        QCOMPARE(h.shown({ColName, ColCategory}), grid);
    }
    QCOMPARE(h.ui.inputRequests.size(), 3);
    QCOMPARE(h.ui.inputRequests[0].title, "New Category For Selected");
    QCOMPARE(h.ui.inputRequests[0].prompt, "Please enter the new category for the selected "
                                           "entries. Click cancel to keep the same.");
    QCOMPARE(h.ui.inputRequests[0].preset, "Second");
    // The new category is offered for the next sounds at once.
    QVERIFY(h.control<QComboBox>("cmbNewCat")->findText(" New ") >= 0);
}

void Form1Test::listsInDisplayOrder()
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
        trigger(w, QStringLiteral("mnuUtils %1").arg(2 * i + 2));
        const QString path = h.gameFolder() + "/" + lists[i].first;
        QCOMPARE(readFile(path), lists[i].second);
        QCOMPARE(h.shell.calls.value(i).path + "|" + h.shell.calls.value(i).verb, path + "|open");
    }
    QVERIFY(h.ui.messages.isEmpty());
}

void Form1Test::helpMenu()
{
    Form1Harness h;
    Form1 &w = h.open();
    trigger(w, "mnuHelp 2");
    const QString page = h.home() + "/Program/SonquillHelp.html";
    QCOMPARE(h.messages(),
             QStringList{"No Help Found. | The help file, " + page + ", was not found. | Ok*"});
    QCOMPARE(h.shell.calls.size(), 1);
    QCOMPARE(h.shell.calls[0].path, page);

    // About shows one window, and a new one once that was closed.
    trigger(w, "mnuHelp 4");
    trigger(w, "mnuHelp 4");
    QCOMPARE(w.findChildren<FrmAbout *>().size(), 1);
    QPointer<FrmAbout> first = w.findChild<FrmAbout *>();
    QVERIFY(first && first->isVisible());
    first->close();
    QTRY_VERIFY(!first);
    trigger(w, "mnuHelp 4");
    QVERIFY(w.findChild<FrmAbout *>() && w.findChild<FrmAbout *>()->isVisible());
    QCOMPARE(w.findChildren<FrmAbout *>().size(), 1);
}

void Form1Test::previewCommands()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(3));
    // Nothing is current yet: nothing is named, played or opened.
    QCOMPARE(h.control<QLabel>("lblFile")->text(), "");
    for (const char *entry : {"mnuSound 2", "mnuSound 6", "mnuSound 8"})
        trigger(w, entry);
    QVERIFY(h.player->played.isEmpty() && h.shell.calls.isEmpty());
    h.click(2, ColName);
    const QString s2 = w.table().at(2).filename;
    QCOMPARE(h.control<QLabel>("lblFile")->text(), s2);

    trigger(w, "mnuSound 2");
    trigger(w, "mnuSound 4");
    QCOMPARE(h.player->played, QStringList{s2});
    QCOMPARE(h.player->stops, 1);
    h.click(3, ColSize); // a double-click on a size cell plays that row's sound
    h.click(3, ColSize);
    QTest::mouseDClick(h.grid()->viewport(), Qt::LeftButton, {},
                       h.grid()->visualRect(h.grid()->model()->index(2, ColSize)).center());
    QCOMPARE(h.player->played.value(1), w.table().at(3).filename);

    // Open asks once; Edit tries its verbs in order until one is accepted.
    h.click(2, ColName);
    h.shell.answers.insert("Record", 42);
    h.shell.answers.insert("open", 42);
    trigger(w, "mnuSound 6");
    trigger(w, "mnuSound 8");
    QStringList calls;
    for (const ScriptedShell::Call &call : h.shell.calls)
        calls.append(call.verb + (call.path == s2 ? "" : " (other file)"));
    QCOMPARE(calls, (QStringList{"open", "Edit", "Record"}));
    QVERIFY(h.ui.messages.isEmpty());
    // Nothing started says so.
    h.shell.answers.clear();
    trigger(w, "mnuSound 6");
    trigger(w, "mnuSound 8");
    QCOMPARE(h.messages(), QStringList({"Sonquill | No program could open " + s2 + ". | Ok*",
                                        "Sonquill | Neither a sound editor nor any other program "
                                        "could open " +
                                            s2 + ". | Ok*"}));
}

void Form1Test::gameFolder()
{
    Form1Harness h;
    h.open();
    auto *txtDir = h.control<QLineEdit>("txtDir");
    QCOMPARE(txtDir->text(), h.home() + "/Sonquill/Compiled");
    // Typing alone remembers nothing; Enter does.
    txtDir->selectAll();
    QTest::keyClicks(txtDir, h.sourceFolder());
    QCOMPARE(h.settings.lastGameDir(), QString());
    QTest::keyClick(txtDir, Qt::Key_Return);
    QCOMPARE(h.settings.lastGameDir(), h.sourceFolder());

    // Browsing takes the folder of any name typed inside it.
    h.ui.fileAnswers.enqueue(QStringList{h.gameFolder() + "/not yet there.txt"});
    QTest::mouseClick(h.control<QWidget>("cmdBrowseDir"), Qt::LeftButton);
    QCOMPARE(h.ui.fileRequests.last().title, "Choose any file in your compiled game directory...");
    QVERIFY(!h.ui.fileRequests.last().fileMustExist);
    QCOMPARE(txtDir->text(), h.gameFolder());
    QCOMPARE(h.settings.lastGameDir(), h.gameFolder());
    QTest::mouseClick(h.control<QWidget>("cmdBrowseDir"), Qt::LeftButton); // cancelled
    QCOMPARE(txtDir->text(), h.gameFolder());
}

void Form1Test::optionsReachTheNextRun()
{
    Form1Harness h;
    SoundTable table;
    const QString wav = h.makeSource("Big.wav", 5000); // above the 4 kB to encode
    table.replaceAll({makeRecord("Big", 7, {}, false, false, wav)});
    Form1 &w = h.openWith(table);
    QTest::mouseClick(h.control<QCheckBox>("chkOgg"), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(h.control<QWidget>("cmdOggOptions"), Qt::LeftButton);
    QTest::mouseClick(h.control<QWidget>("cmdOggOptions"), Qt::LeftButton);
    QCOMPARE(w.findChildren<FrmOgg *>().size(), 1);
    auto *slider = w.findChild<FrmOgg *>()->findChild<QSlider *>("sldQuality");
    QVERIFY(slider);
    slider->setValue(7);

    trigger(w, "mnuFile 8");
    QCOMPARE(h.runner.commandLines.size(), 1);
    const QString commandLine = h.runner.commandLines[0];
    QVERIFY2(commandLine.contains(wav) && commandLine.endsWith("-q7"), qPrintable(commandLine));
    // The run saved the catalogue there, so closing asks nothing.
    h.close();
    QCOMPARE(h.ui.messages.size(), 1);
}

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
