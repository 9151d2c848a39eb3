#include "QSettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

std::optional<QString> asText(const QVariant& stored)
{
    switch (stored.typeId()) {
    case QMetaType::QString:
        return stored.toString();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        // A number-typed value (a registry DWORD on Windows) reads as its decimal text.
        return stored.toString();
    default:
        // Missing, or a type the program never writes (a list, a byte array).
        return std::nullopt;
    }
}

} // namespace

QSettingsStore::QSettingsStore()
{
#if !defined(Q_OS_WIN) && !defined(Q_OS_DARWIN)
    // Here the native store is an INI file: name it once, so that each read opens that file alone
    // rather than the organisation-wide and system-wide files that QSettings would also consult.
    m_filePath = QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Nudgelark"),
                           QStringLiteral("Nudgelark"))
                     .fileName();
#endif
}

QSettingsStore::QSettingsStore(QString filePath) : m_filePath(std::move(filePath)) {}

QSettingsStore::~QSettingsStore() = default;

std::unique_ptr<QSettings> QSettingsStore::open() const
{
    if (m_filePath.isEmpty()) {
        auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                    QStringLiteral("Nudgelark"), QStringLiteral("Nudgelark"));
        // Only the user's own key counts, not a machine-wide one.
        settings->setFallbacksEnabled(false);
        return settings;
    }
    return std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
}

QSettingsStore::FileStamp QSettingsStore::stamp() const
{
    FileStamp result;
#ifdef Q_OS_UNIX
    if (m_filePath.isEmpty()) {
        return result;
    }
    const QByteArray path = QFile::encodeName(m_filePath);
    struct stat st;
    if (::stat(path.constData(), &st) == 0) {
        result.exists = true;
        result.size = qint64(st.st_size);
        result.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        result.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
        result.inode = quint64(st.st_ino);
        result.device = quint64(st.st_dev);
    }
#endif
    return result;
}

bool QSettingsStore::cacheMayBeStale() const
{
#ifdef Q_OS_UNIX
    // QSettings keeps the file's content per process and reads it again only when its size or its
    // time stamp, to the millisecond, has changed. A rewrite of the same length within the same
    // millisecond (or the same tick of the file system's clock) goes unseen, and stays unseen until
    // the next change. Such a change is caught here from the full stat, and the file is then read
    // through a fresh copy until QSettings itself can see that the file changed again.
    const FileStamp now = stamp();
    if (now != m_seen) {
        const bool hiddenFromQSettings = now.exists && m_seen.exists && now.size == m_seen.size &&
                                         now.modifiedNs / 1000000 == m_seen.modifiedNs / 1000000;
        m_stale = hiddenFromQSettings || (m_stale && now.exists && now.size == m_seen.size &&
                                          now.modifiedNs / 1000000 == m_seen.modifiedNs / 1000000);
        m_seen = now;
    }
    return m_stale;
#else
    // The registry has no such cache.
    return false;
#endif
}

std::optional<QString> QSettingsStore::value(const QString& name) const
{
    if (!m_filePath.isEmpty() && cacheMayBeStale()) {
        if (!m_snapshotStamp || *m_snapshotStamp != m_seen) {
            m_snapshot = readThroughCopy();
            m_snapshotStamp = m_seen;
        }
        return asText(m_snapshot.value(name));
    }
    // A QSettings made for each read checks the file's size and time stamp and reads it again when
    // they changed; unchanged, the read costs one stat.
    return asText(open()->value(name));
}

QVariantHash QSettingsStore::readThroughCopy() const
{
    QVariantHash values;
    QFile original(m_filePath);
    QTemporaryFile copy;
    if (!original.open(QIODevice::ReadOnly) || !copy.open()) {
        return values;
    }
    copy.write(original.readAll());
    copy.close();
    const QSettings fresh(copy.fileName(), QSettings::IniFormat);
    const QStringList keys = fresh.allKeys();
    for (const QString& key : keys) {
        values.insert(key, fresh.value(key));
    }
    return values;
}

void QSettingsStore::setValue(const QString& name, const QString& value)
{
    const std::unique_ptr<QSettings> settings = open();
    settings->setValue(name, value);
    // Writing reads the file afresh and merges, so QSettings' copy matches the file again.
    settings->sync();
    m_seen = stamp();
    m_stale = false;
    m_snapshotStamp.reset();
}

QString QSettingsStore::fileName() const
{
    return m_filePath.isEmpty() ? open()->fileName() : m_filePath;
}
