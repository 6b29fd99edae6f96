#include "SoundFacts.h"

#include "processing/SoundFile.h"

#include <QFileInfo>

#include "processing/AudioLibraries.h"

#include <cmath>

namespace sonquill {

namespace {

SoundFacts unreadable(const QString &problem)
{
    SoundFacts facts;
    facts.problem = problem;
    return facts;
}

QString notRegularProblem()
{
    return QStringLiteral("it is not a regular file (a pipe or a device)");
}

QString libraryName(int format)
{
    SF_FORMAT_INFO info{};
    info.format = format;
    if (lib::sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name)
        return QStringLiteral("unknown encoding %1").arg(format, 0, 16);
    return QString::fromUtf8(info.name);
}

QString encodingText(int subtype)
{
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return QStringLiteral("8-bit PCM");
    case SF_FORMAT_PCM_16:
        return QStringLiteral("16-bit PCM");
    case SF_FORMAT_PCM_24:
        return QStringLiteral("24-bit PCM");
    case SF_FORMAT_PCM_32:
        return QStringLiteral("32-bit PCM");
    case SF_FORMAT_FLOAT:
        return QStringLiteral("32-bit float");
    case SF_FORMAT_DOUBLE:
        return QStringLiteral("64-bit float");
    case SF_FORMAT_ULAW:
        return QStringLiteral("u-law");
    case SF_FORMAT_ALAW:
        return QStringLiteral("A-law");
    case SF_FORMAT_IMA_ADPCM:
        return QStringLiteral("IMA ADPCM");
    case SF_FORMAT_MS_ADPCM:
        return QStringLiteral("MS ADPCM");
    case SF_FORMAT_GSM610:
        return QStringLiteral("GSM 6.10");
    default:
        return libraryName(subtype);
    }
}

QString formatText(int major, int subtype)
{
    switch (major) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
        return QStringLiteral("WAV, ") + encodingText(subtype);
    case SF_FORMAT_MPEG:
        if (subtype == SF_FORMAT_MPEG_LAYER_I)
            return QStringLiteral("MP1");
        if (subtype == SF_FORMAT_MPEG_LAYER_II)
            return QStringLiteral("MP2");
        return QStringLiteral("MP3");
    case SF_FORMAT_OGG:
        if (subtype == SF_FORMAT_VORBIS)
            return QStringLiteral("Ogg Vorbis");
        if (subtype == SF_FORMAT_OPUS)
            return QStringLiteral("Ogg Opus");
        return QStringLiteral("Ogg, ") + encodingText(subtype);
    case SF_FORMAT_VOC:
        return QStringLiteral("VOC, ") + encodingText(subtype);
    default:
        return libraryName(major) + QStringLiteral(", ") + encodingText(subtype);
    }
}

SoundFacts factsOf(const SoundReader &sound)
{
    SoundFacts facts;
    facts.majorFormat = sound.format() & SF_FORMAT_TYPEMASK;
    facts.subtype = sound.format() & SF_FORMAT_SUBMASK;
    if (sound.sampleRate() <= 0 || sound.channels() <= 0)
        return unreadable(QStringLiteral("its header gives no sample rate or channels"));
    facts.readable = true;
    facts.format = formatText(facts.majorFormat, facts.subtype);
    facts.channels = sound.channels();
    facts.sampleRate = sound.sampleRate();
    // A stream of unknown length reports the largest count.
    if (sound.frames() >= 0 && sound.frames() < SF_COUNT_MAX)
        facts.seconds = double(sound.frames()) / sound.sampleRate();
    return facts;
}

} // namespace

SoundFacts ReadSoundFacts(const QString &path)
{
    if (path.isEmpty())
        return unreadable(QStringLiteral("no file is given"));
    const QFileInfo info(path);
    if (!info.exists())
        return unreadable(QStringLiteral("the file does not exist"));
    if (info.isDir())
        return unreadable(QStringLiteral("it is a folder, not a file"));
    if (!info.isFile())
        return unreadable(notRegularProblem());
    const SoundReader sound(path);
    return sound.isOpen() ? factsOf(sound) : unreadable(sound.problem());
}

SoundContainer ContainerOf(const SoundFacts &facts)
{
    if (!facts.readable)
        return SoundContainer::Unknown;
    switch (facts.majorFormat) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
        return SoundContainer::Wav;
    case SF_FORMAT_MPEG:
        return SoundContainer::Mp3;
    case SF_FORMAT_OGG:
        return facts.subtype == SF_FORMAT_VORBIS ? SoundContainer::OggVorbis
                                                 : SoundContainer::OggOther;
    case SF_FORMAT_VOC:
        return SoundContainer::Voc;
    default:
        return SoundContainer::Other;
    }
}

QString ExpectedExtension(const SoundFacts &facts)
{
    switch (ContainerOf(facts)) {
    case SoundContainer::Wav:
        return QStringLiteral("wav");
    case SoundContainer::Mp3:
        return QStringLiteral("mp3");
    case SoundContainer::OggVorbis:
        return QStringLiteral("ogg");
    case SoundContainer::Voc:
        return QStringLiteral("voc");
    default:
        return {};
    }
}

bool OggencReads(const SoundFacts &facts)
{
    // oggenc reads RIFF WAVE (plain or extensible), not RF64.
    if (!facts.readable ||
        (facts.majorFormat != SF_FORMAT_WAV && facts.majorFormat != SF_FORMAT_WAVEX))
        return false;
    switch (facts.subtype) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_FLOAT:
        return true;
    default:
        return false;
    }
}

QString LengthText(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return {};
    return QString::number(seconds, 'f', 1) + QStringLiteral(" s");
}

} // namespace sonquill
