#include "ReminderStore.h"

#include "LargePages.h"
#include "ReminderFile.h"

#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace {

// A file reports a failed read in its error state; other devices in what read returns.
bool readFailed(const QIODevice& device)
{
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    return file && file->error() != QFileDevice::NoError;
}

bool readWhole(QIODevice& file, QByteArray& bytes)
{
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const qint64 size = file.size();
    if (size <= 0 || file.isSequential()) {
        bytes = file.readAll();
        return !readFailed(file);
    }
    bytes = QByteArray(qsizetype(size), Qt::Uninitialized);
    AdviseLargePages(bytes.data(), bytes.size());
    const qint64 got = file.read(bytes.data(), size);
    if (got < 0) {
        return false;
    }
    bytes.truncate(qsizetype(got));
    return true;
}

// Replaces the whole content of an open file where it stands, down to the disk.
bool overwrite(QFile& file, const QByteArray& bytes)
{
    file.unsetError();
    return file.seek(0) && file.write(bytes) == bytes.size() && file.flush() && file.resize(bytes.size()) &&
           ::fsync(file.handle()) == 0;
}

} // namespace

ReminderStore::ReminderStore(QString folder, SaveFileFactory factory, ReadDeviceFactory readFactory)
    : m_folder(std::move(folder)), m_factory(std::move(factory)), m_readFactory(std::move(readFactory))
{
    if (!m_factory) {
        m_factory = [](const QString& path) { return std::make_unique<QSaveFile>(path); };
    }
    if (!m_readFactory) {
        m_readFactory = [](const QString& path) { return std::make_unique<QFile>(path); };
    }
}

ReminderStore::LoadResult ReminderStore::load()
{
    LoadResult result;
    const bool haveData = QFileInfo::exists(dataPath());
    const bool haveText = QFileInfo::exists(textPath());
    if (!haveData || !haveText) {
        m_keepAside = haveData || haveText;
        result.status = LoadStatus::Missing;
        return result;
    }
    QByteArray dataBytes;
    QByteArray textBytes;
    if (!readWhole(*m_readFactory(dataPath()), dataBytes)) {
        result.failedPath = dataPath();
    } else if (!readWhole(*m_readFactory(textPath()), textBytes)) {
        result.failedPath = textPath();
    }
    if (!result.failedPath.isEmpty()) {
        m_keepAside = true;
        result.status = LoadStatus::Failed;
        return result;
    }
    result.rows = ParseDataFile(dataBytes);
    dataBytes.clear();
    ApplyTextFile(result.rows, textBytes);
    m_keepAside = false;
    result.status = LoadStatus::Loaded;
    return result;
}

bool ReminderStore::moveAside(const QString& path) const
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
        return true;
    }
    QString backup = path + QStringLiteral(".bak");
    for (int n = 1; QFileInfo::exists(backup) || QFileInfo(backup).isSymLink(); ++n) {
        backup = path + QStringLiteral(".bak.") + QString::number(n);
    }
    return QFile::rename(path, backup);
}

QString ReminderStore::save(const QList<Reminder>& rows)
{
    const QString paths[2] = {dataPath(), textPath()};
    const QByteArray contents[2] = {EncodeDataFile(rows), EncodeTextFile(rows)};
    std::unique_ptr<QSaveFile> files[2];
    bool isNew[2];
    // Write both files completely before either replaces the old one, so the pair stays in step.
    for (int i = 0; i < 2; ++i) {
        isNew[i] = !QFileInfo::exists(paths[i]);
        files[i] = m_factory(paths[i]);
        const bool opened = files[i]->open(QIODevice::WriteOnly);
        if (!opened || files[i]->write(contents[i]) != contents[i].size() || !files[i]->flush()) {
            for (int j = 0; j <= i; ++j) {
                files[j]->cancelWriting();
            }
            // The folder takes no new file (a read-only program folder): the files themselves
            // may still be writable where they are.
            return !opened && i == 0 ? saveInPlace(paths, contents) : paths[i];
        }
    }
    if (m_keepAside) {
        for (int i = 0; i < 2; ++i) {
            if (!moveAside(paths[i])) {
                files[0]->cancelWriting();
                files[1]->cancelWriting();
                return paths[i];
            }
            isNew[i] = true;
        }
    }
    for (int i = 0; i < 2; ++i) {
        if (isNew[i]) {
            // Reminders are personal: a file we create is for its owner only.
            files[i]->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        if (!files[i]->commit()) {
            if (i == 0) {
                files[1]->cancelWriting();
            }
            return paths[i];
        }
    }
    m_keepAside = false;
    return {};
}

QString ReminderStore::saveInPlace(const QString (&paths)[2], const QByteArray (&contents)[2])
{
    if (m_keepAside) {
        // Files that were not loaded must be kept aside first, which needs new names in the folder.
        return paths[0];
    }
    QFile files[2];
    QByteArray old[2];
    // Both files are opened, and their old contents read, before either changes: a file that
    // cannot be written leaves the pair as it was.
    for (int i = 0; i < 2; ++i) {
        files[i].setFileName(paths[i]);
        if (!files[i].open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
            return paths[i];
        }
        old[i] = files[i].readAll();
        if (files[i].error() != QFileDevice::NoError) {
            return paths[i];
        }
    }
    for (int i = 0; i < 2; ++i) {
        if (!overwrite(files[i], contents[i])) {
            // A write that fails half-way (a full disk): the old contents go back, as far as they can.
            for (int j = 0; j <= i; ++j) {
                overwrite(files[j], old[j]);
            }
            return paths[i];
        }
    }
    return {};
}
