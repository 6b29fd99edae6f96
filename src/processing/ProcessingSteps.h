#pragma once

#include "storage/Settings.h"

#include <QString>

namespace sonquill {

// What is done to one sound's samples before it is written into the game folder: only the steps
// that change this sound (mono only for several channels, a rate only when the source's is
// higher), so that changing an option remakes exactly the sounds it affects.
struct ProcessingSteps
{
    bool normalise = false;
    double targetLufs = kDefaultTargetLufs; // the category's offset included
    double ceilingDbtp = kDefaultCeilingDbtp;
    bool trim = false;
    double trimThresholdDb = kDefaultTrimThresholdDb;
    double trimPadMs = kDefaultTrimPadMs;
    bool mono = false;
    int sampleRate = 0; // resampled to this rate; 0: the source's
    // Added to the loudness gain, whatever the target and ceiling ask: a run corrects by it what
    // an encoder changed. Not one of the parameters the record keeps.
    double gainCorrectionDb = 0;

    bool any() const { return normalise || trim || mono || sampleRate > 0; }
    // The steps and their parameters, as the record of made files keeps them:
    // "loudness -18 LUFS, ceiling -1 dBTP; trim below -60 dBFS, pad 10 ms; mono; 22050 Hz".
    QString text() const;
};

// The steps for a sound of this category, channel count and rate (0 when unknown: then nothing
// is done, since nothing can be decoded).
ProcessingSteps StepsFor(const ProcessingSettings &settings, const QString &category, int channels,
                         int sampleRate);

} // namespace sonquill
