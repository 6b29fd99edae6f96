// The main window's menus, the preview commands and the options dialog's effect on a run.

#include "Form1Harness.h"
#include "storage/SoundInfoFile.h"
#include "storage/SoundLists.h"
#include "support/TestFiles.h"
#include "ui/dialogs/FrmAbout.h"
#include "ui/dialogs/FrmOgg.h"
#include "ui/main/SoundGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

using namespace sonquill;
using namespace sonquill::test;
using Button = MessageRequest::Button;

namespace {

// Five sounds A..E numbered 1..5; selected and locked as the flags say ("10100": 1st and 3rd).
SoundTable fiveSounds(Form1Harness &h, const QString &selected, const QString &locked = "00000")
{
    QList<SoundRecord> records;
    for (int i = 0; i < 5; ++i) {
        const QString name(QChar('A' + i));
        records.append(makeRecord(name, qint16(i + 1), QStringLiteral("Cat") + name,
                                  locked[i] == '1', selected[i] == '1',
                                  h.makeSource(name + QStringLiteral(".wav"))));
    }
    SoundTable table;
    table.replaceAll(records);
    return table;
}

void trigger(Form1 &w, const char *group, int index)
{
    QAction *action = w.menuEntry(QLatin1String(group), index);
    QVERIFY2(action, group);
    action->trigger();
}

QString names(const SoundTable &table)
{
    QString text;
    for (const SoundRecord &record : table.records())
        text += record.name + QString::number(record.number);
    return text;
}

} // namespace

class Form1MenusTest : public QObject
{
    Q_OBJECT
private slots:
    void menuCaptions();
    void fileLoad_data();
    void fileLoad();
    void fileSave();
    void clearFiles_data();
    void clearFiles();
    void editMenu_data();
    void editMenu();
    void removeSelected_data();
    void removeSelected();
    void lockUnlock_data();
    void lockUnlock();
    void changeCategory_data();
    void changeCategory();
    void previewCommands_data();
    void previewCommands();
    void utilities_data();
    void utilities();
    void help_data();
    void help();
    void aboutIsSingle();
    void optionsReachTheNextRun();
};

void Form1MenusTest::menuCaptions()
{
    Form1Harness h;
    Form1 &w = h.open();
    const QList<std::tuple<const char *, int, QString, QString>> entries = {
        {"mnuFile", 2, "&Load", "Ctrl+L"},
        {"mnuFile", 4, "&Save Selections", "Ctrl+S"},
        {"mnuFile", 8, "&Distribute", "Ctrl+D"},
        {"mnuFile", 10, "&Clear old SOUND#.* files", ""},
        {"mnuEdit", 2, "Select All", "Ctrl+A"},
        {"mnuEdit", 6, "Remove all sounds", ""},
        {"mnuSoundPop", 6, "&Remove Selected", ""},
        {"mnuSoundPop", 8, "&Lock/Unlock Selected", ""},
        {"mnuSoundPop", 10, "&Change Selected's Category", ""},
        {"mnuSound", 2, "&Play", "Ctrl+P"},
        {"mnuSound", 4, "&Stop", ""},
        {"mnuSound", 6, "&Open", "Ctrl+O"},
        {"mnuSound", 8, "&Edit", "Ctrl+E"},
        {"mnuUtils", 2, "&Make List of All Sounds", ""},
        {"mnuUtils", 4, "Make List of &Locked Sounds", ""},
        {"mnuUtils", 6, "Make a &Winamp playlist", ""},
        {"mnuHelp", 2, "&Help File", ""},
        {"mnuHelp", 4, "&About", ""}};
    for (const auto &[group, index, caption, shortcut] : entries) {
        QAction *action = w.menuEntry(QLatin1String(group), index);
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut().toString(), shortcut);
    }
    QVERIFY(w.menuEntry("mnuFile", 6)->isSeparator());
    QVERIFY(w.menuEntry("mnuSoundPop", 12)->isSeparator());

    // Indexes outside a group, separators included, do nothing.
    for (int index : {0, 3, 6, 12})
        w.mnuFile_Click(index);
    for (int index : {0, 4, 8})
        w.mnuEdit_Click(index);
    for (int index : {0, 2, 12, 14})
        w.mnuSoundPop_Click(index);
    for (int index : {0, 3, 10})
        w.mnuSound_Click(index);
    for (int index : {0, 8})
        w.mnuUtils_Click(index);
    for (int index : {0, 6})
        w.mnuHelp_Click(index);
    QVERIFY(h.ui.messages.isEmpty());
    QVERIFY(h.shell.calls.isEmpty());
    QVERIFY(h.player->played.isEmpty());
}

void Form1MenusTest::fileLoad_data()
{
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<bool>("loaded");

    QTest::newRow("no saved file") << false << QList<Button>{Button::Cancel} << false;
    QTest::newRow("answered No") << true << QList<Button>{Button::No} << false;
    QTest::newRow("answered Yes") << true << QList<Button>{Button::Yes} << true;
}

void Form1MenusTest::fileLoad()
{
    QFETCH(bool, fileThere);
    QFETCH(QList<Button>, answers);
    QFETCH(bool, loaded);

    Form1Harness h;
    Form1 &w = h.openWith(fiveSounds(h, "00000"));
    const QString other = QDir(h.home()).filePath(QStringLiteral("Other"));
    SoundTable saved;
    saved.replaceAll({makeRecord("Saved", 9, "Ambience", false, false,
                                 h.makeSource(QStringLiteral("s.wav"), 4000))});
    QDir().mkpath(other);
    if (fileThere)
        h.writeCatalogue(other, saved);
    auto *txtDir = h.control<QLineEdit>("txtDir");
    txtDir->selectAll();
    QTest::keyClicks(txtDir, other);
    h.ui.messageAnswers.append(answers);

    trigger(w, "mnuFile", 2);
    QCOMPARE(h.ui.messages.size(), 1);
    const MessageRequest &asked = h.ui.messages[0];
    if (fileThere) {
        QCOMPARE(asked.title, QStringLiteral("Replace Selections?"));
        QCOMPARE(asked.text, QStringLiteral("This will replace your current selections with what "
                                            "was saved at ") +
                                 other + QStringLiteral(". Are you sure?"));
        QCOMPARE(asked.buttons, (QList<Button>{Button::Yes, Button::No}));
        QCOMPARE(asked.defaultButton, Button::Yes);
    } else {
        QCOMPARE(asked.title, QStringLiteral("No Selections found"));
        QCOMPARE(asked.text, QStringLiteral("No saved selections found at '") + other +
                                 QStringLiteral("/SoundInfo.dat'. Cannot load."));
        QCOMPARE(asked.buttons, (QList<Button>{Button::Ok, Button::Cancel}));
        QCOMPARE(asked.defaultButton, Button::Ok);
    }
    QVERIFY(asked.icon == MessageRequest::Icon::None);
    const QStringList namesShown =
        loaded ? QStringList{"Saved"} : QStringList{"A", "B", "C", "D", "E"};
    QCOMPARE(h.columnTexts(3), namesShown);
    QCOMPARE(h.columnTexts(5), loaded ? QStringList{"4"} : QStringList(5, "2"));
    QCOMPARE(h.control<QComboBox>("cmbNewCat")->findText("Ambience") >= 0, loaded);

    // The loaded catalogue belongs to the other folder now: closing there asks nothing.
    h.close();
    QCOMPARE(h.ui.messages.size(), loaded || !fileThere ? 1 : 2);
}

void Form1MenusTest::fileSave()
{
    Form1Harness h;
    Form1 &w = h.openWith(fiveSounds(h, "01000"));
    h.startEdit(1, 3);
    QTest::keyClicks(h.control<QLineEdit>("txtGrid"), QStringLiteral("Renamed"));
    QTest::keyClick(h.control<QLineEdit>("txtGrid"), Qt::Key_Return);
    trigger(w, "mnuFile", 4);
    QVERIFY(h.ui.messages.isEmpty());
    const QByteArray bytes = readFile(h.gameFolder() + QStringLiteral("/SoundInfo.dat"));
    QCOMPARE(bytes, SerializeSoundInfo(w.table()));
    QCOMPARE(w.table().at(1).name, QStringLiteral("Renamed"));
}

void Form1MenusTest::clearFiles_data()
{
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QString>("keptMessage");

    const QStringList unnumbered{"SOUND.txt", "SOUND05.ogg", "SOUND1000.ogg", "SoundInfo.dat",
                                 "mySOUND5.wav"};
    QTest::newRow("Yes deletes the numbered files")
        << QList<Button>{Button::Yes} << unnumbered + QStringList{"SOUND3.wav"}
        << "These files were not deleted because sounds in the list use them as their source "
           "files:\r\nSOUND3.wav";
    QTest::newRow("the default No keeps them")
        << QList<Button>{}
        << unnumbered +
               QStringList{"SOUND3.wav", "SOUND5.ogg", "SOUND5.wav", "sound7.MP3", "SOUND999.voc"}
        << "";
}

void Form1MenusTest::clearFiles()
{
    QFETCH(QList<Button>, answers);
    QFETCH(QStringList, left);
    QFETCH(QString, keptMessage);

    Form1Harness h;
    QDir game(h.gameFolder());
    for (const char *name : {"SOUND5.ogg", "SOUND5.wav", "sound7.MP3", "SOUND999.voc", "SOUND.txt",
                             "SOUND05.ogg", "SOUND1000.ogg", "mySOUND5.wav", "SOUND3.wav"})
        writeFile(game.filePath(QLatin1String(name)), "x");
    // A sound whose source lies in the game folder under a numbered name.
    SoundTable table;
    table.replaceAll({makeRecord("Own", 3, {}, false, false, game.filePath("SOUND3.wav"))});
    Form1 &w = h.openWith(table);
    h.ui.messageAnswers.append(answers);

    trigger(w, "mnuFile", 10);
    QVERIFY(h.ui.messages.size() >= 1);
    QCOMPARE(h.ui.messages[0].title, QStringLiteral("Delete SOUND files?"));
    QCOMPARE(h.ui.messages[0].text,
             QStringLiteral("This will delete all the SOUND#.* files in the compiled game "
                            "directory.\r\nThe source files will not be touched. Are you sure?"));
    QCOMPARE(h.ui.messages[0].defaultButton, Button::No);
    QCOMPARE(h.ui.messages.size(), keptMessage.isEmpty() ? 1 : 2);
    if (!keptMessage.isEmpty())
        QCOMPARE(h.ui.messages[1].text, keptMessage);

    QStringList expected = left;
    expected.sort(Qt::CaseInsensitive);
    QStringList present = game.entryList(QDir::Files);
    present.sort(Qt::CaseInsensitive);
    QCOMPARE(present, expected);
    QCOMPARE(w.table().SoundCount(), qint16(1));
}

void Form1MenusTest::editMenu_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<QList<int>>("cyan");
    QTest::addColumn<int>("rows");

    QTest::newRow("Select All") << 2 << QList<Button>{} << QList<int>{1, 2, 3, 4, 5} << 5;
    QTest::newRow("Remove all: default No keeps") << 6 << QList<Button>{} << QList<int>{2} << 5;
    QTest::newRow("Remove all: Yes empties")
        << 6 << QList<Button>{Button::Yes} << QList<int>{} << 1;
}

void Form1MenusTest::editMenu()
{
    QFETCH(int, index);
    QFETCH(QList<Button>, answers);
    QFETCH(QList<int>, cyan);
    QFETCH(int, rows);

    Form1Harness h;
    Form1 &w = h.openWith(fiveSounds(h, "01000"));
    h.ui.messageAnswers.append(answers);
    trigger(w, "mnuEdit", index);
    QCOMPARE(h.cyanRows(), cyan);
    QCOMPARE(h.dataRows(), rows);
    if (index == 6) {
        QCOMPARE(h.ui.messages.size(), 1);
        QCOMPARE(h.ui.messages[0].title, QStringLiteral("Clear List?"));
        QCOMPARE(h.ui.messages[0].text, QStringLiteral("Really remove all entries from the list?"));
        QCOMPARE(h.ui.messages[0].defaultButton, Button::No);
        QCOMPARE(w.table().SoundCount(), qint16(answers.isEmpty() ? 5 : 0));
    }
}

void Form1MenusTest::removeSelected_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("left");

    QTest::newRow("2nd and 3rd, Yes") << "01100" << QList<Button>{} << "2"
                                      << "A1D4E5";
    QTest::newRow("2nd and 3rd, No") << "01100" << QList<Button>{Button::No} << "2"
                                     << "A1B2C3D4E5";
    QTest::newRow("one, no question") << "00010" << QList<Button>{} << ""
                                      << "A1B2C3E5";
    QTest::newRow("none, nothing happens") << "00000" << QList<Button>{} << ""
                                           << "A1B2C3D4E5";
    QTest::newRow("all five") << "11111" << QList<Button>{Button::Yes} << "5"
                              << "";
}

void Form1MenusTest::removeSelected()
{
    QFETCH(QString, selected);
    QFETCH(QList<Button>, answers);
    QFETCH(QString, question);
    QFETCH(QString, left);

    Form1Harness h;
    Form1 &w = h.openWith(fiveSounds(h, selected));
    h.ui.messageAnswers.append(answers);
    trigger(w, "mnuSoundPop", 6);
    QCOMPARE(h.ui.messages.size(), question.isEmpty() ? 0 : 1);
    if (!question.isEmpty()) {
        QCOMPARE(h.ui.messages[0].title, QStringLiteral("Remove Entries?"));
        QCOMPARE(h.ui.messages[0].text, QStringLiteral("Really remove all ") + question +
                                            QStringLiteral(" selected sounds from the list?"));
        QCOMPARE(h.ui.messages[0].defaultButton, Button::Yes);
    }
    QCOMPARE(names(w.table()), left);
    QCOMPARE(h.dataRows(), std::max<int>(1, w.table().SoundCount()));
}

void Form1MenusTest::lockUnlock_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("lockedBefore");
    QTest::addColumn<QList<Button>>("answers");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("lockedAfter");

    QTest::newRow("mixed: lock wins, no question")
        << "01100"
        << "00100" << QList<Button>{} << false << "01100";
    QTest::newRow("all locked, No") << "01100"
                                    << "01110" << QList<Button>{Button::No} << true << "01110";
    QTest::newRow("all locked, Yes") << "01100"
                                     << "01110" << QList<Button>{Button::Yes} << true << "00010";
    QTest::newRow("nothing selected: no question")
        << "00000"
        << "10000" << QList<Button>{} << false << "10000";
}

void Form1MenusTest::lockUnlock()
{
    QFETCH(QString, selected);
    QFETCH(QString, lockedBefore);
    QFETCH(QList<Button>, answers);
    QFETCH(bool, asked);
    QFETCH(QString, lockedAfter);

    Form1Harness h;
    Form1 &w = h.openWith(fiveSounds(h, selected, lockedBefore));
    h.ui.messageAnswers.append(answers);
    trigger(w, "mnuSoundPop", 8);
    QCOMPARE(h.ui.messages.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(h.ui.messages[0].title, QStringLiteral("Unlock Sounds?"));
        QCOMPARE(h.ui.messages[0].text,
                 QStringLiteral("These sounds are locked to keep their number. If you unlock them "
                                "(and change the #), this may cause incorrect sounds to play in "
                                "Orvane. Are you sure?"));
        QCOMPARE(h.ui.messages[0].defaultButton, Button::Yes);
    }
    QString stored;
    QStringList shown;
    for (const SoundRecord &record : w.table().records()) {
        stored += record.isLocked() ? '1' : '0';
        shown.append(record.isLocked() ? QStringLiteral("X") : QString());
    }
    QCOMPARE(stored, lockedAfter);
    QCOMPARE(h.columnTexts(1), shown);
}

void Form1MenusTest::changeCategory_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("categories");

    QTest::newRow("new text as typed")
        << std::optional<QString>(" New cat ") << "First| New cat | New cat ";
    QTest::newRow("empty answer keeps") << std::optional<QString>("") << "First|Second|Third";
    QTest::newRow("cancel keeps") << std::optional<QString>() << "First|Second|Third";
}

void Form1MenusTest::changeCategory()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, categories);

    Form1Harness h;
    SoundTable table;
    table.replaceAll({makeRecord("Mid", 1, "First"), makeRecord("Zed", 2, "Second", false, true),
                      makeRecord("Abe", 3, "Third", false, true)});
    Form1 &w = h.openWith(table);
    h.click(0, 3); // by name: the grid shows Abe before Zed
    if (answer)
        h.ui.inputAnswers.enqueue(answer);
    trigger(w, "mnuSoundPop", 10);

    QCOMPARE(h.ui.inputRequests.size(), 1);
    QCOMPARE(h.ui.inputRequests[0].title, QStringLiteral("New Category For Selected"));
    QCOMPARE(h.ui.inputRequests[0].prompt,
             QStringLiteral("Please enter the new category for the selected entries. Click "
                            "cancel to keep the same."));
    QCOMPARE(h.ui.inputRequests[0].preset, QStringLiteral("Second"));
    QStringList stored;
    for (const SoundRecord &record : w.table().records())
        stored.append(record.category);
    QCOMPARE(stored.join(QLatin1Char('|')), categories);
    QCOMPARE(h.cell(1, 2), stored.at(2));
    // The category lists are rebuilt only by other commands.
    QCOMPARE(h.control<QComboBox>("cmbNewCat")->findText(" New cat "), -1);
}

void Form1MenusTest::previewCommands_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("pickRow");
    QTest::addColumn<QStringList>("acceptedVerbs");
    QTest::addColumn<QStringList>("verbsTried");

    QTest::newRow("Open") << 6 << true << QStringList{} << QStringList{"open"};
    QTest::newRow("Open before any row") << 6 << false << QStringList{} << QStringList{"open"};
    QTest::newRow("Edit accepted") << 8 << true << QStringList{"Edit"} << QStringList{"Edit"};
    QTest::newRow("Edit falls back to Record")
        << 8 << true << QStringList{"Record"} << QStringList{"Edit", "Record"};
    QTest::newRow("Edit falls back to the default")
        << 8 << true << QStringList{} << QStringList{"Edit", "Record", "Modify", ""};
    QTest::newRow("Play") << 2 << true << QStringList{} << QStringList{};
    QTest::newRow("Stop") << 4 << true << QStringList{} << QStringList{};
}

void Form1MenusTest::previewCommands()
{
    QFETCH(int, index);
    QFETCH(bool, pickRow);
    QFETCH(QStringList, acceptedVerbs);
    QFETCH(QStringList, verbsTried);

    Form1Harness h;
    Form1 &w = h.openWith(fiveSounds(h, "00000"));
    for (const QString &verb : acceptedVerbs)
        h.shell.answers.insert(verb, 42);
    if (pickRow)
        h.click(4, 3);
    const QString file = pickRow ? w.table().at(4).filename : QStringLiteral("c:\\");
    QCOMPARE(h.control<QLabel>("lblFile")->text(), file);

    trigger(w, "mnuSound", index);
    QStringList tried;
    for (const ScriptedShell::Call &call : h.shell.calls) {
        QCOMPARE(call.path, file);
        tried.append(call.verb);
    }
    QCOMPARE(tried, verbsTried);
    QCOMPARE(h.player->played, index == 2 ? QStringList{file} : QStringList{});
    QCOMPARE(h.player->stops, index == 4 ? 1 : 0);
}

void Form1MenusTest::utilities_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("shellAnswer");
    QTest::addColumn<QString>("message");

    QTest::newRow("all sounds") << 2 << "AllSounds.txt" << 2 << "";
    QTest::newRow("locked sounds") << 4 << "LockedSounds.txt" << 2 << "";
    QTest::newRow("playlist opened") << 6 << "WinampPlaylist.m3u" << 42 << "";
    QTest::newRow("playlist not opened")
        << 6 << "WinampPlaylist.m3u" << 2 << "Playlist saved to <path>";
    QTest::newRow("folder missing")
        << 2 << "Missing/AllSounds.txt" << 42 << "The file <path> could not be written.";
}

void Form1MenusTest::utilities()
{
    QFETCH(int, index);
    QFETCH(QString, fileName);
    QFETCH(int, shellAnswer);
    QFETCH(QString, message);

    Form1Harness h;
    Form1 &w = h.openWith(fiveSounds(h, "00000", "10010"));
    h.shell.answers.insert(QStringLiteral("open"), shellAnswer);
    h.click(0, 1); // locked sounds first, so that display order differs from table order
    const QString path = QDir(h.gameFolder()).filePath(fileName);
    auto *txtDir = h.control<QLineEdit>("txtDir");
    txtDir->setText(QFileInfo(path).path());
    trigger(w, "mnuUtils", index);

    if (message.contains(QStringLiteral("could not"))) {
        QCOMPARE(h.ui.messages.size(), 1);
        QVERIFY(h.ui.messages[0].text.startsWith(message.replace("<path>", path)));
        QVERIFY(h.shell.calls.isEmpty());
        return;
    }
    QList<int> order;
    for (const QString &number : h.columnTexts(0))
        order.append(w.table().IndexOfNumber(qint16(number.toInt())));
    QVERIFY(order != (QList<int>{1, 2, 3, 4, 5}));
    const QByteArray expected = index == 2   ? ListOfAllBytes(w.table(), order)
                                : index == 4 ? ListOfLockedBytes(w.table())
                                             : WinampListBytes(w.table(), order);
    QCOMPARE(readFile(path), expected);
    QCOMPARE(h.shell.calls.size(), 1);
    QCOMPARE(h.shell.calls[0].path, path);
    QCOMPARE(h.shell.calls[0].verb, QStringLiteral("open"));
    QCOMPARE(h.ui.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(h.ui.messages[0].title, QStringLiteral("Sonquill"));
        QCOMPARE(h.ui.messages[0].text, message.replace("<path>", path));
    }
}

void Form1MenusTest::help_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("help page beside the program") << true;
    QTest::newRow("help page missing") << false;
}

void Form1MenusTest::help()
{
    QFETCH(bool, present);

    Form1Harness h;
    const QString page = h.home() + QStringLiteral("/Program/SonquillHelp.html");
    if (present)
        writeFile(page, "<html></html>");
    Form1 &w = h.open();
    trigger(w, "mnuHelp", 2);
    QCOMPARE(h.ui.messages.size(), present ? 0 : 1);
    if (!present) {
        QCOMPARE(h.ui.messages[0].title, QStringLiteral("No Help Found."));
        QCOMPARE(h.ui.messages[0].text,
                 QStringLiteral("The help file, ") + page + QStringLiteral(", was not found."));
        QCOMPARE(h.ui.messages[0].buttons, QList<Button>{Button::Ok});
    }
    QCOMPARE(h.shell.calls.size(), 1);
    QCOMPARE(h.shell.calls[0].path, page);
}

void Form1MenusTest::aboutIsSingle()
{
    Form1Harness h;
    Form1 &w = h.open();
    trigger(w, "mnuHelp", 4);
    trigger(w, "mnuHelp", 4);
    QCOMPARE(w.findChildren<FrmAbout *>().size(), 1);
    QPointer<FrmAbout> first = w.aboutDialog();
    QVERIFY(first && first->isVisible());
    first->close();
    QTRY_VERIFY(!first);
    trigger(w, "mnuHelp", 4);
    QVERIFY(w.aboutDialog() && w.aboutDialog()->isVisible());
    QCOMPARE(w.findChildren<FrmAbout *>().size(), 1);
}

void Form1MenusTest::optionsReachTheNextRun()
{
    Form1Harness h;
    SoundTable table;
    const QString wav = h.makeSource(QStringLiteral("Big.wav"), 5000);
    table.replaceAll({makeRecord("Big", 7, {}, false, false, wav)});
    Form1 &w = h.openWith(table);
    QTest::mouseClick(h.control<QCheckBox>("chkOgg"), Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(w.oggUseFlag());

    QTest::mouseClick(h.control<QWidget>("cmdOggOptions"), Qt::LeftButton);
    QTest::mouseClick(h.control<QWidget>("cmdOggOptions"), Qt::LeftButton);
    QCOMPARE(w.findChildren<FrmOgg *>().size(), 1);
    auto *slider = w.oggOptionsDialog()->findChild<QSlider *>(QStringLiteral("sldQuality"));
    QVERIFY(slider);
    slider->setValue(7);

    trigger(w, "mnuFile", 8);
    QCOMPARE(h.runner.commandLines.size(), 1);
    QVERIFY2(h.runner.commandLines[0].contains(wav), qPrintable(h.runner.commandLines[0]));
    QVERIFY2(h.runner.commandLines[0].endsWith(QStringLiteral("-q7")),
             qPrintable(h.runner.commandLines[0]));
    QCOMPARE(h.progress.calls.value(0).section('|', 0, 1),
             QStringLiteral("show|Distributing Files"));

    // The run saved the catalogue there, so closing asks nothing.
    h.close();
    QCOMPARE(h.ui.messages.size(), 1);
}

QTEST_MAIN(Form1MenusTest)
#include "tst_form1_menus.moc"
