#pragma once

#include <QString>

#include <cmath>
#include <limits>
#include <vector>

namespace sonquill {

// Integrated loudness after ITU-R BS.1770 / EBU R128, measured with libebur128, and the true
// peak, the peak of the signal oversampled to at least 192 kHz with libsoxr (libebur128's own
// fourfold interpolation reads noisy sounds up to some tenths of a dB low, and a ceiling must
// hold).
struct Loudness
{
    // LUFS; -infinity when the sound is too short (under 400 ms) or too quiet to measure.
    double integratedLufs = -std::numeric_limits<double>::infinity();
    double truePeakDbtp = -std::numeric_limits<double>::infinity(); // the loudest channel's

    bool measurable() const { return std::isfinite(integratedLufs); }
};

// Feeds interleaved float samples to both meters for one channel layout and rate.
class LoudnessMeter
{
public:
    LoudnessMeter(int channels, int sampleRate);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter &) = delete;
    LoudnessMeter &operator=(const LoudnessMeter &) = delete;

    bool isValid() const { return m_state != nullptr && m_resampler != nullptr; }
    void add(const float *samples, qint64 frames);
    // Once, after the last samples.
    Loudness result();

private:
    void oversample(const float *samples, qint64 frames);

    void *m_state = nullptr;     // ebur128_state
    void *m_resampler = nullptr; // soxr_t
    int m_channels = 0;
    float m_peak = 0;
    std::vector<float> m_oversampled;
};

// The loudness of a sound file as a fact about it: read once, decoded in pieces.
struct LoudnessFacts
{
    bool read = false; // false: the file could not be decoded (problem says why)
    Loudness loudness;
    QString problem;
};

LoudnessFacts MeasureLoudness(const QString &path);

// dB of a linear amplitude, and back.
inline double DecibelsOf(double amplitude)
{
    return 20.0 * std::log10(amplitude);
}
inline double AmplitudeOf(double decibels)
{
    return std::pow(10.0, decibels / 20.0);
}

} // namespace sonquill
