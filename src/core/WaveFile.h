#pragma once

#include <QString>
#include <QtGlobal>

class QIODevice;

/// What the header of a RIFF/WAVE file says.
struct WaveFormat
{
    quint16 formatTag = 0; ///< 1 PCM, 3 IEEE float, 6 A-law, 7 mu-law (the sub-format of an extensible file)
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint16 bitsPerSample = 0;
    quint16 blockAlign = 0;
    quint32 dataBytes = 0; ///< as the data chunk declares it
};

enum class WaveCheck {
    Playable,
    NotWave,     ///< not a RIFF/WAVE file at all
    Damaged,     ///< cut short, no format or data chunk, or no sound in it
    Unsupported, ///< a WAVE file in a coding or layout the player does not decode
};

/// Reads the chunks of a WAVE file from the device's current position up to its data chunk and says
/// whether the player can play it: PCM of 8, 16, 24 or 32 bits, IEEE float of 32 or 64 bits, A-law or
/// mu-law; 1 to 8 channels; 1000 to 384000 frames a second; at least one whole frame of sound.
WaveCheck InspectWave(QIODevice& device, WaveFormat* format = nullptr);

/// Why the file at path cannot be played, as a sentence naming the file; empty when it can be played.
QString WaveFileProblem(const QString& path);
