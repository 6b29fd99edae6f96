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

#include <tuple>

using namespace sonquill;
using Severity = Finding::Severity;

namespace {

enum class Ogg { On, Off, Both };

struct Expected
{
    const char *row;
    Ogg ogg;
    int index;
    Severity severity;
    const char *message; // a part of the message that names the fault
};

// The faults seeded into the catalogue built by initTestCase, by table index.
const QList<Expected> seeded = {
    {"32-bit integer wav, encoding on", Ogg::On, 5, Severity::Warning,
     "oggenc cannot read this WAV (WAV, 32-bit PCM)"},
    {"ima adpcm wav, encoding on", Ogg::On, 6, Severity::Warning,
     "oggenc cannot read this WAV (WAV, IMA ADPCM)"},
    {"u-law wav, encoding on", Ogg::On, 7, Severity::Warning,
     "oggenc cannot read this WAV (WAV, u-law)"},
    {"a-law wav, encoding on", Ogg::On, 8, Severity::Warning,
     "oggenc cannot read this WAV (WAV, A-law)"},
    {"big wav, encoding off", Ogg::Off, 1, Severity::Note, "at quality 3 it would save about"},
    {"wav named .ogg", Ogg::Both, 12, Severity::Warning,
     "holds WAV, 16-bit PCM but is named \".ogg\""},
    {"same content as another file", Ogg::Both, 13, Severity::Warning,
     "same content as #2 Small 8 (entry 2)"},
    {"missing file", Ogg::Both, 14, Severity::Error, "gone.wav is missing"},
    {"number 0", Ogg::Both, 15, Severity::Error, "number 0 is outside 1 to 999"},
    {"number 1000", Ogg::Both, 16, Severity::Error, "number 1000 is outside 1 to 999"},
    {"number used twice", Ogg::Both, 17, Severity::Error,
     "number 1 is also given to #1 Door Creak (entry 1)"},
    {"same file by another path", Ogg::Both, 18, Severity::Error,
     "the same file as #3 Small 24 (entry 3)"},
    {"name with a quote", Ogg::Both, 19, Severity::Warning, "the name contains a double quote"},
    {"name with a backslash", Ogg::Both, 20, Severity::Warning, "the name contains a backslash"},
    {"empty name", Ogg::Both, 21, Severity::Warning, "the sound has no name"},
    {"empty category", Ogg::Both, 22, Severity::Warning, "the sound has no category"},
    {"garbage file", Ogg::Both, 23, Severity::Error, "not a readable sound"},
};

bool matches(const Finding &finding, const Expected &expected)
{
    return finding.tableIndex == expected.index && finding.severity == expected.severity &&
           finding.message.contains(QString::fromUtf8(expected.message));
}

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
    // With MinSize 100 kB only door.wav and the four WAVs oggenc cannot read reach the
    // threshold.
    QVERIFY(sox("door.wav", "-r 44100 -c 2 -b 16", 1.5));
    QVERIFY(sox("pcm8.wav", "-r 8000 -c 1 -b 8 -e unsigned-integer", 0.5));
    QVERIFY(sox("pcm24.wav", "-r 8000 -c 1 -b 24", 0.5));
    QVERIFY(sox("float.wav", "-r 8000 -c 1 -b 32 -e floating-point", 0.5));
    QVERIFY(sox("pcm32.wav", "-r 44100 -c 1 -b 32 -e signed-integer", 1.0));
    QVERIFY(sox("ima.wav", "-r 44100 -c 2 -e ima-adpcm", 3.0));
    QVERIFY(sox("ulaw.wav", "-r 44100 -c 1 -e u-law", 3.0));
    QVERIFY(sox("alaw.wav", "-r 44100 -c 1 -e a-law", 3.0));
    QVERIFY(sox("tone.mp3", "-r 44100 -c 2", 1.0));
    QVERIFY(sox("tone.ogg", "-r 44100 -c 2", 1.0));
    QVERIFY(sox("tone.voc", "-r 11025 -c 1 -b 8 -e unsigned-integer", 0.5));
    QVERIFY(sox("mislabelled.ogg", "-r 8000 -c 1 -b 16 -t wav", 0.3, 660));
    QVERIFY(QFile::copy(path("pcm8.wav"), path("pcm8 copy.wav")));
    QVERIFY(QFile::link(path("pcm24.wav"), path("pcm24 link.wav")));
    for (int i = 15; i <= 22; ++i)
        QVERIFY(sox(QStringLiteral("plain%1.wav").arg(i), "-r 8000 -c 1 -b 16", 0.2, 100 * i));
    QVERIFY(test::writeFile(path("garbage.wav"), QByteArray(3000, '\x33')));

    const QList<std::tuple<const char *, QString, qint16, const char *>> entries = {
        {"Door Creak", "door.wav", 1, "Sfx"},
        {"Small 8", "pcm8.wav", 2, "Sfx"},
        {"Small 24", "pcm24.wav", 3, "Sfx"},
        {"Small float", "float.wav", 4, "Sfx"},
        {"Wide", "pcm32.wav", 5, "Sfx"},
        {"ADPCM", "ima.wav", 6, "Sfx"},
        {"Ulaw", "ulaw.wav", 7, "Sfx"},
        {"Alaw", "alaw.wav", 8, "Sfx"},
        {"Music", "tone.mp3", 9, "Music"},
        {"Ambience", "tone.ogg", 10, "Music"},
        {"Beep", "tone.voc", 11, "Sfx"},
        {"Mislabelled", "mislabelled.ogg", 12, "Sfx"},
        {"Small 8 again", "pcm8 copy.wav", 13, "Sfx"},
        {"Gone", "gone.wav", 14, "Sfx"},
        {"Zero", "plain15.wav", 0, "Sfx"},
        {"Thousand", "plain16.wav", 1000, "Sfx"},
        {"Twice", "plain17.wav", 1, "Sfx"},
        {"Small 24 again", "pcm24 link.wav", 18, "Sfx"},
        {"Say \"Hi\"", "plain19.wav", 19, "Sfx"},
        {"Back\\slash", "plain20.wav", 20, "Sfx"},
        {" ", "plain21.wav", 21, "Sfx"},
        {"No Category", "plain22.wav", 22, ""},
        {"Noise", "garbage.wav", 23, "Sfx"},
    };
    QList<SoundRecord> records;
    for (const auto &[name, file, number, category] : entries)
        records.append({name, path(file), number, 0, category, 0, 0, {}, {}});
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
    for (const Expected &expected : seeded) {
        if (expected.ogg != Ogg::Both && (expected.ogg == Ogg::On) != oggUse)
            continue;
        ++expectedCount;
        QVERIFY2(std::count_if(findings.cbegin(), findings.cend(),
                               [&](const Finding &f) { return matches(f, expected); }) == 1,
                 expected.row);
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
    for (int index : {1, 2, 3, 4, 9, 10, 11})
        records.append(m_table.at(index));
    if (minSize >= 300) {
        for (int index : {5, 6, 7, 8})
            records.append(m_table.at(index));
    }
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
