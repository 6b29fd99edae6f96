#include "check/Check.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace sonquill;
using Severity = Finding::Severity;

namespace {

// The catalogue initTestCase builds: a 1 s tone at -3 dBFS that sox makes from the arguments given
// (each of its own pitch; after " : " effects of its own), or a file made otherwise; then the
// fault seeded into the entry: its severity (E, W, N), "-" if found only with encoding off (only
// at a MinSize the file reaches: 100 kB, not 300), "L" only with loudness normalisation on, "l"
// only with it off, then a part of the message.
struct Entry
{
    const char *name, *file;
    qint16 number;
    const char *sox, *finding;
};
// clang-format off
const QList<Entry> kEntries = {
    {"Door Creak", "door.wav", 1, "-n -r 44100 -c 2 -b 16", "N-at quality 3 it would save about"},
    {"Small 8", "pcm8.wav", 2, "-n -r 8000 -c 1 -b 8 -e unsigned-integer", ""},
    {"Small 24", "pcm24.wav", 3, "-n -r 8000 -c 1 -b 24", ""},
    {"Wide", "pcm32.wav", 5, "-n -r 44100 -c 1 -b 32 -e signed-integer", "N-at quality 3 it would save about"}, // decoded for oggenc
    {"Music", "tone.mp3", 9, "-n -r 44100 -c 2", ""},
    {"Ambience", "tone.ogg", 10, "-n -r 44100 -c 2", ""},
    {"Beep", "tone.voc", 11, "-n -r 11025 -c 1 -b 8 -e unsigned-integer", ""},
    {"Mislabelled", "mislabelled.ogg", 12, "-n -r 8000 -c 1 -b 16 -t wav", "W holds WAV, 16-bit PCM but is named \".ogg\""},
    {"Small 8 again", "pcm8 copy.wav", 13, "", "W same content as #2 Small 8 (entry 2)"},
    {"Gone", "gone.wav", 14, "", "E gone.wav is missing"},
    {"Zero", "plain15.wav", 0, "-n -r 8000 -c 1 -b 16", "E number 0 is outside 1 to 999"},
    {"Thousand", "plain16.wav", 1000, "-n -r 8000 -c 1 -b 16", "E number 1000 is outside 1 to 999"},
    {"Twice", "plain17.wav", 1, "-n -r 8000 -c 1 -b 16", "E number 1 is also given to #1 Door Creak (entry 1)"},
    {"Small 24 again", "pcm24 link.wav", 18, "", "E the same file as #3 Small 24 (entry 3)"},
    {"Say \"Hi\"", "plain19.wav", 19, "-n -r 8000 -c 1 -b 16", "W the name contains a double quote"},
    {"Back\\slash", "plain20.wav", 20, "-n -r 8000 -c 1 -b 16", "W the name contains a backslash"},
    {" ", "plain21.wav", 21, "-n -r 8000 -c 1 -b 16", "W the sound has no name"},
    {"No Category", "plain22.wav", 22, "-n -r 8000 -c 1 -b 16", "W the sound has no category"},
    {"Noise", "garbage.wav", 23, "", "E not a readable sound"},
    {"Siren", "siren.wav", 24, "-n -r 44100 -c 1 -b 16 : synth 1 square 440 vol 0.95", "W the source clips: its true peak is +1"},
    {"Whisper", "whisper.wav", 25, "-n -r 22050 -c 1 -b 16 : synth 1 sine 300 vol 0.003", "Nl LU quieter than the median of its category \"Sfx\""},
    {"Blip", "blip.wav", 26, "-n -r 22050 -c 1 -b 16 : synth 0.2 sine 800 vol 0.7", "NLits loudness cannot be measured"},
};
// clang-format on

} // namespace

class TestCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    SoundTable m_table;

private slots:
    void initTestCase()
    {
        const auto path = [this](const char *fileName) { return m_dir.filePath(fileName); };
        QList<SoundRecord> records;
        for (const Entry &entry : kEntries) {
            const QStringList sox = QString(entry.sox).split(" : ");
            const QString effects = sox.value(
                1, QStringLiteral("synth 1 sine %1 vol 0.7").arg(100 + 20 * records.size()));
            if (*entry.sox) // a missing sox fails here
                QCOMPARE(test::runTool(SONQUILL_SOX, sox[0].split(' ')
                                                         << path(entry.file) << effects.split(' ')),
                         0);
            const QString category = qstrcmp(entry.name, "No Category") ? "Sfx" : "";
            records.append({entry.name, path(entry.file), entry.number, 0, category, 0, 0, {}, {}});
        }
        QVERIFY(QFile::copy(path("pcm8.wav"), path("pcm8 copy.wav")));
        QVERIFY(QFile::link(path("pcm24.wav"), path("pcm24 link.wav")));
        QVERIFY(test::writeFile(path("garbage.wav"), QByteArray(3000, '\x33')));
        m_table.replaceAll(records);
        m_table.RefreshSizes(true);
    }

    // Each seeded fault is found exactly once and nothing else is (no false alarm on the sound
    // entries); findings come in catalogue order and name the sound they are about.
    void findings_data()
    {
        QTest::addColumn<bool>("oggUse");
        QTest::addColumn<bool>("custom");
        QTest::addColumn<int>("minSize");
        QTest::addColumn<bool>("loudness");
        QTest::newRow("encoding on") << true << false << 100 << false;
        QTest::newRow("encoding off") << false << false << 100 << false;
        QTest::newRow("custom encoder") << true << true << 100 << false;
        QTest::newRow("every wav below the minimum") << true << false << 300 << false;
        QTest::newRow("loudness normalisation on") << true << false << 100 << true;
    }
    void findings()
    {
        QFETCH(bool, oggUse);
        QFETCH(bool, custom);
        QFETCH(int, minSize);
        QFETCH(bool, loudness);

        CheckOptions options;
        options.oggUse = oggUse;
        options.ogg = {3, qint16(minSize), custom}; // quality, size, custom
        options.processing.loudness = loudness;
        SoundFactsCache cache;
        const QList<Finding> findings = CheckCatalogue(m_table, options, cache);
        // Each entry has one fault at most, so one finding at most, in catalogue order.
        QList<int> expected, seen;
        for (int index = 1; index <= kEntries.size(); ++index) {
            const char *fault = kEntries[index - 1].finding;
            if (!*fault)
                continue;
            const bool found = fault[1] == '-'   ? !oggUse && minSize < 300
                               : fault[1] == 'L' ? loudness
                               : fault[1] == 'l' ? !loudness
                                                 : true;
            if (found)
                expected.append(index);
        }
        for (const Finding &finding : findings) {
            seen.append(finding.tableIndex);
            const SoundRecord &record = m_table.at(finding.tableIndex);
            QCOMPARE(QStringList({QString::number(finding.number), finding.name, finding.file}),
                     QStringList({QString::number(record.number), record.name, record.filename}));
            const QString fault = QString::fromUtf8(kEntries[finding.tableIndex - 1].finding);
            QVERIFY2(fault.startsWith(QString("EWN").at(int(finding.severity))) &&
                         finding.message.contains(fault.mid(2)),
                     qPrintable(FindingLine(finding)));
        }
        QCOMPARE(seen, expected);
    }

    // The exit code a build script sees, the summary, and a finding as a line and as JSON.
    void report()
    {
        const Finding note{Severity::Note,      1, 3, "Door \"C\"", "/s/d.wav", "the name has \"",
                           "name-breaks-script"};
        Finding warning = note, error = note;
        warning.severity = Severity::Warning;
        error.severity = Severity::Error;
        QCOMPARE(CheckExitCode({note, note}, true), 0);
        QCOMPARE(CheckExitCode({note, warning}, false), 0);
        QCOMPARE(CheckExitCode({note, warning}, true), 1);
        QCOMPARE(CheckExitCode({note, error}, false), 1);
        QCOMPARE(FindingsSummary({note, note}), QStringLiteral("0 errors, 0 warnings, 2 notes"));
        QCOMPARE(FindingsSummary({error, warning, note}), "1 error, 1 warning, 1 note");
        QCOMPARE(FindingLine(warning), QStringLiteral("#3 Door \"C\": warning: the name has \""));
        QCOMPARE(FindingLine({Severity::Error, 4, 0, {}, {}, "x", "no-source"}),
                 QStringLiteral("#0: error: x"));
        QCOMPARE(
            FindingsJson({note}).toJson(QJsonDocument::Compact),
            "{\"command\":\"check\",\"errors\":0,\"findings\":[{\"code\":\"name-breaks-script\","
            "\"message\":\"the name has \\\"\",\"name\":\"Door \\\"C\\\"\",\"number\":3,"
            "\"path\":\"/s/"
            "d.wav\",\"severity\":\"note\"}],\"notes\":1,\"schema\":1,\"warnings\":0}");
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
