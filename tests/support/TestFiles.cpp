#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <cmath>

namespace sonquill::test {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

namespace {
void appendLe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}
void appendLe16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}
} // namespace

QByteArray makeWav(qint64 totalBytes, int sampleRate)
{
    totalBytes = std::max<qint64>(totalBytes, 44);
    const qint64 dataBytes = totalBytes - 44;
    QByteArray out;
    out.reserve(int(totalBytes));
    out.append("RIFF");
    appendLe32(out, quint32(totalBytes - 8));
    out.append("WAVEfmt ");
    appendLe32(out, 16);
    appendLe16(out, 1); // PCM
    appendLe16(out, 1); // mono
    appendLe32(out, quint32(sampleRate));
    appendLe32(out, quint32(sampleRate * 2));
    appendLe16(out, 2);
    appendLe16(out, 16);
    out.append("data");
    appendLe32(out, quint32(dataBytes));
    for (qint64 i = 0; i + 1 < dataBytes; i += 2) {
        const double t = double(i / 2) / sampleRate;
        appendLe16(out, quint16(qint16(8000 * std::sin(2 * M_PI * 440 * t))));
    }
    if (dataBytes % 2)
        out.append('\0');
    return out;
}

int runTool(const QString &program, const QStringList &arguments, QByteArray *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return -1;
    process.waitForFinished(120000);
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace sonquill::test
