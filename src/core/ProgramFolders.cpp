#include "ProgramFolders.h"

#include "EventSounds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

QString DataFolderFor(const QString& programFolder, const QString& userDataFolder)
{
    // A folder of another user's (root's, for a package) stays theirs even where this user, or
    // root itself, could write into it.
    const QFileInfo info(programFolder);
    if (info.isDir() && info.isWritable() && info.ownerId() == ::getuid()) {
        return programFolder;
    }
    return userDataFolder + QStringLiteral("/Nudgelark");
}

bool PrepareDataFolder(const QString& dataFolder, const QString& programFolder)
{
    if (QDir(dataFolder) == QDir(programFolder)) {
        return true;
    }
    if (!QDir().mkpath(dataFolder)) {
        return false;
    }
    const QString ini = SoundsIniPath(dataFolder);
    const QString shipped = SoundsIniPath(programFolder);
    if (!QFileInfo::exists(ini) && QFileInfo::exists(shipped) && QFile::copy(shipped, ini)) {
        // The copy keeps the shipped file's read-only mode; the sounds dialog writes this one.
        QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return true;
}
