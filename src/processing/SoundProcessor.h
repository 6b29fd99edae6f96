#pragma once

#include "Loudness.h"
#include "ProcessingSteps.h"

#include <QString>

#include <limits>

namespace sonquill {

// What came of writing one sound as a PCM WAV.
struct ProcessedSound
{
    QString problem;            // why no file was written; empty when it was
    bool sourceProblem = false; // the problem is the source's, not the written file's
    Loudness measured;          // of the processed samples before the gain; normalise only
    double gainDb = std::numeric_limits<double>::quiet_NaN(); // applied; NaN when none was
    // The power of the sample-to-sample differences over the power of the samples: near 2 for
    // white noise, a third for pink noise, hundredths for low tones. High for what a lossy
    // encoder's psychoacoustics and low-pass filter change the loudness of.
    double differenceShare = 0;
    int channels = 0; // as written
    int sampleRate = 0;
    qint64 frames = 0;
};

// Decodes source (any format libsndfile reads), applies the steps in the order mono, trim,
// resampling, loudness, and writes the result as a new PCM WAV at destination: 24-bit when the
// source has more than 16 bits, 16-bit otherwise. The source is only read. A sound too short or
// too quiet to measure keeps its level; one that is silence throughout keeps its length.
ProcessedSound WriteProcessedWav(const QString &source, const QString &destination,
                                 const ProcessingSteps &steps);

} // namespace sonquill
