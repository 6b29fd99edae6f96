// The window's side of the catalogue session: another program's changes, text and files the
// catalogue cannot store.
#include "Form1Harness.h"

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

using namespace sonquill;
using namespace sonquill::test;
using Button = MessageRequest::Button;

class Form1SessionTest : public QObject
{
    Q_OBJECT
private slots:
    void changedByAnotherProgram_data();
    void changedByAnotherProgram();
    void textTheCatalogueCannotStore();
    void checkSoundsFindsTheRow();
    void lengthColumnReadsTheFile();
    void distributeAllAgain();
};

void Form1SessionTest::changedByAnotherProgram_data()
{
    QTest::addColumn<QString>("how");           // "close" or "save" (File > Save Selections)
    QTest::addColumn<QList<Button>>("answers"); // to the questions asked
    QTest::addColumn<QString>("onDisk");        // names in SoundInfo.dat afterwards
    QTest::addColumn<QString>("shown");         // names in the grid afterwards ("" when closed)

    QTest::newRow("close, replace") << "close" << QList<Button>{Button::Yes} << "S1 S2"
                                    << "";
    QTest::newRow("close, keep theirs") << "close" << QList<Button>{Button::No} << "Theirs"
                                        << "";
    QTest::newRow("save, keep theirs and load it")
        << "save" << QList<Button>{Button::No, Button::Yes} << "Theirs"
        << "Theirs";
    QTest::newRow("save, keep theirs, keep mine shown")
        << "save" << QList<Button>{Button::No, Button::No} << "Theirs"
        << "S1/S2";
}

void Form1SessionTest::changedByAnotherProgram()
{
    QFETCH(QString, how);
    QFETCH(QList<Button>, answers);
    QFETCH(QString, onDisk);
    QFETCH(QString, shown);

    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(2));
    // Another program writes its own catalogue into the folder meanwhile.
    SoundTable theirs;
    theirs.replaceAll({makeRecord("Theirs", 5)});
    writeFile(Form1Harness::catalogueIn(h.gameFolder()), SerializeSoundInfo(theirs));

    for (Button answer : answers)
        h.ui.messageAnswers.enqueue(answer);
    if (how == "close") {
        h.close();
    } else {
        for (QAction *action : w.findChildren<QAction *>("mnuFile")) {
            if (action->data().toInt() == 4)
                action->trigger();
        }
    }
    QCOMPARE(h.ui.messages.size(), answers.size());
    QCOMPARE(h.ui.messages[0].text, "The catalogue in " + h.gameFolder() +
                                        " was changed by another program. Replace it with the "
                                        "one shown here?");
    QCOMPARE(h.ui.messages[0].defaultButton, Button::No);

    SoundTable saved;
    FileError error;
    saved = ParseSoundInfo(readFile(Form1Harness::catalogueIn(h.gameFolder())), &error);
    QStringList names;
    for (const SoundRecord &record : saved.records())
        names.append(record.name);
    QCOMPARE(names.join(' '), onDisk);
    if (!shown.isEmpty())
        QCOMPARE(h.shown({ColName}), shown);
}

void Form1SessionTest::textTheCatalogueCannotStore()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(1));
    const QString far = h.makeSource("Łódź 音.wav");
    const QString near = h.makeSource("Café.wav");
    h.ui.fileAnswers.enqueue(QStringList{far, near});
    QTest::mouseClick(h.control<QWidget>("cmdAdd"), Qt::LeftButton);
    QCOMPARE(h.messages(), QStringList{"Sonquill | These files were not added:\r\n" + far +
                                       ": its name has characters the catalogue cannot store; "
                                       "rename it | Ok*"});
    QCOMPARE(h.shown({ColNumber, ColName}), "1,S1/2,Café*");

    // A typed name it cannot store is refused, and the editor stays to put it right.
    h.startEdit(1, ColName);
    auto *editor = h.control<QLineEdit>("txtGrid");
    // QTest types ASCII only; the text arrives as a paste would bring it.
    editor->insert(QStringLiteral("Boom 💥"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(h.messages().value(1), "Sonquill | The text has characters the catalogue cannot "
                                    "store. Please use other characters. | Ok*");
    QVERIFY(editor->isVisible());
    QCOMPARE(w.table().at(1).name, QStringLiteral("S1"));
}

void Form1SessionTest::checkSoundsFindsTheRow()
{
    Form1Harness h;
    SoundTable table = h.sounds(3);
    table.at(2).filename = h.sourceFolder() + "/Gone.wav"; // S2's file is missing
    Form1 &w = h.openWith(table);
    for (QAction *action : w.findChildren<QAction *>("mnuUtils")) {
        if (action->text() == "&Check Sounds")
            action->trigger();
    }
    auto *tree = w.findChild<QTreeWidget *>("treeFindings");
    QVERIFY(tree && tree->isVisible());
    QTreeWidgetItem *missing = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (tree->topLevelItem(i)->text(1).contains("S2"))
            missing = tree->topLevelItem(i);
    }
    QVERIFY(missing);
    const QPoint at = tree->visualItemRect(missing).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(h.shown({ColName}), "S1/S2*/S3");
    QCOMPARE(h.control<QLabel>("lblFile")->text(), h.sourceFolder() + "/Gone.wav");
}

void Form1SessionTest::lengthColumnReadsTheFile()
{
    Form1Harness h;
    SoundTable table;
    // 16-bit mono at 22050 Hz: 44100 bytes of samples a second after the 44-byte header.
    table.replaceAll({makeRecord("Long", 1, {}, false, false, h.makeSource("L.wav", 44 + 88200)),
                      makeRecord("Short", 2, {}, false, false, h.makeSource("S.wav", 44 + 22050)),
                      makeRecord("Gone", 3, {}, false, false, h.sourceFolder() + "/none.wav")});
    h.openWith(table);
    QCOMPARE(h.shown({ColName, ColLength}), "Long,2.0 s/Short,0.5 s/Gone,");
    QVERIFY(h.grid()
                ->model()
                ->index(0, ColName)
                .data(Qt::ToolTipRole)
                .toString()
                .startsWith("WAV, 16-bit PCM, mono, 22050 Hz"));
    h.click(0, ColLength); // sorted by length, unknown first
    QCOMPARE(h.shown({ColName}), "Gone/Short/Long");
}

void Form1SessionTest::distributeAllAgain()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(2));
    QTest::mouseClick(h.control<QWidget>("cmdDistribute"), Qt::LeftButton);
    QTest::mouseClick(h.control<QWidget>("cmdDistribute"), Qt::LeftButton);
    w.findChild<QAction *>("mnuFileDistributeAgain")->trigger();
    QStringList summaries;
    for (const MessageRequest &message : h.ui.messages)
        summaries.append(message.text.section("\r\n", -1));
    QCOMPARE(summaries, (QStringList{"Copying/Encoding of 2 files was successful.",
                                     "2 sounds were already up to date.",
                                     "Copying/Encoding of 2 files was successful."}));
}

QTEST_MAIN(Form1SessionTest)
#include "tst_form1_session.moc"
