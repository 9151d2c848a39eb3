#include "core/WaveFile.h"
#include "platform/QtSoundOutput.h"
#include "support/Files.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaPlayer>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestSoundOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void inspectWave_data();
    void inspectWave();
    void inspectWave_everyTruncation_isRejected();
    void shippedSounds_arePlayableWave_data();
    void shippedSounds_arePlayableWave();

    void play_badFile_isRejectedAtOnce_data();
    void play_badFile_isRejectedAtOnce();
    void play_pipe_isRejectedWithoutWaiting();
    void play_shippedSounds_withoutAudioServer_returnPromptly();
    void play_secondSound_replacesFirst_withoutAudioServer();
    void play_ended_mediaThreadsGoAndTheNextSoundPlays();

    // Plays through a real audio server when tests/e2e/sound_pulse.sh runs it; skipped otherwise.
    void realAudio_driver();
};

namespace {

QString soundsFolder()
{
    return QStringLiteral(NUDGELARK_SOURCE_DIR) + u"/resources/sounds"_s;
}

void put16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

QByteArray chunk(const char* id, const QByteArray& body)
{
    QByteArray out(id, 4);
    put32(out, quint32(body.size()));
    out.append(body);
    if (body.size() % 2) {
        out.append('\0');
    }
    return out;
}

QByteArray fmtBody(quint16 tag, quint16 channels, quint32 rate, quint16 bits)
{
    QByteArray body;
    const quint16 align = quint16(channels * ((bits + 7) / 8));
    put16(body, tag);
    put16(body, channels);
    put32(body, rate);
    put32(body, rate * align);
    put16(body, align);
    put16(body, bits);
    return body;
}

QByteArray extensibleBody(quint16 channels, quint32 rate, quint16 bits, quint16 subFormat)
{
    QByteArray body = fmtBody(0xFFFE, channels, rate, bits);
    put16(body, 22);
    put16(body, bits);
    put32(body, 0);
    put16(body, subFormat);
    body.append("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return body;
}

QByteArray riff(const QByteArray& chunks, const char* type = "WAVE", const char* magic = "RIFF")
{
    QByteArray out(magic, 4);
    put32(out, quint32(chunks.size() + 4));
    out.append(type, 4);
    out.append(chunks);
    return out;
}

QByteArray wave(const QByteArray& fmt, int dataBytes = 400)
{
    return riff(chunk("fmt ", fmt) + chunk("data", QByteArray(dataBytes, '\x10')));
}

// The media player behind the output, made for a sound; null once that sound has ended or failed,
// which lets the player go (on a busy machine that can happen between any two looks).
QMediaPlayer* player(const QtSoundOutput& output)
{
    return output.findChild<QMediaPlayer*>(QString(), Qt::FindDirectChildrenOnly);
}

// How far the sound handed over last has played, in milliseconds; -1 once it has let its player go.
qint64 position(const QtSoundOutput& output)
{
    const QMediaPlayer* p = player(output);
    return p ? p->position() : -1;
}

// The sound handed over last is being heard, or has ended or failed.
bool underWayOrOver(const QtSoundOutput& output)
{
    return !output.isPlaying() || position(output) > 0;
}

// The player has taken the sound handed over last up, or has given up on it.
bool takenUp(const QtSoundOutput& output)
{
    const QMediaPlayer* p = player(output);
    return !p || p->mediaStatus() != QMediaPlayer::LoadingMedia;
}

} // namespace

void TestSoundOutput::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestSoundOutput::inspectWave_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<WaveCheck>("expected");

    const QByteArray pcm16 = fmtBody(1, 2, 44100, 16);
    QTest::newRow("PCM 16-bit stereo") << wave(pcm16) << WaveCheck::Playable;
    QTest::newRow("PCM 8-bit mono") << wave(fmtBody(1, 1, 8000, 8)) << WaveCheck::Playable;
    QTest::newRow("PCM 24-bit") << wave(fmtBody(1, 2, 48000, 24)) << WaveCheck::Playable;
    QTest::newRow("PCM 32-bit 8 channels") << wave(fmtBody(1, 8, 96000, 32)) << WaveCheck::Playable;
    QTest::newRow("float 32-bit") << wave(fmtBody(3, 1, 44100, 32)) << WaveCheck::Playable;
    QTest::newRow("float 64-bit") << wave(fmtBody(3, 1, 44100, 64)) << WaveCheck::Playable;
    QTest::newRow("A-law") << wave(fmtBody(6, 1, 8000, 8)) << WaveCheck::Playable;
    QTest::newRow("mu-law") << wave(fmtBody(7, 1, 8000, 8)) << WaveCheck::Playable;
    QTest::newRow("extensible PCM 24") << wave(extensibleBody(6, 48000, 24, 1)) << WaveCheck::Playable;
    QTest::newRow("extensible float") << wave(extensibleBody(2, 48000, 32, 3)) << WaveCheck::Playable;
    QTest::newRow("chunks before fmt and data") << riff(chunk("LIST", "INFOISFT\x05\0\0\0sox!") + chunk("fmt ", pcm16) +
                                                        chunk("fact", "\1\0\0\0") + chunk("data", QByteArray(16, '\0')))
                                                << WaveCheck::Playable;
    QTest::newRow("fmt chunk with extra bytes")
        << wave(fmtBody(1, 1, 44100, 16) + QByteArray("\0\0", 2)) << WaveCheck::Playable;
    QTest::newRow("data shorter than declared")
        << riff(chunk("fmt ", pcm16)).append("data").append("\xFF\xFF\0\0", 4).append(QByteArray(100, 'x'))
        << WaveCheck::Playable;

    QTest::newRow("empty") << QByteArray() << WaveCheck::NotWave;
    QTest::newRow("text") << QByteArray("This is not a sound at all, just some text.\n") << WaveCheck::NotWave;
    QTest::newRow("RIFF but AVI") << riff(chunk("LIST", "hdrl"), "AVI ") << WaveCheck::NotWave;
    QTest::newRow("RIFX big-endian") << riff(chunk("fmt ", pcm16), "WAVE", "RIFX") << WaveCheck::Unsupported;
    QTest::newRow("RF64") << riff(chunk("ds64", QByteArray(28, '\0')), "WAVE", "RF64") << WaveCheck::Unsupported;

    QTest::newRow("header only") << riff({}) << WaveCheck::Damaged;
    QTest::newRow("fmt only") << riff(chunk("fmt ", pcm16)) << WaveCheck::Damaged;
    QTest::newRow("data before fmt") << riff(chunk("data", QByteArray(8, '\0')) + chunk("fmt ", pcm16))
                                     << WaveCheck::Damaged;
    QTest::newRow("fmt too short") << riff(chunk("fmt ", pcm16.first(14)) + chunk("data", QByteArray(8, '\0')))
                                   << WaveCheck::Damaged;
    QTest::newRow("two fmt chunks") << riff(chunk("fmt ", pcm16) + chunk("fmt ", pcm16)) << WaveCheck::Damaged;
    QTest::newRow("empty data") << wave(pcm16, 0) << WaveCheck::Damaged;
    QTest::newRow("less than one frame") << wave(pcm16, 3) << WaveCheck::Damaged;
    QByteArray noAlign = fmtBody(1, 2, 44100, 16);
    noAlign[12] = 0;
    noAlign[13] = 0;
    QTest::newRow("block align 0") << wave(noAlign) << WaveCheck::Damaged;
    QTest::newRow("chunk running past the end")
        << riff(chunk("fmt ", pcm16)).append("LIST").append("\0\0\0\x7F", 4).append("data") << WaveCheck::Damaged;
    QTest::newRow("extensible fmt cut short") << wave(fmtBody(0xFFFE, 2, 44100, 16)) << WaveCheck::Damaged;

    QTest::newRow("IMA ADPCM") << wave(fmtBody(0x11, 1, 22050, 4)) << WaveCheck::Unsupported;
    QTest::newRow("MS ADPCM") << wave(fmtBody(2, 1, 22050, 4)) << WaveCheck::Unsupported;
    QTest::newRow("MPEG layer 3") << wave(fmtBody(0x55, 2, 44100, 0)) << WaveCheck::Unsupported;
    QTest::newRow("PCM 12-bit") << wave(fmtBody(1, 1, 44100, 12)) << WaveCheck::Unsupported;
    QTest::newRow("float 16-bit") << wave(fmtBody(3, 1, 44100, 16)) << WaveCheck::Unsupported;
    QTest::newRow("no channels") << wave(fmtBody(1, 0, 44100, 16)) << WaveCheck::Unsupported;
    QTest::newRow("9 channels") << wave(fmtBody(1, 9, 44100, 16)) << WaveCheck::Unsupported;
    QTest::newRow("rate 0") << wave(fmtBody(1, 1, 0, 16)) << WaveCheck::Unsupported;
    QTest::newRow("rate 10 MHz") << wave(fmtBody(1, 1, 10000000, 16)) << WaveCheck::Unsupported;
    QTest::newRow("extensible ADPCM") << wave(extensibleBody(1, 22050, 16, 0x11)) << WaveCheck::Unsupported;
}

void TestSoundOutput::inspectWave()
{
    QFETCH(QByteArray, bytes);
    QFETCH(WaveCheck, expected);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(InspectWave(buffer), expected);
}

void TestSoundOutput::inspectWave_everyTruncation_isRejected()
{
    // Cut anywhere before the first whole frame of sound, a good file is not playable.
    const QByteArray good = wave(fmtBody(1, 2, 44100, 16), 8);
    const qsizetype firstFrameEnd = good.size() - 8 + 4;
    for (qsizetype cut = 0; cut < firstFrameEnd; ++cut) {
        QByteArray part = good.first(cut);
        QBuffer buffer(&part);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY2(InspectWave(buffer) != WaveCheck::Playable, qPrintable(QString::number(cut)));
    }
    QByteArray whole = good;
    QBuffer buffer(&whole);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    WaveFormat format;
    QCOMPARE(InspectWave(buffer, &format), WaveCheck::Playable);
    QCOMPARE(format.channels, quint16(2));
    QCOMPARE(format.sampleRate, quint32(44100));
    QCOMPARE(format.bitsPerSample, quint16(16));
    QCOMPARE(format.dataBytes, quint32(8));
}

void TestSoundOutput::shippedSounds_arePlayableWave_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name :
         {"GenSound.wav", "Startup Sound.wav", "ShutDown Sound.wav", "IConnect Sound.wav", "IDisConnect Sound.wav"}) {
        QTest::newRow(name) << QString::fromLatin1(name);
    }
}

void TestSoundOutput::shippedSounds_arePlayableWave()
{
    QFETCH(QString, name);
    QFile file(soundsFolder() + u'/' + name);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    WaveFormat format;
    QCOMPARE(InspectWave(file, &format), WaveCheck::Playable);
    QCOMPARE(format.formatTag, quint16(1));
    QCOMPARE(format.sampleRate, quint32(44100));
    QCOMPARE(format.bitsPerSample, quint16(16));
    const double seconds = double(format.dataBytes) / (format.sampleRate * format.blockAlign);
    QVERIFY2(seconds >= 0.3 && seconds <= 2.0, qPrintable(QString::number(seconds)));
    QVERIFY(file.size() < 200 * 1024);
}

void TestSoundOutput::play_badFile_isRejectedAtOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text file") << u"notes.wav"_s << QByteArray("Buy milk.\r\n") << u"not a WAVE sound file."_s;
    QTest::newRow("empty file") << u"empty.wav"_s << QByteArray() << u"not a WAVE sound file."_s;
    QTest::newRow("truncated WAVE") << u"cut.wav"_s << wave(fmtBody(1, 2, 44100, 16)).first(30)
                                    << u"the WAVE file is damaged or holds no sound."_s;
    QTest::newRow("ADPCM") << u"adpcm.wav"_s << wave(fmtBody(0x11, 1, 22050, 4))
                           << u"the sound format of this WAVE file is not supported."_s;
    QTest::newRow("directory") << u"folder.wav"_s << QByteArray("<dir>") << u"not a sound file."_s;
    QTest::newRow("missing") << u"missing.wav"_s << QByteArray("<none>") << u"the file does not exist."_s;
}

void TestSoundOutput::play_badFile_isRejectedAtOnce()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (bytes == "<dir>") {
        QVERIFY(QDir().mkpath(path));
    } else if (bytes != "<none>") {
        writeFile(path, bytes);
    }
    QtSoundOutput output;
    QCOMPARE(output.play(path), u"Cannot play "_s + path + u": "_s + reason);
    QVERIFY(!output.isPlaying());
}

void TestSoundOutput::play_pipe_isRejectedWithoutWaiting()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"pipe.wav"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    QtSoundOutput output;
    QCOMPARE(output.play(path), u"Cannot play "_s + path + u": not a sound file."_s);
}

void TestSoundOutput::play_shippedSounds_withoutAudioServer_returnPromptly()
{
    QtSoundOutput output;
    const QStringList names = QDir(soundsFolder()).entryList({u"*.wav"_s}, QDir::Files);
    QCOMPARE(names.size(), 5);
    for (const QString& name : names) {
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(output.play(soundsFolder() + u'/' + name), QString());
        // Generous: the first call starts the media framework; the point is that play never waits
        // for the sound (over a second long) or for an audio server that is not there.
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        // The player has taken the sound up (or given up on it) before the next one replaces it.
        QTRY_VERIFY_WITH_TIMEOUT(takenUp(output), 10000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(underWayOrOver(output), 10000);
    output.stop();
    QVERIFY(!output.isPlaying());
}

void TestSoundOutput::play_secondSound_replacesFirst_withoutAudioServer()
{
    QtSoundOutput output;
    const QString first = soundsFolder() + u"/Startup Sound.wav"_s;
    const QString second = soundsFolder() + u"/IConnect Sound.wav"_s;
    QCOMPARE(output.play(first), QString());
    QTRY_VERIFY_WITH_TIMEOUT(underWayOrOver(output), 10000);
    QCOMPARE(output.play(second), QString());
    // A bad file stops the sound still playing and reports itself.
    QTemporaryDir dir;
    writeFile(dir.filePath(u"bad.wav"_s), "nothing");
    QVERIFY(!output.play(dir.filePath(u"bad.wav"_s)).isEmpty());
    QVERIFY(!output.isPlaying());
}

// Threads of this process that the media framework runs a sound's pipeline on.
int pipelineThreads()
{
    int count = 0;
    const QStringList tasks = QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        QFile comm(u"/proc/self/task/"_s + task + u"/comm"_s);
        if (comm.open(QIODevice::ReadOnly)) {
            const QByteArray name = comm.readAll();
            count += name.startsWith("typefind") || name.startsWith("wavparse") || name.startsWith("audioQueue");
        }
    }
    return count;
}

void TestSoundOutput::play_ended_mediaThreadsGoAndTheNextSoundPlays()
{
    if (!QDir(u"/proc/self/task"_s).exists()) {
        QSKIP("no /proc here to count threads in");
    }
    QtSoundOutput output;
    QCOMPARE(output.play(soundsFolder() + u"/IConnect Sound.wav"_s), QString());
    const QPointer<QMediaPlayer> first = player(output);
    QVERIFY(first);
    QTRY_VERIFY_WITH_TIMEOUT(pipelineThreads() > 0, 10000);
    // Without an audio server the sound "plays" silently to its end; then nothing of it stays behind.
    QTRY_VERIFY_WITH_TIMEOUT(!output.isPlaying(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(pipelineThreads(), 0, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 20000);
    // A look at the output after its player has gone, as a slow test makes it, finds no player.
    QVERIFY(underWayOrOver(output));
    QVERIFY(takenUp(output));
    QCOMPARE(position(output), -1);
    QCOMPARE(output.play(soundsFolder() + u"/Startup Sound.wav"_s), QString());
    QVERIFY(output.isPlaying());
    QCOMPARE(output.findChildren<QMediaPlayer*>().size(), 1);
    output.stop();
    QVERIFY(!output.isPlaying());
}

void TestSoundOutput::realAudio_driver()
{
    const QString first = qEnvironmentVariable("NUDGELARK_AUDIO_FIRST");
    if (first.isEmpty()) {
        QSKIP("run by tests/e2e/sound_pulse.sh against its own audio server");
    }
    const QString second = qEnvironmentVariable("NUDGELARK_AUDIO_SECOND");
    const int gap = qEnvironmentVariableIsSet("NUDGELARK_AUDIO_GAP_MS")
                        ? qEnvironmentVariableIntValue("NUDGELARK_AUDIO_GAP_MS")
                        : 200;
    const int hold = qEnvironmentVariableIsSet("NUDGELARK_AUDIO_HOLD_MS")
                         ? qEnvironmentVariableIntValue("NUDGELARK_AUDIO_HOLD_MS")
                         : 2500;
    QtSoundOutput output;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(output.play(first), QString());
    qInfo("first play returned after %lld ms", timer.elapsed());
    if (!second.isEmpty()) {
        // The first sound has been heard for gap milliseconds.
        QTRY_VERIFY_WITH_TIMEOUT(position(output) >= gap, gap + 30000);
        timer.restart();
        QCOMPARE(output.play(second), QString());
        qInfo("second play returned after %lld ms", timer.elapsed());
    }
    // The last sound has played to its end, and the program has stood at least hold milliseconds
    // since it began.
    QTRY_VERIFY_WITH_TIMEOUT(!output.isPlaying() && timer.elapsed() >= hold, hold + 30000);
}

int main(int argc, char** argv)
{
    // Unless the audio test runs, no audio server may be reached: the sounds must play (silently)
    // without one, and a developer's speakers stay quiet.
    if (!qEnvironmentVariableIsSet("NUDGELARK_AUDIO_FIRST")) {
        qputenv("PULSE_SERVER", "unix:/nonexistent/nudgelark-test-no-server");
        qputenv("GST_PLUGIN_FEATURE_RANK", "alsasink:NONE,osssink:NONE,oss4sink:NONE,jackaudiosink:NONE");
    }
    QApplication app(argc, argv);
    TestSoundOutput test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_soundoutput.moc"
