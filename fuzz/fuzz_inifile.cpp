// The sounds.ini reader and writer over any bytes: reading never fails, and a value written into
// any file reads back as written (up to the length limit) while the file's other lines are kept.
#include "core/EventSounds.h"
#include "core/IniFile.h"

#include <QByteArray>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    IniFile ini;
    ini.setBytes(bytes);
    for (const QString& key : SoundKeys()) {
        ini.value(QStringLiteral("Sounds"), key);
    }
    const QString path = QStringLiteral("/opt/x y/sounds;=,ä/GenSound.wav");
    ini.setValue(QStringLiteral("sounds"), QStringLiteral("DATETIMEE"), path);
    const qsizetype linesBefore = ini.lines().size();
    IniFile again;
    again.setBytes(ini.toBytes());
    if (again.value(QStringLiteral("Sounds"), QStringLiteral("DateTimeE")) != path) {
        std::abort();
    }
    if (again.lines().size() < linesBefore - 1) {
        std::abort(); // the rest of the file must survive a write
    }
    return 0;
}
