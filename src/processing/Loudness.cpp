#include "Loudness.h"

#include "SoundFile.h"

#include <ebur128.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace sonquill {

LoudnessMeter::LoudnessMeter(int channels, int sampleRate) : m_channels(channels)
{
    if (channels <= 0 || sampleRate <= 0)
        return;
    m_state = ebur128_init(unsigned(channels), (unsigned long)sampleRate, EBUR128_MODE_I);
    // A whole factor of at least four that reaches 192 kHz, as the standard's meters oversample.
    const int factor = std::clamp((192000 + sampleRate - 1) / sampleRate, 4, 64);
    // Nearly the whole band: content close to the source's Nyquist frequency makes peaks too.
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    quality.passband_end = 0.98;
    soxr_error_t error = nullptr;
    m_resampler = soxr_create(sampleRate, double(sampleRate) * factor, unsigned(channels), &error,
                              nullptr, &quality, nullptr);
    if (error)
        m_resampler = nullptr;
    m_oversampled.resize(std::size_t(8192 * factor * channels));
}

LoudnessMeter::~LoudnessMeter()
{
    if (m_state) {
        ebur128_state *state = static_cast<ebur128_state *>(m_state);
        ebur128_destroy(&state);
    }
    if (m_resampler)
        soxr_delete(static_cast<soxr_t>(m_resampler));
}

void LoudnessMeter::oversample(const float *samples, qint64 frames)
{
    const std::size_t room = m_oversampled.size() / std::size_t(m_channels);
    // No samples: the resampler gives what it still holds.
    for (;;) {
        std::size_t used = 0, made = 0;
        if (soxr_process(static_cast<soxr_t>(m_resampler), samples, std::size_t(frames), &used,
                         m_oversampled.data(), room, &made))
            return;
        for (std::size_t i = 0; i < made * std::size_t(m_channels); ++i)
            m_peak = std::max(m_peak, std::fabs(m_oversampled[i]));
        if (samples) {
            samples += used * std::size_t(m_channels);
            frames -= qint64(used);
            if (frames <= 0 && made < room)
                return;
        } else if (made == 0) {
            return;
        }
    }
}

void LoudnessMeter::add(const float *samples, qint64 frames)
{
    if (!isValid() || frames <= 0)
        return;
    ebur128_add_frames_float(static_cast<ebur128_state *>(m_state), samples, std::size_t(frames));
    oversample(samples, frames);
}

Loudness LoudnessMeter::result()
{
    Loudness loudness;
    if (!isValid())
        return loudness;
    double integrated = 0;
    if (ebur128_loudness_global(static_cast<ebur128_state *>(m_state), &integrated) ==
        EBUR128_SUCCESS)
        loudness.integratedLufs = integrated;
    oversample(nullptr, 0);
    loudness.truePeakDbtp = DecibelsOf(m_peak);
    return loudness;
}

LoudnessFacts MeasureLoudness(const QString &path)
{
    LoudnessFacts facts;
    SoundReader reader(path);
    if (!reader.isOpen()) {
        facts.problem = reader.problem();
        return facts;
    }
    LoudnessMeter meter(reader.channels(), reader.sampleRate());
    if (!meter.isValid()) {
        facts.problem = QStringLiteral("its channels or sample rate cannot be measured");
        return facts;
    }
    constexpr qint64 kChunkFrames = 65536;
    std::vector<float> buffer(std::size_t(kChunkFrames * reader.channels()));
    for (;;) {
        const qint64 got = reader.read(buffer.data(), kChunkFrames);
        if (got < 0) {
            facts.problem = reader.problem();
            return facts;
        }
        if (got == 0)
            break;
        meter.add(buffer.data(), got);
    }
    facts.read = true;
    facts.loudness = meter.result();
    return facts;
}

} // namespace sonquill
