#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QStringList>

/// Reports a new system time zone: one of the zone files (by default /etc/localtime and
/// /etc/timezone) replaced, re-linked or rewritten. Nothing is looked at between two notices of the
/// file system, so the watch costs no wake-ups of its own.
class TimeZoneWatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TimeZoneWatcher)

Q_SIGNALS:
    /// A zone file now says something else than before.
    void changed();

public:
    /// The files the system keeps its time zone in.
    static QStringList systemZoneFiles();

    explicit TimeZoneWatcher(QStringList zoneFiles = systemZoneFiles(), QObject* parent = nullptr);

private:
    void look();
    void watchFiles();
    QByteArray state() const;

    // The file a path leads to, as the file system tells it apart.
    struct FileId
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileId&) const = default;
    };

    QStringList m_files;
    QHash<QString, FileId> m_watched;
    QFileSystemWatcher m_watcher;
    QByteArray m_state;
};
