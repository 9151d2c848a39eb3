#include "QtSoundOutput.h"

#include "core/WaveFile.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

// The media framework starts at the first sound: started at once it would hold some ten megabytes
// and a thread for the whole run of a program that mostly waits.
QtSoundOutput::QtSoundOutput(QObject* parent) : QObject(parent) {}

QtSoundOutput::~QtSoundOutput()
{
    stop();
}

void QtSoundOutput::ensurePlayer()
{
    if (m_player) {
        return;
    }
    // QMediaPlayer rather than QSoundEffect: GStreamer connects to the audio server for each sound,
    // so sounds play once the server is up even when it was not running at our start (an autostart
    // at login); QSoundEffect stays silent for the rest of the run in that case.
    m_player = new QMediaPlayer(this);
    m_audio = new QAudioOutput(this);
    m_player->setAudioOutput(m_audio);
    // A finished sound leaves the pipeline paused, with its threads and its stream on the audio
    // server, which asks after that stream more than once a second: let it all go until the next sound.
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia || status == QMediaPlayer::InvalidMedia) {
            releasePlayer();
        }
    });
}

void QtSoundOutput::releasePlayer()
{
    if (!m_player) {
        return;
    }
    // Gone from this output at once, though deleted only once the event loop comes round: the
    // player of the next sound is then its only one. The audio output goes with its player, after it.
    m_player->disconnect(this);
    m_player->setParent(nullptr);
    m_audio->setParent(m_player);
    m_player->deleteLater();
    m_player = nullptr;
    m_audio = nullptr;
}

QString QtSoundOutput::play(const QString& path)
{
    stop();
    const QString problem = WaveFileProblem(path);
    if (!problem.isEmpty()) {
        return problem;
    }
    ensurePlayer();
    // Follow the desktop's current output (a headset plugged in since the last sound); with no known
    // device, GStreamer picks its default sink.
    m_audio->setDevice(QMediaDevices::defaultAudioOutput());
    m_player->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_player->play();
    return {};
}

void QtSoundOutput::stop()
{
    if (m_player) {
        m_player->stop();
    }
}

bool QtSoundOutput::isPlaying() const
{
    return m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
}
