#include "Settings.h"

#include "catalogue/NumberReader.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace sonquill {

namespace {

const QString kData = QStringLiteral("Data");
const QString kOgg = QStringLiteral("Ogg");

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

QString DefaultGameFolder()
{
    return QDir::homePath() + QStringLiteral("/Sonquill/Compiled");
}

} // namespace sonquill
