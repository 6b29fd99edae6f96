#include "SoundProcessor.h"

#include "SoundFile.h"

#include <QFile>

#include "AudioLibraries.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace sonquill {

namespace {

// A sound's samples, interleaved.
struct Samples
{
    std::vector<float> data;
    int channels = 0;
    int sampleRate = 0;

    qint64 frames() const { return qint64(data.size()) / channels; }
};

int subtypeFor(int sourceFormat)
{
    switch (sourceFormat & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
        return SF_FORMAT_PCM_24;
    default:
        return SF_FORMAT_PCM_16;
    }
}

void downmix(Samples &sound)
{
    const qint64 frames = sound.frames();
    const int channels = sound.channels;
    for (qint64 frame = 0; frame < frames; ++frame) {
        const float *in = sound.data.data() + frame * channels;
        float sum = 0;
        for (int channel = 0; channel < channels; ++channel)
            sum += in[channel];
        sound.data[std::size_t(frame)] = sum / float(channels);
    }
    sound.data.resize(std::size_t(frames));
    sound.channels = 1;
}

// Keeps from a pad before the first sample at or above the threshold to a pad after the last.
void trim(Samples &sound, double thresholdDb, double padMs)
{
    const float threshold = float(AmplitudeOf(thresholdDb));
    const int channels = sound.channels;
    const auto loud = [&](qint64 frame) {
        const float *in = sound.data.data() + frame * channels;
        return std::any_of(in, in + channels,
                           [threshold](float x) { return std::fabs(x) >= threshold; });
    };
    const qint64 frames = sound.frames();
    qint64 first = 0;
    while (first < frames && !loud(first))
        ++first;
    if (first == frames)
        return; // silence throughout: nothing tells where the sound is
    qint64 last = frames - 1;
    while (!loud(last))
        --last;
    const qint64 pad = std::llround(padMs * sound.sampleRate / 1000.0);
    const qint64 begin = std::max<qint64>(0, first - pad);
    const qint64 end = std::min(frames, last + 1 + pad);
    sound.data.erase(sound.data.begin() + std::ptrdiff_t(end * channels), sound.data.end());
    sound.data.erase(sound.data.begin(), sound.data.begin() + std::ptrdiff_t(begin * channels));
}

QString resample(Samples &sound, int rate)
{
    const qint64 frames = sound.frames();
    const double ratio = double(rate) / sound.sampleRate;
    std::vector<float> out(std::size_t((std::ceil(double(frames) * ratio) + 16) * sound.channels));
    std::size_t made = 0;
    const soxr_quality_spec_t quality = lib::soxr_quality_spec(SOXR_HQ, 0);
    const soxr_error_t error = lib::soxr_oneshot(
        sound.sampleRate, rate, unsigned(sound.channels), sound.data.data(), std::size_t(frames),
        nullptr, out.data(), out.size() / std::size_t(sound.channels), &made, nullptr, &quality,
        nullptr);
    if (error)
        return QStringLiteral("it cannot be resampled: ") + QString::fromUtf8(error);
    out.resize(made * std::size_t(sound.channels));
    sound.data = std::move(out);
    sound.sampleRate = rate;
    return {};
}

double differenceShare(const Samples &sound)
{
    double power = 0, difference = 0;
    const std::size_t channels = std::size_t(sound.channels);
    for (std::size_t i = channels; i < sound.data.size(); ++i) {
        const double x = sound.data[i], step = x - sound.data[i - channels];
        power += x * x;
        difference += step * step;
    }
    return power > 0 ? difference / power : 0;
}

// The gain that brings the sound to the target, lowered so its true peak stays at the ceiling.
void normalise(Samples &sound, const ProcessingSteps &steps, ProcessedSound &result)
{
    LoudnessMeter meter(sound.channels, sound.sampleRate);
    meter.add(sound.data.data(), sound.frames());
    result.measured.integratedLufs = meter.integratedLufs();
    // The peak is needed precisely only where the gain could bring it to the ceiling.
    const double wanted = steps.targetLufs - result.measured.integratedLufs;
    result.measured.truePeakDbtp = meter.truePeakDbtp(
        [&sound](qint64 first, qint64 frames, float *out) {
            const float *from = sound.data.data() + first * sound.channels;
            std::copy(from, from + frames * sound.channels, out);
            return true;
        },
        steps.ceilingDbtp - (std::isfinite(wanted) ? wanted : 0.0));
    if (!result.measured.measurable())
        return;
    double gain = wanted;
    if (result.measured.truePeakDbtp + gain > steps.ceilingDbtp)
        gain = steps.ceilingDbtp - result.measured.truePeakDbtp;
    gain += steps.gainCorrectionDb;
    result.gainDb = gain;
    const float factor = float(AmplitudeOf(gain));
    for (float &sample : sound.data)
        sample *= factor;
}

} // namespace

ProcessedSound WriteProcessedWav(const QString &source, const QString &destination,
                                 const ProcessingSteps &steps)
{
    ProcessedSound result;
    const auto sourceFailure = [&result](const QString &problem) {
        result.problem = problem;
        result.sourceProblem = true;
        return result;
    };
    SoundReader reader(source);
    if (!reader.isOpen())
        return sourceFailure(reader.problem());
    if (reader.channels() <= 0 || reader.sampleRate() <= 0)
        return sourceFailure(QStringLiteral("its header gives no sample rate or channels"));

    Samples sound;
    sound.channels = reader.channels();
    sound.sampleRate = reader.sampleRate();
    constexpr qint64 kChunkFrames = 65536;
    sound.data.reserve(std::size_t(std::max<qint64>(reader.frames(), 0) * sound.channels));
    for (;;) {
        const std::size_t at = sound.data.size();
        sound.data.resize(at + std::size_t(kChunkFrames * sound.channels));
        const qint64 got = reader.read(sound.data.data() + at, kChunkFrames);
        if (got < 0)
            return sourceFailure(reader.problem());
        sound.data.resize(at + std::size_t(got * sound.channels));
        if (got == 0)
            break;
    }

    if (steps.mono && sound.channels > 1)
        downmix(sound);
    if (steps.trim)
        trim(sound, steps.trimThresholdDb, steps.trimPadMs);
    if (steps.sampleRate > 0 && steps.sampleRate < sound.sampleRate && sound.frames() > 0) {
        if (const QString problem = resample(sound, steps.sampleRate); !problem.isEmpty())
            return sourceFailure(problem);
    }
    if (steps.normalise) {
        normalise(sound, steps, result);
        result.differenceShare = differenceShare(sound);
    }

    WavWriter writer(destination, sound.channels, sound.sampleRate, subtypeFor(reader.format()));
    if (!writer.isOpen()) {
        result.problem = writer.problem();
        return result;
    }
    if (!writer.write(sound.data.data(), sound.frames()) || !writer.close()) {
        result.problem = writer.problem();
        QFile::remove(destination);
        return result;
    }
    result.channels = sound.channels;
    result.sampleRate = sound.sampleRate;
    result.frames = sound.frames();
    return result;
}

} // namespace sonquill
