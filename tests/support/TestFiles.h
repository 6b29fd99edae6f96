#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtNumeric>

#include <functional>

namespace sonquill::test {

// Writes bytes to path, creating folders; false on error.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// A valid 16-bit mono PCM WAV file of exactly totalBytes bytes (at least 44), holding a tone.
QByteArray makeWav(qint64 totalBytes, int sampleRate = 22050);

// Runs a program to completion (sox and friends): its exit code, -1 if it did not start or crashed.
int runTool(const QString &program, const QStringList &arguments, QByteArray *output = nullptr);

// A sound file as tools independent of Sonquill measure it: ffmpeg's ebur128 filter (integrated
// loudness, true peak, one decimal each) and ffprobe (channels, rate, length). NaN where the tool
// gave no answer.
struct Measured
{
    double lufs = qQNaN();
    double truePeak = qQNaN();
    int channels = 0;
    int sampleRate = 0;
    double seconds = qQNaN();
};
Measured measure(const QString &path);

// What a forked child's work answered; failure says why it did not finish (empty: it did).
struct ChildResult
{
    QStringList answer;
    QString failure;
};

// Runs work in a forked child that SIGALRM ends after `seconds`, so a hang fails the test
// instead of blocking it. The child's address space is capped, so an endless read fails it too.
// With fileSizeLimit >= 0 writes past that size fail with EFBIG (SIGXFSZ ignored): a full disk.
ChildResult runInChild(const std::function<QStringList()> &work, qint64 fileSizeLimit = -1,
                       unsigned seconds = 10);

} // namespace sonquill::test
