#pragma once

#include <QByteArray>

// The 44 bytes that begin a 16-bit mono PCM WAV file of 22050 Hz holding totalBytes in all.
inline QByteArray wavHeader(int totalBytes)
{
    QByteArray out;
    const auto append = [&out](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.append(char((value >> (8 * i)) & 0xFF));
    };
    out.append("RIFF");
    append(quint32(totalBytes - 8), 4);
    out.append("WAVEfmt ");
    append(16, 4);
    append(1, 2); // PCM
    append(1, 2); // mono
    append(22050, 4);
    append(44100, 4);
    append(2, 2);
    append(16, 2);
    out.append("data");
    append(quint32(totalBytes - 44), 4);
    return out;
}
