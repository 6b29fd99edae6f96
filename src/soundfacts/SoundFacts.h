#pragma once

#include <QString>

namespace sonquill {

// What a sound file holds, read from its header: never stored in the catalogue file.
struct SoundFacts
{
    bool readable = false;
    QString format;      // "WAV, 16-bit PCM", "MP3", "Ogg Vorbis", ...; empty when unreadable
    double seconds = -1; // -1 when unreadable
    int channels = 0;
    int sampleRate = 0;
    int majorFormat = 0; // libsndfile's SF_FORMAT_TYPEMASK part
    int subtype = 0;     // libsndfile's SF_FORMAT_SUBMASK part
    QString problem;     // why it is unreadable; empty when readable

    friend bool operator==(const SoundFacts &, const SoundFacts &) = default;
};

// The containers the game plays, each by its own extension.
enum class SoundContainer { Unknown, Wav, Mp3, OggVorbis, OggOther, Voc, Other };

// Reads the header of the sound at path without decoding it. Anything that is not a regular
// file (pipe, device, folder) is never opened, since opening it could block for good.
SoundFacts ReadSoundFacts(const QString &path);

SoundContainer ContainerOf(const SoundFacts &facts);
// The extension ("wav", "mp3", "ogg", "voc") the game expects for this content; empty when
// the game plays it under none.
QString ExpectedExtension(const SoundFacts &facts);
// True for the WAV encodings oggenc reads: 8, 16 and 24-bit PCM and 32-bit float.
bool OggencReads(const SoundFacts &facts);

// The grid's length text with one decimal, "2.4 s"; empty for an unknown length.
QString LengthText(double seconds);
inline QString LengthText(const SoundFacts &facts)
{
    return facts.readable ? LengthText(facts.seconds) : QString();
}

} // namespace sonquill
