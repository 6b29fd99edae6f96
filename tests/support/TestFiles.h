#pragma once

#include <QByteArray>
#include <QString>

namespace sonquill::test {

// Writes bytes to path, creating folders; fails the calling test through QVERIFY on error.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// A valid 16-bit mono PCM WAV file of exactly totalBytes bytes (at least 44), holding a tone.
QByteArray makeWav(qint64 totalBytes, int sampleRate = 22050);

// Runs a program to completion (for sox and friends); returns its exit code, -1 if it could not
// start.
int runTool(const QString &program, const QStringList &arguments, QByteArray *output = nullptr);

} // namespace sonquill::test
