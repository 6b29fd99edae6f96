#include "check/Check.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace sonquill;
using Severity = Finding::Severity;

namespace {

enum class Ogg { On, Off, Both };

// The catalogue initTestCase builds, in table order, with the fault seeded into an entry, if any,
// and whether encoding must be on or off for it to be found. Which encodings oggenc reads is the
// sound facts' rule; one such WAV shows that the check warns about it.
struct Entry
{
    const char *name, *file;
    qint16 number;
    const char *category = "Sfx";
    Ogg ogg = Ogg::Both;
    Severity severity = Severity::Warning;
    const char *finding = nullptr; // a part of the message that names the fault
};
const QList<Entry> kEntries = {
    {"Door Creak", "door.wav", 1, "Sfx", Ogg::Off, Severity::Note,
     "at quality 3 it would save about"},
    {"Small 8", "pcm8.wav", 2},
    {"Small 24", "pcm24.wav", 3},
    {"Small float", "float.wav", 4},
    {"Wide", "pcm32.wav", 5, "Sfx", Ogg::On, Severity::Warning,
     "oggenc cannot read this WAV (WAV, 32-bit PCM)"},
    {"Music", "tone.mp3", 9, "Music"},
    {"Ambience", "tone.ogg", 10, "Music"},
    {"Beep", "tone.voc", 11},
    {"Mislabelled", "mislabelled.ogg", 12, "Sfx", Ogg::Both, Severity::Warning,
     "holds WAV, 16-bit PCM but is named \".ogg\""},
    {"Small 8 again", "pcm8 copy.wav", 13, "Sfx", Ogg::Both, Severity::Warning,
     "same content as #2 Small 8 (entry 2)"},
    {"Gone", "gone.wav", 14, "Sfx", Ogg::Both, Severity::Error, "gone.wav is missing"},
    {"Zero", "plain15.wav", 0, "Sfx", Ogg::Both, Severity::Error, "number 0 is outside 1 to 999"},
    {"Thousand", "plain16.wav", 1000, "Sfx", Ogg::Both, Severity::Error,
     "number 1000 is outside 1 to 999"},
    {"Twice", "plain17.wav", 1, "Sfx", Ogg::Both, Severity::Error,
     "number 1 is also given to #1 Door Creak (entry 1)"},
    {"Small 24 again", "pcm24 link.wav", 18, "Sfx", Ogg::Both, Severity::Error,
     "the same file as #3 Small 24 (entry 3)"},
    {"Say \"Hi\"", "plain19.wav", 19, "Sfx", Ogg::Both, Severity::Warning,
     "the name contains a double quote"},
    {"Back\\slash", "plain20.wav", 20, "Sfx", Ogg::Both, Severity::Warning,
     "the name contains a backslash"},
    {" ", "plain21.wav", 21, "Sfx", Ogg::Both, Severity::Warning, "the sound has no name"},
    {"No Category", "plain22.wav", 22, "", Ogg::Both, Severity::Warning,
     "the sound has no category"},
    {"Noise", "garbage.wav", 23, "Sfx", Ogg::Both, Severity::Error, "not a readable sound"},
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
    void cleanCatalogue_data();
    void cleanCatalogue();
    void oggEstimate_data();
    void oggEstimate();
    void report_data();
    void report();
    void json();

private:
    // A tone made by sox with the format options given.
    bool sox(const QString &fileName, const QString &format, double seconds, int frequency = 440)
    {
        return test::runTool("sox",
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
    QVERIFY(m_dir.isValid());
    for (const char *tool : {"sox", "oggenc"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    }
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
    for (const Entry &entry : kEntries)
        records.append(
            {entry.name, path(entry.file), entry.number, 0, entry.category, 0, 0, {}, {}});
    m_table.replaceAll(records);
    m_table.RefreshSizes(true);
}

// Each seeded fault is found exactly once, and nothing else is found; findings come in catalogue
// order and name the sound they are about.
void TestCheck::findings_data()
{
    QTest::addColumn<bool>("oggUse");
    QTest::newRow("encoding on") << true;
    QTest::newRow("encoding off") << false;
}

void TestCheck::findings()
{
    QFETCH(bool, oggUse);

    SoundFactsCache cache;
    const QList<Finding> findings = CheckCatalogue(m_table, options(oggUse), cache);
    qsizetype expectedCount = 0;
    for (int index = 1; index <= kEntries.size(); ++index) {
        const Entry &expected = kEntries[index - 1];
        if (!expected.finding || (expected.ogg != Ogg::Both && (expected.ogg == Ogg::On) != oggUse))
            continue;
        ++expectedCount;
        const auto found = std::count_if(findings.cbegin(), findings.cend(), [&](const Finding &f) {
            return f.tableIndex == index && f.severity == expected.severity &&
                   f.message.contains(QString::fromUtf8(expected.finding));
        });
        QVERIFY2(found == 1, expected.finding);
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

void TestCheck::cleanCatalogue_data()
{
    QTest::addColumn<bool>("oggUse");
    QTest::addColumn<int>("minSize");
    QTest::newRow("encoding on") << true << 100;
    QTest::newRow("encoding off, every wav below the minimum") << false << 300;
    QTest::newRow("encoding on, oggenc-unreadable wavs below the minimum") << true << 300;
}

void TestCheck::cleanCatalogue()
{
    QFETCH(bool, oggUse);
    QFETCH(int, minSize);

    QList<SoundRecord> records;
    for (int index : {1, 2, 3, 4, 6, 7, 8})
        records.append(m_table.at(index));
    if (minSize >= 300)
        records.append(m_table.at(5));
    SoundTable table;
    table.replaceAll(records);
    SoundFactsCache cache;
    const QList<Finding> findings = CheckCatalogue(table, options(oggUse, qint16(minSize)), cache);
    for (const Finding &finding : findings)
        qWarning("%s", qPrintable(FindingLine(finding)));
    QVERIFY(findings.isEmpty());
}

void TestCheck::oggEstimate_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("quality");
    QTest::newRow("44.1 kHz stereo q0") << "-r 44100 -c 2" << 0;
    QTest::newRow("44.1 kHz stereo q3") << "-r 44100 -c 2" << 3;
    QTest::newRow("44.1 kHz stereo q6") << "-r 44100 -c 2" << 6;
    QTest::newRow("44.1 kHz mono q3") << "-r 44100 -c 1" << 3;
    QTest::newRow("22 kHz mono q3") << "-r 22050 -c 1" << 3;
    QTest::newRow("8 kHz mono q3") << "-r 8000 -c 1" << 3;
}

// The estimate behind the note stays within a factor of two of what oggenc really writes for
// a busy sound (quiet pink noise).
void TestCheck::oggEstimate()
{
    QFETCH(QString, format);
    QFETCH(int, quality);

    const QString wav = path(QString(format).remove(' ') + ".wav"), ogg = wav + ".ogg";
    const QStringList noise{wav, "synth", "5", "pinknoise", "vol", "0.3"};
    QCOMPARE(test::runTool("sox", QStringList{"-n", "-b", "16"} + format.split(' ') + noise), 0);
    QCOMPARE(test::runTool("oggenc", {"-Q", QStringLiteral("-q%1").arg(quality), wav, "-o", ogg}),
             0);
    SoundFactsCache cache;
    const double estimate = double(EstimatedOggBytes(cache.facts(wav), quality));
    const double real = double(QFileInfo(ogg).size());
    QVERIFY2(estimate > real / 2 && estimate < real * 2,
             qPrintable(QStringLiteral("estimate %1, oggenc %2").arg(estimate).arg(real)));
}

void TestCheck::report_data()
{
    QTest::addColumn<QList<int>>("severities");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("summary");

    const int error = int(Severity::Error);
    const int warning = int(Severity::Warning);
    const int note = int(Severity::Note);
    QTest::newRow("nothing found") << QList<int>{} << true << 0 << "No problems found";
    QTest::newRow("notes only, strict")
        << QList<int>{note, note} << true << 0 << "0 errors, 0 warnings, 2 notes";
    QTest::newRow("a warning") << QList<int>{note, warning} << false << 0
                               << "0 errors, 1 warning, 1 note";
    QTest::newRow("a warning, strict")
        << QList<int>{note, warning} << true << 1 << "0 errors, 1 warning, 1 note";
    QTest::newRow("an error") << QList<int>{error, error, warning} << false << 1
                              << "2 errors, 1 warning, 0 notes";
}

void TestCheck::report()
{
    QFETCH(QList<int>, severities);
    QFETCH(bool, strict);
    QFETCH(int, exitCode);
    QFETCH(QString, summary);

    QList<Finding> findings;
    for (int severity : severities)
        findings.append({Severity(severity), 1, 12, QStringLiteral("Door Creak"), {}, "x"});
    QCOMPARE(CheckExitCode(findings, strict), exitCode);
    QCOMPARE(FindingsSummary(findings), summary);
}

void TestCheck::json()
{
    const QList<Finding> findings = {
        {Severity::Warning, 3, 12, QStringLiteral("Door \"Creak\""), QStringLiteral("/s/d.wav"),
         QStringLiteral("the name contains \"")},
        {Severity::Error, 4, 0, QString(), QStringLiteral("/s/e.wav"),
         QStringLiteral("number 0 is outside 1 to 999")},
    };
    QCOMPARE(FindingLine(findings[0]),
             QStringLiteral("#12 Door \"Creak\": warning: the name contains \""));
    QCOMPARE(FindingLine(findings[1]), QStringLiteral("#0: error: number 0 is outside 1 to 999"));

    const QJsonArray array = QJsonDocument::fromJson(FindingsJson(findings).toJson()).array();
    QCOMPARE(array.size(), 2);
    const QJsonObject first = array[0].toObject();
    QCOMPARE(first.value(QStringLiteral("number")).toInt(), 12);
    QCOMPARE(first.value(QStringLiteral("name")).toString(), findings[0].name);
    QCOMPARE(first.value(QStringLiteral("file")).toString(), findings[0].file);
    QCOMPARE(first.value(QStringLiteral("severity")).toString(), QStringLiteral("warning"));
    QCOMPARE(first.value(QStringLiteral("message")).toString(), findings[0].message);
    QCOMPARE(array[1].toObject().value(QStringLiteral("severity")).toString(),
             QStringLiteral("error"));
}

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
