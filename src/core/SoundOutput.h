#pragma once

#include <QString>

/// Plays one sound file at a time in the background.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;
    /// Stops the sound still playing, then starts path in the background; returns an error text when
    /// the file cannot be played, else empty.
    virtual QString play(const QString& path) = 0;
    virtual void stop() = 0;
};
