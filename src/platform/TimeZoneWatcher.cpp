#include "platform/TimeZoneWatcher.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

QStringList TimeZoneWatcher::systemZoneFiles()
{
    return {QStringLiteral("/etc/localtime"), QStringLiteral("/etc/timezone")};
}

TimeZoneWatcher::TimeZoneWatcher(QStringList zoneFiles, QObject* parent)
    : QObject(parent), m_files(std::move(zoneFiles))
{
    // The folders too: a new zone is usually set by replacing the file or its link, and the watch on
    // a file ends with the file it was made on.
    QStringList folders;
    for (const QString& file : std::as_const(m_files)) {
        const QString folder = QFileInfo(file).absolutePath();
        if (!folders.contains(folder) && QFileInfo(folder).isDir()) {
            folders.append(folder);
        }
    }
    if (!folders.isEmpty()) {
        m_watcher.addPaths(folders);
    }
    watchFiles();
    m_state = state();
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &TimeZoneWatcher::look);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &TimeZoneWatcher::look);
}

void TimeZoneWatcher::watchFiles()
{
    // A watch stays on the file it was made on, which a replaced zone file or a new link no longer
    // is: a file that is not the one watched is watched afresh.
    for (const QString& path : std::as_const(m_files)) {
        struct stat info = {};
        const FileId now = ::stat(QFile::encodeName(path).constData(), &info) == 0
                               ? FileId{quint64(info.st_dev), quint64(info.st_ino)}
                               : FileId{};
        FileId& watched = m_watched[path];
        if (now == watched && (now == FileId{} || m_watcher.files().contains(path))) {
            continue;
        }
        if (watched != FileId{}) {
            m_watcher.removePath(path);
        }
        watched = now;
        if (now != FileId{}) {
            m_watcher.addPath(path);
        }
    }
}

// What the zone files say: where each link points and what each file holds (a zone file is a few
// kilobytes at most).
QByteArray TimeZoneWatcher::state() const
{
    QByteArray all;
    for (const QString& path : m_files) {
        const QFileInfo info(path);
        all += QFile::encodeName(info.symLinkTarget());
        all += '\0';
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            all += file.read(1 << 20);
        }
        all += '\0';
    }
    return all;
}

void TimeZoneWatcher::look()
{
    // Every change in the folder comes here; only a change of what the zone files say counts.
    watchFiles();
    QByteArray now = state();
    if (now != m_state) {
        m_state = std::move(now);
        Q_EMIT changed();
    }
}
