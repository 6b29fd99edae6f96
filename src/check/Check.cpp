#include "Check.h"

#include "catalogue/PathUtils.h"
#include "catalogue/SoundFileNames.h"
#include "catalogue/TextFormats.h"
#include "distribution/DistributionPlan.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace sonquill {

namespace {

using Severity = Finding::Severity;

class Findings
{
public:
    explicit Findings(const SoundTable &table) : m_table(table) {}

    void add(int index, Severity severity, const QString &code, const QString &message)
    {
        const SoundRecord &record = m_table.at(index);
        m_list.append(
            {severity, index, record.number, record.name, record.filename, message, code});
    }

    // Catalogue order; within one entry the worst first, otherwise as found.
    QList<Finding> sorted()
    {
        std::stable_sort(m_list.begin(), m_list.end(), [](const Finding &a, const Finding &b) {
            if (a.tableIndex != b.tableIndex)
                return a.tableIndex < b.tableIndex;
            return a.severity < b.severity;
        });
        return m_list;
    }

private:
    const SoundTable &m_table;
    QList<Finding> m_list;
};

// "#12 Door Creak (entry 3)": how another entry is named in a message.
QString entryText(const SoundTable &table, int index)
{
    const SoundRecord &record = table.at(index);
    QString text = QLatin1Char('#') + QString::number(record.number);
    if (!record.name.isEmpty())
        text += QLatin1Char(' ') + record.name;
    return text + QStringLiteral(" (entry %1)").arg(index);
}

// The stable name scripts branch on for sourceProblem's finding.
QString sourceCode(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("no-source");
    return QFileInfo::exists(path) ? QStringLiteral("unreadable-source")
                                   : QStringLiteral("missing-source");
}

QString sourceProblem(const QString &path, const SoundFacts &facts)
{
    if (path.isEmpty())
        return QStringLiteral("the sound has no source file");
    if (!QFileInfo::exists(path))
        return QStringLiteral("the source file %1 is missing").arg(path);
    return QStringLiteral("the source is not a readable sound: ") + facts.problem;
}

QString extensionProblem(const QString &extension, const SoundFacts &facts)
{
    if (!SoundExtensions().contains(extension)) {
        return QStringLiteral("the extension \".%1\" is not one the game plays (wav, mp3, ogg "
                              "or voc)")
            .arg(extension);
    }
    QString text = QStringLiteral("the file holds %1 but is named \".%2\"; the game chooses how "
                                  "to play a sound by its extension")
                       .arg(facts.format, extension);
    const QString expected = ExpectedExtension(facts);
    if (!expected.isEmpty())
        text += QStringLiteral(" (it should end in \".%1\")").arg(expected);
    return text;
}

// The characters of a name that SoundCode.txt would write unescaped into a script string.
QString scriptBreakers(const QString &name)
{
    QStringList found;
    if (name.contains(QLatin1Char('"')))
        found << QStringLiteral("a double quote");
    if (name.contains(QLatin1Char('\\')))
        found << QStringLiteral("a backslash");
    return found.join(QStringLiteral(" and "));
}

// What the run would do with the content: the extension decides how the game plays it, and
// only the WAVs oggenc reads get encoded.
void checkContent(int index, const SoundRecord &record, const SoundFacts &facts,
                  const CheckOptions &options, Findings &findings)
{
    const QString extension = SoundExtension(record.filename);
    if (extension.isEmpty())
        return; // the plan's refusal says it
    if (ExpectedExtension(facts) != extension) {
        findings.add(index, Severity::Warning, QStringLiteral("extension-mismatch"),
                     extensionProblem(extension, facts));
        return;
    }
    const bool bigEnough = double(record.size) >= double(qint64(options.ogg.MinSize) * 1000);
    if (extension != QLatin1String("wav") || !bigEnough)
        return;
    // Every WAV libsndfile reads is encoded: what the encoder cannot read is decoded for it.
    if (!options.oggUse) {
        const double saved =
            double(record.size) - double(EstimatedOggBytes(facts, options.ogg.Quality));
        if (saved > 0) {
            findings.add(index, Severity::Note, QStringLiteral("ogg-would-save"),
                         QStringLiteral("Ogg encoding is off; at quality %1 it would save about "
                                        "%2 kB")
                             .arg(options.ogg.Quality)
                             .arg(KilobytesText(saved)));
        }
    }
}

void checkNames(int index, const SoundRecord &record, Findings &findings)
{
    if (record.name.trimmed().isEmpty()) {
        findings.add(index, Severity::Warning, QStringLiteral("no-name"),
                     QStringLiteral("the sound has no name"));
    } else if (const QString breakers = scriptBreakers(record.name); !breakers.isEmpty()) {
        findings.add(index, Severity::Warning, QStringLiteral("name-breaks-script"),
                     QStringLiteral("the name contains %1, which SoundCode.txt writes unchanged "
                                    "into a script string")
                         .arg(breakers));
    }
    if (record.category.trimmed().isEmpty())
        findings.add(index, Severity::Warning, QStringLiteral("no-category"),
                     QStringLiteral("the sound has no category"));
}

// Different files (never two entries of one file) with the same bytes: one finding per group,
// on the group's second file, naming the others. Only files of equal size are read.
void findDuplicateContent(const SoundTable &table, const QList<int> &candidates,
                          SoundFactsCache &cache, Findings &findings)
{
    QMap<qint64, QList<int>> bySize;
    for (int index : candidates)
        bySize[QFileInfo(table.at(index).filename).size()].append(index);

    QList<QList<int>> groups;
    for (const QList<int> &sameSize : std::as_const(bySize)) {
        if (sameSize.size() < 2)
            continue;
        QMap<QByteArray, QList<int>> byHash;
        for (int index : sameSize) {
            const QByteArray hash = cache.contentHash(table.at(index).filename);
            if (!hash.isEmpty())
                byHash[hash].append(index);
        }
        for (const QList<int> &same : std::as_const(byHash)) {
            if (same.size() > 1)
                groups.append(same);
        }
    }
    for (QList<int> group : groups) {
        std::sort(group.begin(), group.end());
        QStringList others;
        for (int index : group) {
            if (index != group[1])
                others << entryText(table, index);
        }
        findings.add(group[1], Severity::Warning, QStringLiteral("duplicate-content"),
                     QStringLiteral("the file has the same content as %1; the game gets the "
                                    "same sound more than once")
                         .arg(others.join(QStringLiteral(", "))));
    }
}

QString decibels(double value)
{
    return (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value, 'f', 1);
}

// Sources whose true peak is above full scale; then, with loudness normalisation on, the sounds
// it would leave as they are, or with it off, the sounds more than 10 LU from the median of
// their category (compared without regard to letter case).
void checkLoudness(const SoundTable &table, const QList<int> &readable, const CheckOptions &options,
                   const DistributionPlan &plan, SoundFactsCache &cache, Findings &findings)
{
    constexpr double kFarFromMedianLu = 10.0;
    QHash<QString, QList<double>> byCategory;
    QHash<int, double> measured;
    for (int index : readable) {
        const LoudnessFacts facts = cache.loudness(table.at(index).filename);
        if (!facts.read)
            continue;
        if (facts.loudness.truePeakDbtp > 0.0) {
            findings.add(index, Severity::Warning, QStringLiteral("source-clips"),
                         QStringLiteral("the source clips: its true peak is %1 dBTP, above full "
                                        "scale")
                             .arg(decibels(facts.loudness.truePeakDbtp)));
        }
        if (options.processing.loudness) {
            if (plan.sounds.at(index - 1).steps.normalise && !facts.loudness.measurable()) {
                findings.add(index, Severity::Note, QStringLiteral("loudness-unmeasurable"),
                             QStringLiteral("its loudness cannot be measured (it is shorter than "
                                            "0.4 s or too quiet), so it keeps its level"));
            }
        } else if (facts.loudness.measurable()) {
            measured.insert(index, facts.loudness.integratedLufs);
            byCategory[table.at(index).category.toUpper()].append(facts.loudness.integratedLufs);
        }
    }
    QHash<QString, double> medians;
    for (auto it = byCategory.begin(); it != byCategory.end(); ++it) {
        QList<double> &values = it.value();
        std::sort(values.begin(), values.end());
        const qsizetype middle = values.size() / 2;
        medians.insert(it.key(), values.size() % 2 ? values[middle]
                                                   : (values[middle - 1] + values[middle]) / 2);
    }
    for (auto it = measured.cbegin(); it != measured.cend(); ++it) {
        const QString &category = table.at(it.key()).category;
        const double median = medians.value(category.toUpper());
        const double away = it.value() - median;
        if (std::fabs(away) <= kFarFromMedianLu)
            continue;
        findings.add(it.key(), Severity::Note, QStringLiteral("loudness-far-from-category"),
                     QStringLiteral("at %1 LUFS it is %2 LU %3 than the median of its category "
                                    "\"%4\" (%5 LUFS); loudness normalisation is off")
                         .arg(decibels(it.value()))
                         .arg(QString::number(std::fabs(away), 'f', 1),
                              away > 0 ? QStringLiteral("louder") : QStringLiteral("quieter"),
                              category, decibels(median)));
    }
}

} // namespace

qint64 EstimatedOggBytes(const SoundFacts &facts, int quality)
{
    // libvorbis' nominal bitrates for 44.1 kHz stereo, kbit/s, at quality -1 to 10.
    static constexpr double nominal[] = {45, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 500};
    const int level = std::clamp(quality, -1, 10);
    // Measured with oggenc on noise: mono takes about three quarters of stereo, and lower rates
    // need much less (22 kHz about 0.6, 8 kHz about 0.3), which rate^0.75 follows.
    const double channels = facts.channels == 1 ? 0.75 : facts.channels / 2.0;
    const double rate = std::pow(facts.sampleRate / 44100.0, 0.75);
    const double bitsPerSecond = nominal[level + 1] * 1000.0 * channels * rate;
    return qint64(std::max(0.0, facts.seconds) * bitsPerSecond / 8.0);
}

QList<Finding> CheckCatalogue(const SoundTable &table, const CheckOptions &options,
                              SoundFactsCache &cache)
{
    Findings findings(table);
    QHash<qint16, int> firstWithNumber;
    QHash<QString, int> firstWithFile;
    QList<int> soundFiles; // the first entry of each readable file

    // What distribution would do decides what is wrong with a number or a target name.
    DistributionOptions distribution;
    distribution.OggUse = options.oggUse;
    distribution.ogg = options.ogg;
    distribution.processing = options.processing;
    distribution.programFolder = options.programFolder;
    const DistributionPlan plan = PlanDistribution(
        table, distribution, FolderState::Read(table, options.gameFolder, distribution));

    for (int index = 1; index <= table.SoundCount(); ++index) {
        const SoundRecord &record = table.at(index);
        const SoundFacts facts = cache.facts(record.filename);
        const PlannedSound &planned = plan.sounds.at(index - 1);

        if (!facts.readable)
            findings.add(index, Severity::Error, sourceCode(record.filename),
                         sourceProblem(record.filename, facts));

        firstWithNumber.insert(record.number, firstWithNumber.value(record.number, index));
        for (const DistributionError &problem : planned.problems) {
            switch (problem.code) {
            case DistributionError::Code::NumberOutOfRange:
                findings.add(index, Severity::Error, QStringLiteral("number-out-of-range"),
                             QStringLiteral("number %1 is outside 1 to 999, so the game cannot "
                                            "play it")
                                 .arg(record.number));
                break;
            case DistributionError::Code::NumberTaken:
                findings.add(index, Severity::Error, QStringLiteral("number-taken"),
                             QStringLiteral("number %1 is also given to %2; the game plays only "
                                            "one of them")
                                 .arg(record.number)
                                 .arg(entryText(table, firstWithNumber.value(record.number))));
                break;
            case DistributionError::Code::NoExtension:
                findings.add(index, Severity::Error, QStringLiteral("no-extension"),
                             QStringLiteral("the file name has no extension, so the game cannot "
                                            "play it"));
                break;
            case DistributionError::Code::TargetIsSource:
                findings.add(index, Severity::Warning, QStringLiteral("target-is-source"),
                             problem.reason);
                break;
            default:
                break; // an unreadable source is named above
            }
        }

        const QString path =
            record.filename.isEmpty() ? QString() : QFileInfo(record.filename).canonicalFilePath();
        if (!path.isEmpty()) {
            if (const auto first = firstWithFile.constFind(path); first != firstWithFile.cend()) {
                findings.add(index, Severity::Error, QStringLiteral("same-file-twice"),
                             QStringLiteral("the same file as %1 is listed twice")
                                 .arg(entryText(table, *first)));
            } else {
                firstWithFile.insert(path, index);
                if (facts.readable)
                    soundFiles.append(index);
            }
        }

        if (facts.readable)
            checkContent(index, record, facts, options, findings);
        checkNames(index, record, findings);
    }

    findDuplicateContent(table, soundFiles, cache, findings);
    checkLoudness(table, soundFiles, options, plan, cache, findings);
    return findings.sorted();
}

} // namespace sonquill
