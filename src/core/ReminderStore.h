#pragma once

#include "Reminder.h"

#include <QList>
#include <QSaveFile>
#include <QString>
#include <functional>
#include <memory>

/// The two data files of a program folder: reads them at start and writes them whole.
class ReminderStore
{
public:
    enum class LoadStatus { Loaded, Missing, Failed };
    struct LoadResult
    {
        LoadStatus status = LoadStatus::Missing;
        QString failedPath; // the file that could not be read, for "Cannot open file %s"
        QList<Reminder> rows;
    };
    using SaveFileFactory = std::function<std::unique_ptr<QSaveFile>(const QString& path)>;
    /// The device a data file is read from, not yet open; by default the file at path.
    using ReadDeviceFactory = std::function<std::unique_ptr<QIODevice>(const QString& path)>;

    explicit ReminderStore(QString folder, SaveFileFactory factory = {}, ReadDeviceFactory readFactory = {});

    QString dataPath() const { return m_folder + QStringLiteral("/reminder.nld"); }
    QString textPath() const { return m_folder + QStringLiteral("/reminder.nlt"); }
    /// The lock file held by whoever reads and writes the pair: the running program, or a change
    /// made from the command line while none runs.
    QString lockPath() const { return m_folder + QStringLiteral("/reminder.lock"); }

    /// Reads both files when both exist. When the load does not complete (one file missing, or a
    /// file unreadable), the files on disk are renamed aside before the first save replaces them.
    LoadResult load();
    /// Writes both files completely, then replaces the old pair; on failure the old pair stays as it
    /// was and the path that failed is returned. Returns an empty text on success. Where the folder
    /// takes no new file but both files are writable, they are rewritten in place instead.
    QString save(const QList<Reminder>& rows);
    /// True while the files on disk are not known to be ours: a save first keeps them aside.
    bool keepsOldFilesAside() const { return m_keepAside; }

private:
    bool moveAside(const QString& path) const;
    QString saveInPlace(const QString (&paths)[2], const QByteArray (&contents)[2]);

    QString m_folder;
    SaveFileFactory m_factory;
    ReadDeviceFactory m_readFactory;
    bool m_keepAside = false;
};
