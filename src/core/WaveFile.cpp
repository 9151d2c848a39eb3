#include "WaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <cstring>

namespace {

constexpr int MaxChunksBeforeData = 4096;

quint16 le16(const char* p)
{
    return quint16(quint8(p[0]) | (quint8(p[1]) << 8));
}

quint32 le32(const char* p)
{
    return quint32(quint8(p[0])) | (quint32(quint8(p[1])) << 8) | (quint32(quint8(p[2])) << 16) |
           (quint32(quint8(p[3])) << 24);
}

bool readExactly(QIODevice& device, char* buffer, qint64 size)
{
    return device.read(buffer, size) == size;
}

// Skips size bytes; false when the device ends before that.
bool skip(QIODevice& device, qint64 size)
{
    if (device.isSequential()) {
        char buffer[4096];
        while (size > 0) {
            const qint64 got = device.read(buffer, qMin<qint64>(size, sizeof buffer));
            if (got <= 0) {
                return false;
            }
            size -= got;
        }
        return true;
    }
    const qint64 target = device.pos() + size;
    return target <= device.size() && device.seek(target);
}

bool supported(const WaveFormat& f)
{
    if (f.channels < 1 || f.channels > 8 || f.sampleRate < 1000 || f.sampleRate > 384000) {
        return false;
    }
    switch (f.formatTag) {
    case 1:
        return f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 || f.bitsPerSample == 32;
    case 3:
        return f.bitsPerSample == 32 || f.bitsPerSample == 64;
    case 6:
    case 7:
        return f.bitsPerSample == 8;
    default:
        return false;
    }
}

// The GUID of an extensible file's sub-format after its first two bytes, which hold the format tag.
constexpr char SubFormatTail[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";
constexpr size_t SubFormatTailSize = sizeof SubFormatTail - 1;

// Reads a fmt chunk of the given size; the device stands at its first byte.
WaveCheck readFormat(QIODevice& device, quint32 size, WaveFormat* f)
{
    if (size < 16) {
        return WaveCheck::Damaged;
    }
    char fmt[40] = {};
    const qint64 wanted = qMin<qint64>(size, sizeof fmt);
    if (!readExactly(device, fmt, wanted)) {
        return WaveCheck::Damaged;
    }
    f->formatTag = le16(fmt);
    f->channels = le16(fmt + 2);
    f->sampleRate = le32(fmt + 4);
    f->blockAlign = le16(fmt + 12);
    f->bitsPerSample = le16(fmt + 14);
    if (f->formatTag == 0xFFFE) {
        if (wanted < 40 || le16(fmt + 16) < 22) {
            return WaveCheck::Damaged;
        }
        const quint16 validBits = le16(fmt + 18);
        if (validBits > f->bitsPerSample || std::memcmp(fmt + 26, SubFormatTail, SubFormatTailSize) != 0) {
            return WaveCheck::Unsupported;
        }
        f->formatTag = le16(fmt + 24);
    }
    if (!skip(device, qint64(size) - wanted + (size & 1))) {
        return WaveCheck::Damaged;
    }
    return WaveCheck::Playable;
}

} // namespace

WaveCheck InspectWave(QIODevice& device, WaveFormat* format)
{
    WaveFormat local;
    WaveFormat& f = format ? *format : local;
    f = WaveFormat();

    char header[12];
    if (!readExactly(device, header, sizeof header)) {
        return WaveCheck::NotWave;
    }
    if (std::memcmp(header + 8, "WAVE", 4) != 0) {
        return WaveCheck::NotWave;
    }
    if (std::memcmp(header, "RIFF", 4) != 0) {
        // Big-endian RIFX and 64-bit RF64 files are WAVE files that the player is not counted on to read.
        if (std::memcmp(header, "RIFX", 4) == 0 || std::memcmp(header, "RF64", 4) == 0) {
            return WaveCheck::Unsupported;
        }
        return WaveCheck::NotWave;
    }

    bool haveFormat = false;
    for (int chunk = 0; chunk < MaxChunksBeforeData; ++chunk) {
        char chunkHeader[8];
        if (!readExactly(device, chunkHeader, sizeof chunkHeader)) {
            return WaveCheck::Damaged;
        }
        const quint32 size = le32(chunkHeader + 4);
        if (std::memcmp(chunkHeader, "fmt ", 4) == 0) {
            if (haveFormat) {
                return WaveCheck::Damaged;
            }
            const WaveCheck result = readFormat(device, size, &f);
            if (result != WaveCheck::Playable) {
                return result;
            }
            haveFormat = true;
        } else if (std::memcmp(chunkHeader, "data", 4) == 0) {
            if (!haveFormat) {
                return WaveCheck::Damaged;
            }
            if (!supported(f)) {
                return WaveCheck::Unsupported;
            }
            if (f.blockAlign == 0) {
                return WaveCheck::Damaged;
            }
            f.dataBytes = size;
            // A data chunk cut short still plays as far as it goes, but it must hold one whole frame.
            char frame[512];
            const qint64 wanted = qMin<qint64>(qMin<qint64>(size, f.blockAlign), sizeof frame);
            if (size < f.blockAlign || !readExactly(device, frame, wanted)) {
                return WaveCheck::Damaged;
            }
            return WaveCheck::Playable;
        } else if (!skip(device, qint64(size) + (size & 1))) {
            return WaveCheck::Damaged;
        }
    }
    return WaveCheck::Damaged;
}

QString WaveFileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return QStringLiteral("Cannot play %1: the file does not exist.").arg(path);
    }
    // A folder, a pipe or a device is not opened at all: opening a pipe would wait for a writer.
    if (!info.isFile()) {
        return QStringLiteral("Cannot play %1: not a sound file.").arg(path);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("Cannot play %1: the file cannot be read.").arg(path);
    }
    switch (InspectWave(file)) {
    case WaveCheck::Playable:
        return {};
    case WaveCheck::NotWave:
        return QStringLiteral("Cannot play %1: not a WAVE sound file.").arg(path);
    case WaveCheck::Damaged:
        return QStringLiteral("Cannot play %1: the WAVE file is damaged or holds no sound.").arg(path);
    case WaveCheck::Unsupported:
        return QStringLiteral("Cannot play %1: the sound format of this WAVE file is not supported.").arg(path);
    }
    return {};
}
