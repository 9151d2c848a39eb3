#include "EventSounds.h"

#include "IniFile.h"

#include <QFileInfo>

namespace {

const QString& soundsSection()
{
    static const QString section = QStringLiteral("Sounds");
    return section;
}

} // namespace

const QStringList& SoundKeys()
{
    static const QStringList keys = {QStringLiteral("DateTimeE"), QStringLiteral("StartupE"),
                                     QStringLiteral("ShutdownE"), QStringLiteral("IConnectE"),
                                     QStringLiteral("IDisConnectE")};
    return keys;
}

const QStringList& DefaultSoundFileNames()
{
    static const QStringList names = {QStringLiteral("GenSound.wav"), QStringLiteral("Startup Sound.wav"),
                                      QStringLiteral("ShutDown Sound.wav"), QStringLiteral("IConnect Sound.wav"),
                                      QStringLiteral("IDisConnect Sound.wav")};
    return names;
}

QChar SoundFlag(int row)
{
    if (row < 0 || row >= EventSoundCount) {
        return {};
    }
    return QChar(char16_t(u'1' + row));
}

QString SoundKeyForFlag(QChar flag)
{
    const int row = flag.unicode() - u'1';
    if (row < 0 || row >= EventSoundCount) {
        return {};
    }
    return SoundKeys().at(row);
}

QString SoundsIniPath(const QString& programFolder)
{
    return programFolder + QStringLiteral("/sounds.ini");
}

QStringList ReadSoundPaths(const QString& iniPath)
{
    IniFile ini;
    ini.load(iniPath);
    QStringList paths;
    for (const QString& key : SoundKeys()) {
        paths.append(ini.value(soundsSection(), key));
    }
    return paths;
}

bool WriteSoundPaths(const QString& iniPath, const QStringList& five)
{
    IniFile ini;
    // A file that exists but cannot be read is left alone rather than replaced by the five keys.
    if (!ini.load(iniPath)) {
        return false;
    }
    for (int row = 0; row < EventSoundCount; ++row) {
        ini.setValue(soundsSection(), SoundKeys().at(row), five.value(row));
    }
    return ini.save(iniPath);
}

QString DefaultSoundPath(const QString& programFolder, int row)
{
    if (row < 0 || row >= EventSoundCount) {
        return {};
    }
    return programFolder + QStringLiteral("/sounds/") + DefaultSoundFileNames().at(row);
}

bool IsRegularSoundFile(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}
