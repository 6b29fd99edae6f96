#include "Settings.h"

#include "catalogue/NumberReader.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>

namespace sonquill {

namespace {

const QString kData = QStringLiteral("Data");
const QString kOgg = QStringLiteral("Ogg");
const QString kProcessing = QStringLiteral("Processing");

// A stored number within [low, high]; the default for anything else.
double storedNumber(const SettingsStore &store, const QString &key, double fallback, double low,
                    double high)
{
    bool ok = false;
    const double value = store.read(kProcessing, key, QString()).trimmed().toDouble(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

bool storedSwitch(const SettingsStore &store, const QString &key)
{
    return ToInteger(store.read(kProcessing, key, QStringLiteral("0"))) != 0;
}

QString switchText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString userSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Sonquill/Sonquill.conf");
}

} // namespace

SettingsStore::SettingsStore() : SettingsStore(userSettingsPath()) {}

SettingsStore::SettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    const QString fullKey = section + QLatin1Char('/') + key;
    if (!m_settings->contains(fullKey))
        return defaultValue;
    const QVariant value = m_settings->value(fullKey);
    // Every value is text; a hand-edited "a, b" comes back from the INI reader as a list.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SettingsStore::write(const QString &section, const QString &key, const QString &value)
{
    m_settings->setValue(section + QLatin1Char('/') + key, value);
    m_settings->sync();
}

QString SettingsStore::filePath() const
{
    return m_settings->fileName();
}

QString SettingsStore::lastGameDir() const
{
    return read(kData, QStringLiteral("LastGameDir"), QString());
}

void SettingsStore::setLastGameDir(const QString &folder)
{
    write(kData, QStringLiteral("LastGameDir"), folder);
}

QString SettingsStore::lastSourceDir() const
{
    return read(kData, QStringLiteral("LastSourceDir"), QString());
}

void SettingsStore::setLastSourceDir(const QString &folder)
{
    write(kData, QStringLiteral("LastSourceDir"), folder);
}

qint16 SettingsStore::oggUse() const
{
    return ToInteger(read(kOgg, QStringLiteral("OggUse"), QStringLiteral("0")));
}

void SettingsStore::setOggUse(bool checked)
{
    write(kOgg, QStringLiteral("OggUse"), checked ? QStringLiteral("1") : QStringLiteral("0"));
}

bool SettingsStore::keepUpToDate() const
{
    return ToInteger(read(kData, QStringLiteral("KeepUpToDate"), QStringLiteral("0"))) != 0;
}

void SettingsStore::setKeepUpToDate(bool on)
{
    write(kData, QStringLiteral("KeepUpToDate"), on ? QStringLiteral("1") : QStringLiteral("0"));
}

OggSettings LoadOggSettings(const SettingsStore &store)
{
    OggSettings settings;
    settings.Quality = ToInteger(store.read(kOgg, QStringLiteral("Quality"), QStringLiteral("3")));
    settings.MinSize = ToInteger(store.read(kOgg, QStringLiteral("MinSize"), QStringLiteral("4")));
    settings.UseCustom =
        ToInteger(store.read(kOgg, QStringLiteral("UseCustom"), QStringLiteral("0")));
    settings.CustomPath = store.read(kOgg, QStringLiteral("CustomPath"), kDefaultCustomEncoder);
    settings.Jobs = std::max<qint16>(
        ToInteger(store.read(kOgg, QStringLiteral("Jobs"), QStringLiteral("0"))), 0);
    return settings;
}

void SaveOggSettings(SettingsStore &store, const QString &quality, const QString &minSize,
                     bool useCustom, const QString &customPath)
{
    store.write(kOgg, QStringLiteral("Quality"), quality);
    store.write(kOgg, QStringLiteral("MinSize"), minSize);
    store.write(kOgg, QStringLiteral("UseCustom"),
                useCustom ? QStringLiteral("1") : QStringLiteral("0"));
    store.write(kOgg, QStringLiteral("CustomPath"), customPath);
}

void SaveOggJobs(SettingsStore &store, int jobs)
{
    store.write(kOgg, QStringLiteral("Jobs"), QString::number(std::max(jobs, 0)));
}

double ProcessingSettings::offsetOf(const QString &category) const
{
    for (auto it = categoryOffsets.cbegin(); it != categoryOffsets.cend(); ++it) {
        if (it.key().compare(category, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return 0.0;
}

std::optional<QMap<QString, double>> ParseCategoryOffsets(const QString &text)
{
    QMap<QString, double> offsets;
    for (const QString &part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (part.trimmed().isEmpty())
            continue;
        const qsizetype equals = part.lastIndexOf(QLatin1Char('='));
        const QString category = part.left(equals).trimmed();
        bool ok = false;
        const double offset = part.mid(equals + 1).trimmed().toDouble(&ok);
        if (equals < 0 || category.isEmpty() || !ok || offset < -40.0 || offset > 40.0)
            return std::nullopt;
        offsets.insert(category, offset);
    }
    return offsets;
}

QString CategoryOffsetsText(const QMap<QString, double> &offsets)
{
    QStringList parts;
    for (auto it = offsets.cbegin(); it != offsets.cend(); ++it)
        parts << it.key() + QLatin1Char('=') + QString::number(it.value());
    return parts.join(QStringLiteral("; "));
}

ProcessingSettings LoadProcessingSettings(const SettingsStore &store)
{
    ProcessingSettings settings;
    settings.loudness = storedSwitch(store, QStringLiteral("Loudness"));
    settings.targetLufs =
        storedNumber(store, QStringLiteral("TargetLufs"), kDefaultTargetLufs, -70.0, 0.0);
    settings.ceilingDbtp =
        storedNumber(store, QStringLiteral("CeilingDbtp"), kDefaultCeilingDbtp, -40.0, 0.0);
    settings.categoryOffsets =
        ParseCategoryOffsets(store.read(kProcessing, QStringLiteral("CategoryOffsets"), QString()))
            .value_or(QMap<QString, double>());
    settings.trim = storedSwitch(store, QStringLiteral("Trim"));
    settings.trimThresholdDb =
        storedNumber(store, QStringLiteral("TrimThreshold"), kDefaultTrimThresholdDb, -120.0, 0.0);
    settings.trimPadMs =
        storedNumber(store, QStringLiteral("TrimPad"), kDefaultTrimPadMs, 0.0, 10000.0);
    settings.mono = storedSwitch(store, QStringLiteral("Mono"));
    const int rate = int(storedNumber(store, QStringLiteral("MaxRate"), 0.0, 0.0, 1e6));
    settings.maxRate = std::find(std::begin(kProcessingRates), std::end(kProcessingRates), rate) !=
                               std::end(kProcessingRates)
                           ? rate
                           : 0;
    return settings;
}

void SaveProcessingSettings(SettingsStore &store, const ProcessingSettings &settings)
{
    store.write(kProcessing, QStringLiteral("Loudness"), switchText(settings.loudness));
    store.write(kProcessing, QStringLiteral("TargetLufs"), QString::number(settings.targetLufs));
    store.write(kProcessing, QStringLiteral("CeilingDbtp"), QString::number(settings.ceilingDbtp));
    store.write(kProcessing, QStringLiteral("CategoryOffsets"),
                CategoryOffsetsText(settings.categoryOffsets));
    store.write(kProcessing, QStringLiteral("Trim"), switchText(settings.trim));
    store.write(kProcessing, QStringLiteral("TrimThreshold"),
                QString::number(settings.trimThresholdDb));
    store.write(kProcessing, QStringLiteral("TrimPad"), QString::number(settings.trimPadMs));
    store.write(kProcessing, QStringLiteral("Mono"), switchText(settings.mono));
    store.write(kProcessing, QStringLiteral("MaxRate"), QString::number(settings.maxRate));
}

QString DefaultGameFolder()
{
    return QDir::homePath() + QStringLiteral("/Sonquill/Compiled");
}

} // namespace sonquill
