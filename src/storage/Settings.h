#pragma once

#include <QMap>
#include <QString>

#include <memory>
#include <optional>

class QSettings;

namespace sonquill {

// The encoder's quality scale.
inline constexpr qint16 kLowestQuality = 0;
inline constexpr qint16 kHighestQuality = 10;

// The custom encoder command line offered until the user types one: %1 the source, %2 the
// destination.
inline const QString kDefaultCustomEncoder = QStringLiteral("c:\\MyEncoder.exe %1 %2");

// The encoder settings held in memory; numbers are the stored texts read with ToInteger.
struct OggSettings
{
    qint16 Quality = 3;
    qint16 MinSize = 4;
    qint16 UseCustom = 0;
    QString CustomPath = kDefaultCustomEncoder;
    qint16 Jobs = 0; // encoders run at once; 0: one per processor core
};

// The rates a sound may be limited to, and the defaults of what is done to a sound's samples
// before it goes into the game folder.
inline constexpr int kProcessingRates[] = {22050, 32000, 44100, 48000};
inline constexpr double kDefaultTargetLufs = -18.0;
inline constexpr double kDefaultCeilingDbtp = -1.0;
inline constexpr double kDefaultTrimThresholdDb = -60.0;
inline constexpr double kDefaultTrimPadMs = 10.0;

// What is done to the samples of every sound written from PCM (section "Processing"); all off
// by default, so that a catalogue distributes exactly as it did before they existed.
struct ProcessingSettings
{
    bool loudness = false;
    double targetLufs = kDefaultTargetLufs;   // integrated loudness, ITU-R BS.1770
    double ceilingDbtp = kDefaultCeilingDbtp; // the true peak the gain never exceeds
    QMap<QString, double> categoryOffsets;    // LU added to the target, by category
    bool trim = false;
    double trimThresholdDb = kDefaultTrimThresholdDb; // silence is below this, in dBFS
    double trimPadMs = kDefaultTrimPadMs;             // kept before and after the sound
    bool mono = false;
    int maxRate = 0; // resampled down to this rate when above it; 0: any rate

    bool any() const { return loudness || trim || mono || maxRate > 0; }
    // The offset of a category (compared without regard to letter case), 0 when none is set.
    double offsetOf(const QString &category) const;
    friend bool operator==(const ProcessingSettings &, const ProcessingSettings &) = default;
};

// "Ambience=-8; Music=-3" as offsets by category; nothing when a part is not "<category>=<LU>"
// with an offset from -40 to 40 LU.
std::optional<QMap<QString, double>> ParseCategoryOffsets(const QString &text);
QString CategoryOffsetsText(const QMap<QString, double> &offsets);

// The per-user settings store: application Sonquill, sections "Data" and "Ogg", every value
// text. Each write is synced at once.
class SettingsStore
{
public:
    // The user's store: <config folder>/Sonquill/Sonquill.conf.
    SettingsStore();
    // A store kept in the given INI file (tests).
    explicit SettingsStore(const QString &iniPath);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString read(const QString &section, const QString &key, const QString &defaultValue) const;
    void write(const QString &section, const QString &key, const QString &value);
    QString filePath() const;

    // "Data"/"LastGameDir" and "Data"/"LastSourceDir", empty when absent.
    QString lastGameDir() const;
    void setLastGameDir(const QString &folder);
    QString lastSourceDir() const;
    void setLastSourceDir(const QString &folder);
    // "Ogg"/"OggUse" read with ToInteger (default 0); written as "1" or "0".
    qint16 oggUse() const;
    void setOggUse(bool checked);
    // "Data"/"KeepUpToDate": the window updates the game folder after each save and each change
    // of a source. Written as "1" or "0"; absent is off.
    bool keepUpToDate() const;
    void setKeepUpToDate(bool on);

private:
    std::unique_ptr<QSettings> m_settings;
};

// Reads "Quality", "MinSize", "UseCustom", "CustomPath" and "Jobs" with their defaults.
OggSettings LoadOggSettings(const SettingsStore &store);
// Writes the four keys, in that order, from the texts the options dialog holds.
void SaveOggSettings(SettingsStore &store, const QString &quality, const QString &minSize,
                     bool useCustom, const QString &customPath);
// Writes "Jobs", the number of encoders run at once (0: one per processor core).
void SaveOggJobs(SettingsStore &store, int jobs);

// Reads section "Processing"; a value that is not a number, or out of its range, is the default.
ProcessingSettings LoadProcessingSettings(const SettingsStore &store);
void SaveProcessingSettings(SettingsStore &store, const ProcessingSettings &settings);

// The compiled-in default game folder: <home>/Sonquill/Compiled.
QString DefaultGameFolder();

} // namespace sonquill
