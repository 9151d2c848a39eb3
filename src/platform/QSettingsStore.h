#pragma once

#include "core/SettingsStore.h"

#include <QVariantHash>
#include <memory>

class QSettings;

/// The options in QSettings' native store: the registry key Software\Nudgelark on Windows, the
/// file Nudgelark/Nudgelark.conf in the user's configuration folder on Linux. Every read sees what
/// another program wrote since the last one.
class QSettingsStore final : public SettingsStore
{
public:
    QSettingsStore();
    /// Keeps the options in the INI file at filePath instead (tests, portable use).
    explicit QSettingsStore(QString filePath);
    ~QSettingsStore() override;

    std::optional<QString> value(const QString& name) const override;
    void setValue(const QString& name, const QString& value) override;

    /// The file that holds the values (on Windows the registry key's path).
    QString fileName() const;

private:
    struct FileStamp
    {
        bool exists = false;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        quint64 inode = 0;
        quint64 device = 0;
        bool operator==(const FileStamp&) const = default;
    };
    std::unique_ptr<QSettings> open() const;
    FileStamp stamp() const;
    bool cacheMayBeStale() const;
    QVariantHash readThroughCopy() const;

    QString m_filePath;
    mutable FileStamp m_seen;
    mutable bool m_stale = false;
    mutable QVariantHash m_snapshot;
    mutable std::optional<FileStamp> m_snapshotStamp;
};
