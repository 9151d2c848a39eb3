#pragma once

#include "core/SoundOutput.h"

#include <QObject>

class QAudioOutput;
class QMediaPlayer;

/// Plays WAVE files through Qt Multimedia (GStreamer), one at a time, without waiting for the end.
/// A file is checked before it is handed over, so that "cannot play" is known when play returns.
/// With no audio device or audio server the sound is silently lost.
class QtSoundOutput final : public QObject, public SoundOutput
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtSoundOutput)

public:
    explicit QtSoundOutput(QObject* parent = nullptr);
    ~QtSoundOutput() override;

    QString play(const QString& path) override;
    void stop() override;

    /// True while a sound handed to the player has not ended or been stopped.
    bool isPlaying() const;

private:
    void ensurePlayer();
    void releasePlayer();

    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
};
