#include "session/CatalogueSession.h"
#include "storage/SoundInfoFile.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
};

void TestSession::addFiles_data()
{
    QTest::addColumn<QList<SoundRecord>>("existing");
    QTest::addColumn<QStringList>("files"); // "-" prefix: not created on disk; "/" : a folder
    QTest::addColumn<QString>("outcomes");  // per file: number, or the refusal
    QTest::addColumn<QString>("names");
    const auto row = [](const char *name, const QList<SoundRecord> &existing,
                        const QStringList &files, const char *outcomes, const char *names) {
        QTest::newRow(name) << existing << files << outcomes << names;
    };
    row("numbers outside 1 to 999 block nothing", {sound("zero", 0), sound("big", 1500)}, {"A.wav"},
        "1", "zero big A");
    row("missing file and folder refused, the rest added", {},
        {"-gone.wav", "/folder.wav", "Ok.wav"}, "NotAFile NotAFile 1", "Ok");
    row("line break in a file name becomes a blank", {}, {"Door\nSlam.wav"}, "1", "Door Slam");
    row("every number taken gives 0", numbered(999), {"Extra.wav"}, "AddedAsZero:0", "");
    row("nearly full adds what fits", QList<SoundRecord>(SoundTable::kMaxCount - 1, sound("x", 0)),
        {"A.wav", "B.wav", "C.wav"}, "1 TableFull TableFull", "");
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
        else if (!file.startsWith('-'))
            writeFile(world.dir.filePath(file), "sound");
        paths.append(
            world.dir.filePath(file.startsWith('-') || file.startsWith('/') ? file.mid(1) : file));
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
        const QString number = QString::number(result.number);
        seen.append(result.outcome == Outcome::Added
                        ? number
                        : outcomeNames[int(result.outcome)] +
                              (result.added() ? ":" + number : QString()));
        if (!result.added())
            continue;
        // Exactly the new sounds are selected, each with its number, category and full path.
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

    // #1 Door (locked), #7 Bell (selected), #6 Me.
    const QList<SoundRecord> three{sound("Door", 1, true), sound("Bell", 7, false, 1),
                                   sound("Me", 6)};
    const auto row = [&](const char *name, const char *edit, const char *verdict, const char *after,
                         const QList<SoundRecord> &world = {}) {
        QTest::newRow(name) << (world.isEmpty() ? three : world) << edit << verdict << after;
    };
    row("renumber to the highest", "renumber 999", "Accepted", "1 Door L, 7 Bell -, 999 Me -");
    row("renumber to its own number", "renumber  6 ", "Unchanged", "=");
    row("6.5 rounds to its own 6", "renumber 6.5", "Unchanged", "=");
    row("a doubled number names its first holder", "renumber 7", "Taken:3 Bell", "=",
        {sound("Door", 1), sound("Bell", 7), sound("Me", 2), sound("Bell 2", 7)});
    row("every number taken offers 0", "renumber@1 2", "Taken:0 2", "=", numbered(999));
    row("renumber negative", "renumber -5", "TooLow:1", "=");
    row("renumber letters", "renumber abc", "TooLow:1", "=");
    row("renumber empty", "renumber", "TooLow:1", "=");
    row("renumber huge", "renumber 99999", "TooHigh:999", "=");
    row("rename with a tab refused", "rename A\tB", "ControlCharacters", "=");
    row("rename Windows-1252 text", "rename Señor €", "Accepted",
        "1 Door L, 7 Bell -, 6 Señor € -");
    row("remove a number nobody has", "remove 500", "", "=");
    // Selected by a 1 (not -1), as older files may hold.
    row("remove selected", "removeSelected", "", "1 Door L, 6 Me -");
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
    } else if (command == "remove") {
        session.removeNumbers({qint16(argument.toInt())});
    } else {
        session.removeSelected();
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

// What the window's undo names and restores is tested there; here what must not be announced.
void TestSession::changesAnnouncedForUndo()
{
    World world({sound("Door", 1), sound("Bell", 2)});
    QSignalSpy spy(&world.session, &CatalogueSession::changed);
    world.session.selectOnly({2});
    world.session.setAllSelected(true);
    QCOMPARE(world.session.setCategory(1, QStringLiteral("Ω")), TextVerdict::Unstorable);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!world.session.isModified());
    world.session.setLocked(1, true);
    QCOMPARE(spy.count(), 1);
    world.session.restoreTable(spy.at(0).at(1).value<SoundTable>());
    QVERIFY(!world.session.isModified());
}

// The command line holds the lock itself (tested there with real processes); the window's save
// must take it on its own. QLockFile sees the same live process as another program.
void TestSession::lockKeepsOtherSessionsOut()
{
    World world({sound("Door", 1)});
    QVERIFY(!world.session.lockFolder(world.game()));
    test::ScriptedUi otherUi;
    CatalogueSession other(otherUi);
    const QByteArray before = readFile(SoundInfoPath(world.game()));
    QCOMPARE(other.save(world.game()).number, 70);
    QCOMPARE(otherUi.messages.size(), 1);
    QVERIFY2(otherUi.messages[0].text.contains("in use by another program") &&
                 otherUi.messages[0].text.contains("Raised while Saving the SoundInfo.DAT file"),
             qPrintable(otherUi.messages[0].text));
    QCOMPARE(readFile(SoundInfoPath(world.game())), before);
    world.session.unlockFolder();
    QVERIFY(!other.save(world.game()));
}

// Replacing or keeping a catalogue changed meanwhile is the window's test; here what counts as
// a change, and when closing an empty catalogue may skip the save.
void TestSession::changedOnDisk()
{
    World world({sound("Door", 1)});
    CatalogueSession &session = world.session;
    const QString path = SoundInfoPath(world.game());
    writeFile(path, readFile(path)); // a touch
    QVERIFY(!session.changedOnDisk(world.game()));
    SoundTable other;
    writeFile(path, SerializeSoundInfo(other));
    QVERIFY(session.changedOnDisk(world.game()));
    QVERIFY(!session.changedOnDisk(world.dir.path())); // not the folder the session knows
    QVERIFY(!session.save(world.game()));
    QVERIFY(!session.changedOnDisk(world.game()));
    QFile::remove(path);
    QVERIFY(session.changedOnDisk(world.game()));
    using Action = CatalogueSession::CloseAction;
    const QString nowhere = world.dir.filePath("nowhere");
    QCOMPARE(session.closeAction(nowhere), Action::Save); // its sounds are never dropped
    session.removeAll();
    QCOMPARE(session.closeAction(nowhere), Action::Skip);
    QCOMPARE(session.closeAction(world.game()), Action::Save);
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
