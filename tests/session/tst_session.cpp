#include "session/CatalogueSession.h"
#include "storage/SoundInfoFile.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace sonquill;
using sonquill::test::readFile;
using sonquill::test::writeFile;

namespace {

using Outcome = AddedFile::Outcome;

// Measured (size 1), so nothing is looked up on disk.
SoundRecord sound(const QString &name, qint16 number, bool locked = false, qint16 selected = 0)
{
    return {name, "/sfx/" + name + ".wav", number, toBool16(locked), "Misc", selected, 1.0f, {},
            {}};
}

// A session on a game folder whose catalogue holds records.
struct World
{
    QTemporaryDir dir;
    test::ScriptedUi ui;
    CatalogueSession session{ui};

    explicit World(const QList<SoundRecord> &records = {})
    {
        QDir(dir.path()).mkpath(QStringLiteral("game"));
        if (!records.isEmpty()) {
            SoundTable table;
            table.replaceAll(records);
            writeFile(SoundInfoPath(game()), SerializeSoundInfo(table));
        }
        session.load(game());
    }
    QString game() const { return dir.filePath(QStringLiteral("game")); }
    QString file(const QString &name, const QByteArray &bytes = "sound")
    {
        writeFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
    QList<qint16> numbers() const
    {
        QList<qint16> numbers;
        for (const SoundRecord &record : session.table().records())
            numbers.append(record.number);
        return numbers;
    }
};

QList<SoundRecord> numbered(int count)
{
    QList<SoundRecord> records;
    for (int n = 1; n <= count; ++n)
        records.append(sound(QString::number(n), qint16(n)));
    return records;
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addFiles_data();
    void addFiles();
    void edits_data();
    void edits();
    void changesAnnouncedForUndo();
    void lockKeepsOtherSessionsOut();
    void changedOnDisk();
    void closeAction();
};

void TestSession::addFiles_data()
{
    QTest::addColumn<QList<SoundRecord>>("existing");
    QTest::addColumn<QStringList>("files"); // "-" prefix: not created on disk; "/" : a folder
    QTest::addColumn<QString>("outcomes");  // per file: number, or the refusal
    QTest::addColumn<QString>("names");
    using L = QList<SoundRecord>;
    using F = QStringList;

    QTest::newRow("gaps filled lowest first") << L{sound("a", 1), sound("b", 2), sound("d", 4)}
                                              << F{"Door.wav", "Bell.mp3", "Rain.ogg"} << "3 5 6"
                                              << "a b d Door Bell Rain";
    QTest::newRow("numbers outside 1 to 999 block nothing")
        << L{sound("zero", 0), sound("big", 1500)} << F{"A.wav"} << "1"
        << "zero big A";
    QTest::newRow("missing file and folder refused, the rest added")
        << L{} << F{"-gone.wav", "/folder.wav", "Ok.wav"} << "NotAFile NotAFile 1"
        << "Ok";
    QTest::newRow("name the catalogue cannot store refused")
        << L{} << F{"Łódź 音.mp3", "Café.wav"} << "Unstorable 1"
        << "Café";
    QTest::newRow("line break in a file name becomes a blank") << L{} << F{"Door\nSlam.wav"} << "1"
                                                               << "Door Slam";
    QTest::newRow("every number taken gives 0")
        << numbered(999) << F{"Extra.wav"} << "AddedAsZero:0"
        << "";
    QTest::newRow("nearly full adds what fits")
        << L(SoundTable::kMaxCount - 1, sound("x", 0)) << F{"A.wav", "B.wav", "C.wav"}
        << "1 TableFull TableFull"
        << "";
}

void TestSession::addFiles()
{
    QFETCH(QList<SoundRecord>, existing);
    QFETCH(QStringList, files);
    QFETCH(QString, outcomes);
    QFETCH(QString, names);

    World world(existing);
    QStringList paths;
    for (const QString &file : files) {
        if (file.startsWith('/'))
            QDir(world.dir.path()).mkpath(file.mid(1));
        paths.append(file.startsWith('-') || file.startsWith('/') ? world.dir.filePath(file.mid(1))
                                                                  : world.file(file));
    }
    const qint16 before = world.session.table().SoundCount();
    QCOMPARE(world.session.refusedFiles(paths).size(),
             outcomes.count("NotAFile") + outcomes.count("Unstorable"));

    const QList<AddedFile> results = world.session.addFiles(paths, QStringLiteral("Sfx"));
    QStringList seen;
    const QStringList outcomeNames{"Added", "AddedAsZero", "NotAFile", "Unstorable", "TableFull"};
    qsizetype added = 0;
    const SoundTable &table = world.session.table();
    for (const AddedFile &result : results) {
        if (result.outcome == Outcome::Added)
            seen.append(QString::number(result.number));
        else if (result.outcome == Outcome::AddedAsZero)
            seen.append("AddedAsZero:" + QString::number(result.number));
        else
            seen.append(outcomeNames[int(result.outcome)]);
        if (!result.added())
            continue;
        // Exactly the new sounds are selected, each with its number, the category given and
        // its full path.
        ++added;
        QCOMPARE(table.at(result.index).number, result.number);
        QCOMPARE(table.at(result.index).filename, result.path);
        QCOMPARE(table.at(result.index).category, QStringLiteral("Sfx"));
        QVERIFY(table.at(result.index).size > 0);
    }
    QCOMPARE(seen.join(' '), outcomes);
    QCOMPARE(table.SoundCount(), before + added);
    QCOMPARE(table.CountSelected(), qint16(added));
    if (!names.isEmpty()) {
        QStringList shown;
        for (const SoundRecord &record : table.records())
            shown.append(record.name);
        QCOMPARE(shown.join(' '), names);
    }
}

void TestSession::edits_data()
{
    QTest::addColumn<QList<SoundRecord>>("world");
    QTest::addColumn<QString>("edit"); // applied to index 3 unless "@index" says otherwise
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QString>("after"); // numbers, names and locks; "=": as loaded

    // #1 Door (locked), #7 Bell (selected by a 1, not -1, as older files may hold), #6 Me.
    const QList<SoundRecord> three{sound("Door", 1, true), sound("Bell", 7, false, 1),
                                   sound("Me", 6)};
    const auto row = [&](const char *name, const char *edit, const char *verdict, const char *after,
                         const QList<SoundRecord> &world = {}) {
        QTest::newRow(name) << (world.isEmpty() ? three : world) << edit << verdict << after;
    };
    row("renumber to a free number", "renumber 12", "Accepted", "1 Door L, 7 Bell -, 12 Me -");
    row("renumber to the highest", "renumber 999", "Accepted", "1 Door L, 7 Bell -, 999 Me -");
    row("renumber to its own number", "renumber  6 ", "Unchanged", "=");
    row("6.5 rounds to its own 6", "renumber 6.5", "Unchanged", "=");
    row("renumber to a taken number, first free offered", "renumber 7", "Taken:2 Bell", "=");
    row("a doubled number names its first holder", "renumber 7", "Taken:3 Bell", "=",
        {sound("Door", 1), sound("Bell", 7), sound("Me", 2), sound("Bell 2", 7)});
    row("every number taken offers 0", "renumber@1 2", "Taken:0 2", "=", numbered(999));
    row("renumber to 0", "renumber 0", "TooLow:1", "=");
    row("renumber negative", "renumber -5", "TooLow:1", "=");
    row("renumber letters", "renumber abc", "TooLow:1", "=");
    row("renumber empty", "renumber", "TooLow:1", "=");
    row("renumber to 1000", "renumber 1000", "TooHigh:999", "=");
    row("renumber huge", "renumber 99999", "TooHigh:999", "=");
    row("renumber a locked sound", "renumber@1 5", "Locked", "=");
    row("rename", "rename Meow", "Accepted", "1 Door L, 7 Bell -, 6 Meow -");
    row("rename with a tab refused", "rename A\tB", "ControlCharacters", "=");
    row("rename with an emoji refused", "rename Boom 💥", "Unstorable", "=");
    row("rename Windows-1252 text", "rename Señor €", "Accepted",
        "1 Door L, 7 Bell -, 6 Señor € -");
    row("lock numbers", "lock 7 6", "", "1 Door L, 7 Bell L, 6 Me L");
    row("unlock numbers", "unlock 1", "", "1 Door -, 7 Bell -, 6 Me -");
    row("remove numbers", "remove 1 6", "", "7 Bell -");
    row("remove a number nobody has", "remove 500", "", "=");
    row("remove selected", "removeSelected", "", "1 Door L, 6 Me -");
    row("remove all", "removeAll", "", "");
}

void TestSession::edits()
{
    QFETCH(QList<SoundRecord>, world);
    QFETCH(QString, edit);
    QFETCH(QString, verdict);
    QFETCH(QString, after);

    World loaded(world);
    CatalogueSession &session = loaded.session;
    const SoundTable before = session.table();
    const QString command = edit.section(' ', 0, 0);
    const QString argument = edit.section(' ', 1);
    const int index = command.contains('@') ? command.section('@', 1).toInt() : 3;
    QString seen;
    const QStringList numberVerdicts{"Accepted", "Unchanged", "TooHigh",
                                     "TooLow",   "Taken",     "Locked"};
    const QStringList textVerdicts{"Accepted", "Unstorable", "ControlCharacters"};
    QList<qint16> numbers;
    for (const QString &text : argument.split(' ', Qt::SkipEmptyParts))
        numbers.append(qint16(text.toInt()));

    if (command.startsWith("renumber")) {
        const NumberEdit result = session.renumber(index, argument);
        seen = numberVerdicts[int(result.verdict)];
        if (!result.editorText.isEmpty())
            seen += ':' + result.editorText;
        if (result.verdict == NumberEdit::Verdict::Taken) {
            seen += ' ' + result.holderName;
            QCOMPARE(NumberTakenMessage(result),
                     QStringLiteral("The sound number %1 is already assigned to sound '%2'.\r\n"
                                    "The first available number is %3.")
                         .arg(argument.trimmed(), result.holderName, result.editorText));
        }
    } else if (command == "rename") {
        seen = textVerdicts[int(session.rename(index, argument))];
    } else if (command == "lock" || command == "unlock") {
        session.setLockedNumbers(numbers, command == "lock");
    } else if (command == "remove") {
        session.removeNumbers(numbers);
    } else if (command == "removeSelected") {
        session.removeSelected();
    } else if (command == "removeAll") {
        session.removeAll();
    }
    QCOMPARE(seen, verdict);

    if (after == "=") {
        QCOMPARE(session.table(), before);
    } else {
        QStringList shown;
        for (const SoundRecord &record : session.table().records())
            shown.append(QStringLiteral("%1 %2 %3")
                             .arg(record.number)
                             .arg(record.name, record.isLocked() ? "L" : "-"));
        QCOMPARE(shown.join(", "), after);
    }
    QCOMPARE(session.isModified(), after != "=");
}

void TestSession::changesAnnouncedForUndo()
{
    World world({sound("Door", 1), sound("Bell", 2)});
    CatalogueSession &session = world.session;
    QSignalSpy spy(&session, &CatalogueSession::changed);

    // Selecting is no change to the catalogue.
    session.selectOnly({2});
    session.setAllSelected(true);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!session.isModified());

    const SoundTable original = session.table();
    QCOMPARE(session.setSelectedCategory(QStringLiteral("Doors")), TextVerdict::Accepted);
    session.setLocked(1, true);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Change Selected's Category"));
    QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("Lock"));
    QVERIFY(session.isModified());
    // Putting the announced earlier table back is undo.
    session.restoreTable(spy.at(0).at(1).value<SoundTable>());
    QCOMPARE(session.table(), original);
    QVERIFY(!session.isModified());
    // A refused edit announces nothing.
    QCOMPARE(session.setCategory(1, QStringLiteral("Ω")), TextVerdict::Unstorable);
    QCOMPARE(spy.count(), 2);
}

void TestSession::lockKeepsOtherSessionsOut()
{
    World world({sound("Door", 1)});
    test::ScriptedUi otherUi;
    CatalogueSession other(otherUi);
    QVERIFY(!world.session.lockFolder(world.game()));

    // Another session (QLockFile sees the same live process) cannot save or load meanwhile.
    const FileError locked = other.lockFolder(world.game(), 200);
    QCOMPARE(locked.number, 70);
    QVERIFY2(locked.description.contains("in use by another program"),
             qPrintable(locked.description));
    const QByteArray before = readFile(SoundInfoPath(world.game()));
    QVERIFY(other.save(world.game()));
    QCOMPARE(otherUi.messages.size(), 1);
    QVERIFY(otherUi.messages[0].text.contains("Raised while Saving the SoundInfo.DAT file"));
    QCOMPARE(readFile(SoundInfoPath(world.game())), before);

    world.session.unlockFolder();
    QVERIFY(!other.save(world.game()));
}

void TestSession::changedOnDisk()
{
    World world({sound("Door", 1)});
    CatalogueSession &session = world.session;
    const QString path = SoundInfoPath(world.game());
    QVERIFY(!session.changedOnDisk(world.game()));

    // The same bytes written again (a touch) are no change; other bytes are.
    const QByteArray bytes = readFile(path);
    writeFile(path, bytes);
    QVERIFY(!session.changedOnDisk(world.game()));
    SoundTable other;
    other.replaceAll({sound("Door", 1), sound("Bell", 2)});
    writeFile(path, SerializeSoundInfo(other));
    QVERIFY(session.changedOnDisk(world.game()));
    QVERIFY(!session.changedOnDisk(world.dir.path())); // not the folder the session knows

    // After a save (or a load) the file on disk is this session's own again.
    QVERIFY(!session.save(world.game()));
    QVERIFY(!session.changedOnDisk(world.game()));
    QFile::remove(path);
    QVERIFY(session.changedOnDisk(world.game()));
}

void TestSession::closeAction()
{
    using Action = CatalogueSession::CloseAction;
    World empty;
    QCOMPARE(empty.session.closeAction(empty.dir.filePath("nowhere")), Action::Skip);
    QCOMPARE(empty.session.closeAction(empty.game()), Action::Save);

    World world({sound("Door", 1)});
    const QString elsewhere = world.dir.filePath("other");
    QCOMPARE(world.session.closeAction(elsewhere), Action::Save);
    writeFile(SoundInfoPath(elsewhere), SerializeSoundInfo(SoundTable{}));
    QCOMPARE(world.session.closeAction(elsewhere), Action::AskReplace);
    QCOMPARE(world.session.closeAction(world.game()), Action::Save);
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
