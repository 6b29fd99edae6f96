#include "session/CatalogueSession.h"
#include "storage/SoundInfoFile.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace sonquill;

namespace {

// A sound whose file is not on disk.
SoundRecord sound(const QString &name, qint16 number, bool locked = false, qint16 selected = 0)
{
    return {name, "/sfx/" + name + ".wav", number, toBool16(locked), "Misc", selected, 0, {}, {}};
}

// A session on a game folder whose catalogue holds records.
struct World
{
    QTemporaryDir dir;
    test::ScriptedUi ui;
    CatalogueSession session{ui};

    explicit World(const QList<SoundRecord> &records)
    {
        SoundTable table;
        table.replaceAll(records);
        test::writeFile(SoundInfoPath(dir.path()), SerializeSoundInfo(table));
        session.load(dir.path());
    }
};

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void edits_data();
    void edits();
    void otherPrograms();
};

void TestSession::edits_data()
{
    QTest::addColumn<QList<SoundRecord>>("world");
    QTest::addColumn<QString>("edit");    // on index 3 unless "@index" says otherwise
    QTest::addColumn<QString>("verdict"); // adding: per file, and "name=number" when added
    QTest::addColumn<QString>("after");   // numbers, names, locks; "=": unchanged; "": not shown

    // #1 Door (locked), #7 Bell (selected by a 1, not -1, as older files may hold), #6 Me.
    const QList<SoundRecord> three{sound("Door", 1, true), sound("Bell", 7, false, 1),
                                   sound("Me", 6)};
    QList<SoundRecord> full; // every number from 1 to 999 taken
    for (qint16 n = 1; n <= 999; ++n)
        full.append(sound(QString::number(n), n));
    const auto row = [&](const char *name, const char *edit, const char *verdict, const char *after,
                         const QList<SoundRecord> &world = {}) {
        QTest::newRow(name) << (world.isEmpty() ? three : world) << edit << verdict << after;
    };
    // Files to add are made first, but for "-missing" ones and "." (the game folder).
    row("add: numbers outside 1 to 999 block nothing", "add A.wav", "Added:A=1",
        "0 zero -, 1500 big -, 1 A -", {sound("zero", 0), sound("big", 1500)});
    row("add: refusals; a line break in a name becomes a blank",
        "add -gone.wav . Łódź.wav Door\nSlam.wav", "NotAFile NotAFile Unstorable Added:Door Slam=2",
        "");
    row("add: every number taken gives 0", "add Extra.wav", "AddedAsZero:Extra=0", "", full);
    row("add: nearly full adds what fits", "add A.wav B.wav C.wav", "Added:A=1 TableFull TableFull",
        "", QList<SoundRecord>(SoundTable::kMaxCount - 1, sound("x", 0)));
    row("renumber to the highest", "renumber 999", "Accepted", "1 Door L, 7 Bell -, 999 Me -");
    row("renumber to its own number", "renumber  6 ", "Unchanged", "=");
    row("a doubled number names its first holder", "renumber 7", "Taken:3 Bell", "=",
        {sound("Door", 1), sound("Bell", 7), sound("Me", 2), sound("Bell 2", 7)});
    row("every number taken offers 0", "renumber@1 2", "Taken:0 2", "=", full);
    row("renumber a locked sound", "renumber@1 5", "Locked", "=");
    row("renumber negative", "renumber -5", "TooLow:1", "=");
    row("renumber huge", "renumber 99999", "TooHigh:999", "=");
    row("rename with a tab refused", "rename A\tB", "ControlCharacters", "=");
    row("rename Windows-1252 text", "rename Señor €", "Accepted",
        "1 Door L, 7 Bell -, 6 Señor € -");
    row("category the catalogue cannot store", "category Ω", "Unstorable", "=");
    row("lock", "lock", "", "1 Door L, 7 Bell -, 6 Me L");
    row("selection is no change", "select", "", "=");
    row("remove a number nobody has", "remove 500", "", "=");
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
    const SoundTable &table = session.table();
    QSignalSpy spy(&session, &CatalogueSession::changed);
    const QString command = edit.section(' ', 0, 0), argument = edit.section(' ', 1);
    const int index = command.contains('@') ? command.section('@', 1).toInt() : 3;
    QStringList seen;
    const QStringList numberVerdicts{"Accepted", "Unchanged", "TooHigh",
                                     "TooLow",   "Taken",     "Locked"};
    const QStringList textVerdicts{"Accepted", "Unstorable", "ControlCharacters"};
    const QStringList addOutcomes{"Added", "AddedAsZero", "NotAFile", "Unstorable", "TableFull"};

    if (command == "add") {
        QStringList paths;
        for (const QString &file : argument.split(' ')) {
            paths.append(loaded.dir.filePath(file));
            if (!file.startsWith('-') && file != ".")
                QVERIFY(test::writeFile(paths.last(), "sound"));
        }
        const qsizetype refused = session.refusedFiles(paths).size();
        qint16 added = 0;
        for (const AddedFile &result : session.addFiles(paths, QStringLiteral("Sfx"))) {
            seen.append(addOutcomes[int(result.outcome)]);
            if (!result.added())
                continue;
            // Each new sound has its number, the category given and its full path, and is measured.
            const SoundRecord &record = table.at(result.index);
            seen.last() += QStringLiteral(":%1=%2").arg(record.name).arg(record.number);
            QCOMPARE(record.number, result.number);
            QCOMPARE(record.filename, result.path);
            QCOMPARE(record.category, QStringLiteral("Sfx"));
            QVERIFY(record.size > 0);
            ++added;
        }
        QCOMPARE(refused, verdict.count("NotAFile") + verdict.count("Unstorable"));
        QCOMPARE(table.SoundCount(), qint16(world.size() + added));
        QCOMPARE(table.CountSelected(), added); // exactly the new sounds are selected
    } else if (command.startsWith("renumber")) {
        const NumberEdit result = session.renumber(index, argument);
        seen.append(numberVerdicts[int(result.verdict)]);
        if (!result.editorText.isEmpty())
            seen.last() += ':' + result.editorText;
        if (result.verdict == NumberEdit::Verdict::Taken)
            seen.append(result.holderName);
    } else if (command == "rename") {
        seen.append(textVerdicts[int(session.rename(index, argument))]);
    } else if (command == "category") {
        seen.append(textVerdicts[int(session.setCategory(index, argument))]);
    } else if (command == "lock") {
        session.setLocked(index, true);
    } else if (command == "select") {
        session.selectOnly({index});
    } else if (command == "remove") {
        session.removeNumbers({qint16(argument.toInt())});
    } else {
        session.removeSelected();
    }
    QCOMPARE(seen.join(' '), verdict);

    // Selection aside, every change is announced with the table before it, which undo puts back.
    QCOMPARE(session.isModified(), after != "=");
    QCOMPARE(spy.count(), after == "=" ? 0 : 1);
    if (after == "=")
        return;
    if (!after.isEmpty()) {
        QStringList shown;
        for (const SoundRecord &record : table.records())
            shown.append(QString::number(record.number) + ' ' + record.name +
                         (record.isLocked() ? " L" : " -"));
        QCOMPARE(shown.join(", "), after);
    }
    session.restoreTable(spy.at(0).at(1).value<SoundTable>());
    QVERIFY(!session.isModified());
}

// The folder lock keeps another session out until let go (QLockFile sees this live process as
// another program; the command line's own lock is tested there with real processes). A catalogue
// rewritten meanwhile is noticed by its content, a touch is not; replacing it is the window's.
void TestSession::otherPrograms()
{
    World world({sound("Door", 1)});
    CatalogueSession &session = world.session;
    const QString game = world.dir.path(), path = SoundInfoPath(game);
    const QByteArray before = test::readFile(path);
    test::writeFile(path, before); // a touch
    QVERIFY(!session.changedOnDisk(game));

    QVERIFY(!session.lockFolder(game));
    test::ScriptedUi otherUi;
    CatalogueSession other(otherUi);
    QCOMPARE(other.save(game).number, 70);
    QCOMPARE(otherUi.messages.size(), 1);
    QCOMPARE(test::readFile(path), before);
    session.unlockFolder();
    QVERIFY(!other.save(game)); // an empty catalogue over this session's

    const QString nowhere = world.dir.filePath("nowhere");
    QVERIFY(session.changedOnDisk(game));
    QVERIFY(!session.changedOnDisk(nowhere)); // not the folder the session knows
    QVERIFY(!session.save(game));
    QVERIFY(!session.changedOnDisk(game));
    QFile::remove(path);
    QVERIFY(session.changedOnDisk(game));

    // Closing may skip the save only for an empty catalogue with no folder to keep it in.
    session.removeAll();
    QCOMPARE(session.closeAction(nowhere), CatalogueSession::CloseAction::Skip);
    QCOMPARE(session.closeAction(game), CatalogueSession::CloseAction::Save);
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
