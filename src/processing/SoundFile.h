#pragma once

#include <QString>

namespace sonquill {

// A sound file opened for reading with libsndfile, its samples as floats. Anything that is not
// a regular file (pipe, device) is refused without blocking.
class SoundReader
{
public:
    explicit SoundReader(const QString &path);
    ~SoundReader();
    SoundReader(const SoundReader &) = delete;
    SoundReader &operator=(const SoundReader &) = delete;

    bool isOpen() const { return m_sound != nullptr; }
    // Why the file could not be opened or read; empty when it could.
    QString problem() const { return m_problem; }
    int channels() const { return m_channels; }
    int sampleRate() const { return m_sampleRate; }
    int format() const { return m_format; } // libsndfile's SF_FORMAT_* bits
    qint64 frames() const { return m_frames; }

    // Reads up to frames frames, interleaved, full scale at 1.0: the frames read, 0 at the end,
    // -1 on a read error (problem() then says which).
    qint64 read(float *out, qint64 frames);
    // Goes to frame first for the next read; false when the file cannot.
    bool seek(qint64 first);

private:
    void *m_sound = nullptr; // SNDFILE
    int m_descriptor = -1;
    QString m_problem;
    int m_channels = 0;
    int m_sampleRate = 0;
    int m_format = 0;
    qint64 m_frames = 0;
};

// A new PCM WAV file written with libsndfile from floats; samples beyond full scale are clipped,
// never wrapped. An existing file of that name is never opened.
class WavWriter
{
public:
    // subtype: libsndfile's SF_FORMAT_PCM_16 or SF_FORMAT_PCM_24.
    WavWriter(const QString &path, int channels, int sampleRate, int subtype);
    ~WavWriter();
    WavWriter(const WavWriter &) = delete;
    WavWriter &operator=(const WavWriter &) = delete;

    bool isOpen() const { return m_sound != nullptr; }
    QString problem() const { return m_problem; }
    bool write(const float *samples, qint64 frames);
    // Completes the file; false (problem() says why) when it could not be.
    bool close();

private:
    void *m_sound = nullptr;
    QString m_problem;
};

} // namespace sonquill
