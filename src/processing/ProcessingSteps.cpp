#include "ProcessingSteps.h"

#include <QStringList>

namespace sonquill {

QString ProcessingSteps::text() const
{
    QStringList parts;
    if (normalise) {
        parts << QStringLiteral("loudness %1 LUFS, ceiling %2 dBTP")
                     .arg(QString::number(targetLufs), QString::number(ceilingDbtp));
    }
    if (trim) {
        parts << QStringLiteral("trim below %1 dBFS, pad %2 ms")
                     .arg(QString::number(trimThresholdDb), QString::number(trimPadMs));
    }
    if (mono)
        parts << QStringLiteral("mono");
    if (sampleRate > 0)
        parts << QStringLiteral("%1 Hz").arg(sampleRate);
    return parts.join(QStringLiteral("; "));
}

ProcessingSteps StepsFor(const ProcessingSettings &settings, const QString &category, int channels,
                         int sampleRate)
{
    ProcessingSteps steps;
    if (channels <= 0 || sampleRate <= 0)
        return steps;
    steps.normalise = settings.loudness;
    steps.targetLufs = settings.targetLufs + settings.offsetOf(category);
    steps.ceilingDbtp = settings.ceilingDbtp;
    steps.trim = settings.trim;
    steps.trimThresholdDb = settings.trimThresholdDb;
    steps.trimPadMs = settings.trimPadMs;
    steps.mono = settings.mono && channels > 1;
    if (settings.maxRate > 0 && sampleRate > settings.maxRate)
        steps.sampleRate = settings.maxRate;
    return steps;
}

} // namespace sonquill
