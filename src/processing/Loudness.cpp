#include "Loudness.h"

#include "SoundFile.h"

#include "AudioLibraries.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace sonquill {

namespace {

// The quick pass: a fourfold interpolation by a 48-tap windowed sinc whose phase 0 is the
// samples themselves, so it never reads below the sample peak.
constexpr int kPhases = 4;
constexpr int kTaps = 12; // per phase
constexpr qint64 kBlockFrames = 1024;
// A stretch whose quick peak comes within this of the loudest is measured precisely.
constexpr double kQuickPassErrorDb = 1.0;
// Frames on either side of a stretch measured precisely, for the resampler's filter.
constexpr qint64 kPadFrames = 256;

using Interpolator = std::array<std::array<float, kTaps>, kPhases>;

double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 32; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

const Interpolator &interpolator()
{
    static const Interpolator filter = [] {
        constexpr int kLength = kPhases * kTaps;
        constexpr double kBeta = 5.0; // Kaiser window
        constexpr double kCentre = kLength / 2;
        Interpolator phases{};
        for (int n = 0; n < kLength; ++n) {
            const double t = (n - kCentre) / kPhases;
            const double sinc = t == 0 ? 1.0 : std::sin(M_PI * t) / (M_PI * t);
            const double r = (n - kCentre) / kCentre;
            const double window =
                besselI0(kBeta * std::sqrt(std::max(0.0, 1 - r * r))) / besselI0(kBeta);
            phases[std::size_t(n % kPhases)][std::size_t(n / kPhases)] = float(sinc * window);
        }
        return phases;
    }();
    return filter;
}

// The precise pass: the stretch oversampled with libsoxr to at least 192 kHz, nearly the whole
// band kept (content close to the Nyquist frequency makes peaks too); the peak of its middle.
float precisePeak(const float *channelSamples, qint64 frames, qint64 skip, qint64 length,
                  int sampleRate)
{
    const int factor = std::clamp((192000 + sampleRate - 1) / sampleRate, 4, 64);
    soxr_quality_spec_t quality = lib::soxr_quality_spec(SOXR_HQ, 0);
    quality.passband_end = 0.98;
    std::vector<float> out(std::size_t(frames * factor + 64));
    std::size_t made = 0;
    if (lib::soxr_oneshot(sampleRate, double(sampleRate) * factor, 1, channelSamples,
                          std::size_t(frames), nullptr, out.data(), out.size(), &made, nullptr,
                          &quality, nullptr))
        return -1;
    const std::size_t from = std::size_t(skip * factor);
    const std::size_t to = std::min(made, std::size_t((skip + length) * factor));
    float peak = 0;
    for (std::size_t i = from; i < to; ++i)
        peak = std::max(peak, std::fabs(out[i]));
    return peak;
}

// The peak of count samples from x and of their interpolations between them; x has the
// kTaps - 1 samples before it too. The machine's widest vectors where it has them: this is a
// third of the work of measuring a sound, and the sums come out the same either way. (Not
// under ThreadSanitizer, whose runtime is not ready when the loader picks the version.)
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx2", "default")))
#endif
float interpolatedPeak(const float *x, std::size_t count, const Interpolator &filter, float *sum)
{
    float peak = 0;
    // Phase 0 is the samples themselves, delayed by half the filter.
    const float *delayed = x - kTaps / 2;
    for (std::size_t i = 0; i < count; ++i)
        peak = std::max(peak, std::fabs(delayed[i]));
    for (int phase = 1; phase < kPhases; ++phase) {
        std::fill(sum, sum + count, 0.0f);
        for (int tap = 0; tap < kTaps; ++tap) {
            const float c = filter[std::size_t(phase)][std::size_t(tap)];
            const float *from = x - tap;
            for (std::size_t i = 0; i < count; ++i)
                sum[i] += c * from[i];
        }
        for (std::size_t i = 0; i < count; ++i)
            peak = std::max(peak, std::fabs(sum[i]));
    }
    return peak;
}

} // namespace

LoudnessMeter::LoudnessMeter(int channels, int sampleRate, bool truePeak)
    : m_channels(channels), m_sampleRate(sampleRate), m_truePeak(truePeak)
{
    if (channels <= 0 || sampleRate <= 0)
        return;
    m_state = lib::ebur128_init(unsigned(channels), (unsigned long)sampleRate, EBUR128_MODE_I);
    m_history.assign(std::size_t(channels * (kTaps - 1)), 0.0f);
}

LoudnessMeter::~LoudnessMeter()
{
    if (m_state) {
        ebur128_state *state = static_cast<ebur128_state *>(m_state);
        lib::ebur128_destroy(&state);
    }
}

void LoudnessMeter::add(const float *samples, qint64 frames)
{
    if (!isValid() || frames <= 0)
        return;
    lib::ebur128_add_frames_float(static_cast<ebur128_state *>(m_state), samples,
                                  std::size_t(frames));
    if (m_truePeak)
        interpolate(samples, frames);
    m_frames += frames;
}

void LoudnessMeter::interpolate(const float *samples, qint64 frames)
{
    // Each channel in a row of its own, after the samples that came before, so the loops below
    // run over contiguous memory, one block at a time so they stay in the cache.
    const Interpolator &filter = interpolator();
    const std::size_t history = kTaps - 1;
    const qint64 lastBlock = (m_frames + frames - 1) / kBlockFrames;
    if (m_blockPeaks.size() < std::size_t(lastBlock + 1))
        m_blockPeaks.resize(std::size_t(lastBlock + 1), 0.0f);
    std::vector<float> row(history + std::size_t(frames));
    std::array<float, kBlockFrames> sum;
    for (int channel = 0; channel < m_channels; ++channel) {
        float *past = m_history.data() + std::size_t(channel) * history;
        std::copy(past, past + history, row.begin());
        for (qint64 i = 0; i < frames; ++i)
            row[history + std::size_t(i)] = samples ? samples[i * m_channels + channel] : 0.0f;
        std::copy(row.end() - std::ptrdiff_t(history), row.end(), past);
        // The interpolation lags by half its length: a peak is counted in the block it fell in,
        // or the next, and the precise pass looks at the neighbours too.
        for (qint64 begin = 0; begin < frames;) {
            const qint64 block = (m_frames + begin) / kBlockFrames;
            const qint64 end = std::min(frames, (block + 1) * kBlockFrames - m_frames);
            const std::size_t count = std::size_t(end - begin);
            m_blockPeaks[std::size_t(block)] =
                std::max(m_blockPeaks[std::size_t(block)],
                         interpolatedPeak(row.data() + history + std::size_t(begin), count, filter,
                                          sum.data()));
            begin = end;
        }
    }
}

double LoudnessMeter::integratedLufs() const
{
    double integrated = 0;
    if (isValid() && lib::ebur128_loudness_global(static_cast<ebur128_state *>(m_state),
                                                  &integrated) == EBUR128_SUCCESS)
        return integrated;
    return -std::numeric_limits<double>::infinity();
}

double LoudnessMeter::truePeakDbtp(const ReadBack &readBack, double levelDbtp)
{
    if (m_blockPeaks.empty())
        return -std::numeric_limits<double>::infinity();
    // The last samples through the interpolation too, counted in the last block.
    if (!m_flushed) {
        m_flushed = true;
        const qint64 back = std::min<qint64>(kTaps, m_frames);
        m_frames -= back;
        interpolate(nullptr, back);
        m_frames += back;
    }
    const float quickPeak = *std::max_element(m_blockPeaks.begin(), m_blockPeaks.end());
    if (quickPeak == 0 || DecibelsOf(quickPeak) + kQuickPassErrorDb < levelDbtp)
        return DecibelsOf(quickPeak);
    const float threshold = quickPeak * float(AmplitudeOf(-kQuickPassErrorDb));
    float peak = 0;
    std::vector<float> stretch, channelRow;
    for (std::size_t block = 0; block < m_blockPeaks.size(); ++block) {
        if (m_blockPeaks[block] < threshold) {
            peak = std::max(peak, m_blockPeaks[block]);
            continue;
        }
        // The block before and after as well, for the quick pass's lag; and a pad around them
        // for the resampler's filter.
        const qint64 first = qint64(block) * kBlockFrames - kBlockFrames;
        const qint64 start = std::max<qint64>(0, first - kPadFrames);
        const qint64 end = std::min(m_frames, first + 3 * kBlockFrames + kPadFrames);
        stretch.resize(std::size_t((end - start) * m_channels));
        if (!readBack || !readBack(start, end - start, stretch.data())) {
            peak = std::max(peak, m_blockPeaks[block]);
            continue;
        }
        const qint64 skip = std::max<qint64>(first, 0) - start;
        const qint64 length = std::min(end, first + 3 * kBlockFrames) - (start + skip);
        channelRow.resize(std::size_t(end - start));
        for (int channel = 0; channel < m_channels; ++channel) {
            for (qint64 i = 0; i < end - start; ++i)
                channelRow[std::size_t(i)] = stretch[std::size_t(i * m_channels + channel)];
            const float precise =
                precisePeak(channelRow.data(), end - start, skip, length, m_sampleRate);
            peak = std::max(peak, precise < 0 ? m_blockPeaks[block] : precise);
        }
    }
    return DecibelsOf(peak);
}

LoudnessFacts MeasureLoudness(const QString &path, std::optional<double> levelDbtp)
{
    LoudnessFacts facts;
    SoundReader reader(path);
    if (!reader.isOpen()) {
        facts.problem = reader.problem();
        return facts;
    }
    LoudnessMeter meter(reader.channels(), reader.sampleRate(), levelDbtp.has_value());
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
    facts.loudness.integratedLufs = meter.integratedLufs();
    if (levelDbtp) {
        facts.loudness.truePeakDbtp = meter.truePeakDbtp(
            [&reader](qint64 first, qint64 frames, float *out) {
                return reader.seek(first) && reader.read(out, frames) == frames;
            },
            *levelDbtp);
    }
    return facts;
}

} // namespace sonquill
