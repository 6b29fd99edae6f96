#pragma once

#include <QString>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

namespace sonquill {

// Integrated loudness after ITU-R BS.1770 / EBU R128, measured with libebur128, and the true
// peak. The true peak is read in two passes: a quick fourfold interpolation of every sample,
// which may read up to about a dB low for content close to the Nyquist frequency, then, where
// that comes within a dB of the level that matters (a ceiling, full scale), the stretches near
// the peak oversampled precisely to at least 192 kHz with libsoxr. (libebur128's own true peak
// reads noisy sounds some tenths of a dB low, and is several times slower.)
struct Loudness
{
    // LUFS; -infinity when the sound is too short (under 400 ms) or too quiet to measure.
    double integratedLufs = -std::numeric_limits<double>::infinity();
    double truePeakDbtp = -std::numeric_limits<double>::infinity(); // the loudest channel's

    bool measurable() const { return std::isfinite(integratedLufs); }
};

// Measures interleaved float samples given in pieces.
class LoudnessMeter
{
public:
    // Without truePeak only the loudness is measured (its peak reads as -infinity).
    LoudnessMeter(int channels, int sampleRate, bool truePeak = true);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter &) = delete;
    LoudnessMeter &operator=(const LoudnessMeter &) = delete;

    bool isValid() const { return m_state != nullptr; }
    void add(const float *samples, qint64 frames);
    // After the last samples.
    double integratedLufs() const;
    // Fills out with frames frames from first on; false when they cannot be had.
    using ReadBack = std::function<bool(qint64 first, qint64 frames, float *out)>;
    // Precise when the quick pass comes within a dB of levelDbtp; the quick pass's otherwise,
    // and where the samples cannot be read back.
    double truePeakDbtp(const ReadBack &readBack, double levelDbtp);

private:
    void interpolate(const float *samples, qint64 frames); // nullptr: silence

    void *m_state = nullptr; // ebur128_state
    int m_channels = 0;
    int m_sampleRate = 0;
    bool m_truePeak = true;
    bool m_flushed = false;
    qint64 m_frames = 0;
    std::vector<float> m_history;    // the last samples of each channel, for the interpolation
    std::vector<float> m_blockPeaks; // the quick pass's peak of each block of frames
};

// The loudness of a sound file as a fact about it: read once, decoded in pieces; its true peak
// precise near levelDbtp, or not measured without one.
struct LoudnessFacts
{
    bool read = false; // false: the file could not be decoded (problem says why)
    Loudness loudness;
    QString problem;
};

LoudnessFacts MeasureLoudness(const QString &path, std::optional<double> levelDbtp = 0.0);

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
