#include "check/Check.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace sonquill;
using Severity = Finding::Severity;

namespace {

// The catalogue initTestCase builds, in table order, with the fault seeded into an entry: its
// severity (E, W, N), "+" if found only with encoding on, "-" only with it off (either only at a
// MinSize the file reaches), then a part of the message. Which encodings oggenc reads is the sound
// facts' rule; one such WAV shows the warning.
struct Entry
{
    const char *name, *file;
    qint16 number;
    const char *finding = "";
};
const QList<Entry> kEntries = {
    {"Door Creak", "door.wav", 1, "N-at quality 3 it would save about"},
    {"Small 8", "pcm8.wav", 2},
    {"Small 24", "pcm24.wav", 3},
    {"Small float", "float.wav", 4},
    {"Wide", "pcm32.wav", 5, "W+oggenc cannot read this WAV (WAV, 32-bit PCM)"},
    {"Music", "tone.mp3", 9},
    {"Ambience", "tone.ogg", 10},
    {"Beep", "tone.voc", 11},
    {"Mislabelled", "mislabelled.ogg", 12, "W holds WAV, 16-bit PCM but is named \".ogg\""},
    {"Small 8 again", "pcm8 copy.wav", 13, "W same content as #2 Small 8 (entry 2)"},
    {"Gone", "gone.wav", 14, "E gone.wav is missing"},
    {"Zero", "plain15.wav", 0, "E number 0 is outside 1 to 999"},
    {"Thousand", "plain16.wav", 1000, "E number 1000 is outside 1 to 999"},
    {"Twice", "plain17.wav", 1, "E number 1 is also given to #1 Door Creak (entry 1)"},
    {"Small 24 again", "pcm24 link.wav", 18, "E the same file as #3 Small 24 (entry 3)"},
    {"Say \"Hi\"", "plain19.wav", 19, "W the name contains a double quote"},
    {"Back\\slash", "plain20.wav", 20, "W the name contains a backslash"},
    {" ", "plain21.wav", 21, "W the sound has no name"},
    {"No Category", "plain22.wav", 22, "W the sound has no category"},
    {"Noise", "garbage.wav", 23, "E not a readable sound"},
};

CheckOptions options(bool oggUse, qint16 minSize = 100)
{
    CheckOptions result;
    result.oggUse = oggUse;
    result.ogg.MinSize = minSize;
    result.ogg.Quality = 3;
    return result;
}

} // namespace

class TestCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void findings_data();
    void findings();
    void report_data();
    void report();

private:
    // A tone made by sox (a missing sox fails here) with the format options given.
    bool sox(const QString &fileName, const QString &format, double seconds, int frequency = 440)
    {
        return test::runTool(SONQUILL_SOX,
                             QStringList{"-n"} + format.split(' ') +
                                 QStringList{path(fileName), "synth", QString::number(seconds),
                                             "sine", QString::number(frequency)}) == 0;
    }
    QString path(const QString &fileName) const { return m_dir.filePath(fileName); }

    QTemporaryDir m_dir;
    SoundTable m_table;
};

void TestCheck::initTestCase()
{
    // With MinSize 100 kB only door.wav and pcm32.wav reach the threshold.
    QVERIFY(sox("door.wav", "-r 44100 -c 2 -b 16", 1.5));
    QVERIFY(sox("pcm8.wav", "-r 8000 -c 1 -b 8 -e unsigned-integer", 0.5));
    QVERIFY(sox("pcm24.wav", "-r 8000 -c 1 -b 24", 0.5));
    QVERIFY(sox("float.wav", "-r 8000 -c 1 -b 32 -e floating-point", 0.5));
    QVERIFY(sox("pcm32.wav", "-r 44100 -c 1 -b 32 -e signed-integer", 1.0));
    QVERIFY(sox("tone.mp3", "-r 44100 -c 2", 1.0));
    QVERIFY(sox("tone.ogg", "-r 44100 -c 2", 1.0));
    QVERIFY(sox("tone.voc", "-r 11025 -c 1 -b 8 -e unsigned-integer", 0.5));
    QVERIFY(sox("mislabelled.ogg", "-r 8000 -c 1 -b 16 -t wav", 0.3, 660));
    QVERIFY(QFile::copy(path("pcm8.wav"), path("pcm8 copy.wav")));
    QVERIFY(QFile::link(path("pcm24.wav"), path("pcm24 link.wav")));
    for (int i = 15; i <= 22; ++i)
        QVERIFY(sox(QStringLiteral("plain%1.wav").arg(i), "-r 8000 -c 1 -b 16", 0.2, 100 * i));
    QVERIFY(test::writeFile(path("garbage.wav"), QByteArray(3000, '\x33')));

    QList<SoundRecord> records;
    for (const Entry &entry : kEntries) {
        const QString category = qstrcmp(entry.name, "No Category") ? "Sfx" : "";
        records.append({entry.name, path(entry.file), entry.number, 0, category, 0, 0, {}, {}});
    }
    m_table.replaceAll(records);
    m_table.RefreshSizes(true);
}

// Each seeded fault is found exactly once and nothing else is (no false alarm on the sound
// entries); findings come in catalogue order and name the sound they are about.
void TestCheck::findings_data()
{
    QTest::addColumn<bool>("oggUse");
    QTest::addColumn<int>("minSize");
    QTest::newRow("encoding on") << true << 100;
    QTest::newRow("encoding off") << false << 100;
    QTest::newRow("encoding on, every wav below the minimum") << true << 300;
    QTest::newRow("encoding off, every wav below the minimum") << false << 300;
}

void TestCheck::findings()
{
    QFETCH(bool, oggUse);
    QFETCH(int, minSize);

    SoundFactsCache cache;
    const QList<Finding> findings =
        CheckCatalogue(m_table, options(oggUse, qint16(minSize)), cache);
    qsizetype expectedCount = 0;
    for (int index = 1; index <= kEntries.size(); ++index) {
        const QString expected = QString::fromUtf8(kEntries[index - 1].finding);
        if (expected.isEmpty() || (expected[1] != ' ' && minSize >= 300) ||
            expected[1] == (oggUse ? '-' : '+'))
            continue;
        ++expectedCount;
        const Severity severity = Severity(QStringLiteral("EWN").indexOf(expected[0]));
        const auto found = std::count_if(findings.cbegin(), findings.cend(), [&](const Finding &f) {
            return f.tableIndex == index && f.severity == severity &&
                   f.message.contains(expected.mid(2));
        });
        QVERIFY2(found == 1, qPrintable(expected));
    }
    int previousIndex = 0;
    for (const Finding &finding : findings) {
        QVERIFY2(finding.tableIndex >= previousIndex, "not in catalogue order");
        previousIndex = finding.tableIndex;
        const SoundRecord &record = m_table.at(finding.tableIndex);
        QCOMPARE(finding.number, record.number);
        QCOMPARE(finding.name, record.name);
        QCOMPARE(finding.file, record.filename);
    }
    QCOMPARE(findings.size(), expectedCount);
}

// The summary, the exit code a build script sees, and each finding as a line and as JSON.
void TestCheck::report_data()
{
    QTest::addColumn<QList<int>>("severities"); // error 0, warning 1, note 2
    QTest::addColumn<bool>("strict");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("summary");
    QTest::newRow("nothing found") << QList<int>{} << true << 0 << "No problems found";
    QTest::newRow("notes only, strict")
        << QList<int>{2, 2} << true << 0 << "0 errors, 0 warnings, 2 notes";
    QTest::newRow("a warning") << QList<int>{2, 1} << false << 0 << "0 errors, 1 warning, 1 note";
    QTest::newRow("a warning, strict")
        << QList<int>{2, 1} << true << 1 << "0 errors, 1 warning, 1 note";
    QTest::newRow("an error") << QList<int>{0, 0, 1} << false << 1
                              << "2 errors, 1 warning, 0 notes";
}

void TestCheck::report()
{
    QFETCH(QList<int>, severities);
    QFETCH(bool, strict);
    QFETCH(int, exitCode);
    QFETCH(QString, summary);

    QList<Finding> findings;
    QJsonArray json;
    const QStringList words{"error", "warning", "note"};
    for (int severity : severities) {
        findings.append({Severity(severity), 1, qint16(severity), QStringLiteral("Door \"C\""),
                         QStringLiteral("/s/d.wav"), QStringLiteral("the name contains \"")});
        QCOMPARE(FindingLine(findings.last()),
                 QStringLiteral("#%1 Door \"C\": %2: the name contains \"")
                     .arg(severity)
                     .arg(words[severity]));
        json.append(QJsonObject{{"number", severity},
                                {"name", "Door \"C\""},
                                {"file", "/s/d.wav"},
                                {"severity", words[severity]},
                                {"message", "the name contains \""}});
    }
    QCOMPARE(CheckExitCode(findings, strict), exitCode);
    QCOMPARE(FindingsSummary(findings), summary);
    QCOMPARE(FindingsJson(findings).array(), json);
    if (!findings.isEmpty()) // a sound without a name
        QCOMPARE(FindingLine({Severity::Error, 4, 0, {}, {}, "x"}), QStringLiteral("#0: error: x"));
}

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
