#include "app/CommandRun.h"
#include "core/EventSounds.h"
#include "core/ProgramFolders.h"
#include "support/Files.h"

#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime now(QDate(2026, 12, 9), QTime(10, 0, 0));
const QByteArray kDentist = "Dentist - 05.03.26 - 09:30:00 - 0 - 1, - 0\r\n";
const QByteArray kDentistText = "-0-\r\nBring the card\r\n==\r\n";

// One run of a command over the data folder, with what it printed.
struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run run(const QStringList& arguments, const QString& folder, int lockWaitMs = 20000)
{
    const Command command = ParseCommandLine(arguments, now);
    Run result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    CommandPlace place;
    place.dataFolder = folder;
    place.instanceName = u"test-"_s;
    place.lockWaitMs = lockWaitMs;
    result.code = RunFileCommand(command, place, out, err);
    out.flush();
    err.flush();
    return result;
}

} // namespace

class TestCommandRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void add_noProgramRuns_appendedToTheFiles();
    void add_noFilesYet_bothMade();
    void list_printsEveryRowInOrder();
    void add_lockHeld_waitsThenChangesNothing();
    void add_unreadableFile_reportedNothingChanged();
    void dataFolder_writableOwnFolder_isTheProgramFolder();
    void dataFolder_foreignFolder_isTheUsersOwn();
    void prepare_copiesSoundsIniOnce();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

void TestCommandRun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->path();
    // No program answers in a runtime folder of the test's own.
    const QString runtime = m_dir->filePath(u"run"_s);
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(::chmod(QFile::encodeName(runtime).constData(), 0700) == 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
}

void TestCommandRun::add_noProgramRuns_appendedToTheFiles()
{
    writeFile(m_folder + u"/reminder.nld"_s, kDentist);
    writeFile(m_folder + u"/reminder.nlt"_s, kDentistText);
    const Run r = run({u"--add"_s, u"Tea"_s, u"--text"_s, u"Green\ntea"_s, u"--in"_s, u"20m"_s}, m_folder);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, 0);
    QCOMPARE(readFile(m_folder + u"/reminder.nld"_s), kDentist + "Tea - 09.12.26 - 10:20:00 - 0 - 1, - 0\r\n");
    QCOMPARE(readFile(m_folder + u"/reminder.nlt"_s), kDentistText + "-1-\r\nGreen\rtea\r\n==\r\n");
    // The lock is let go: the next command gets it at once.
    QLockFile lock(m_folder + u"/reminder.lock"_s);
    QVERIFY(lock.tryLock(0));
}

void TestCommandRun::add_noFilesYet_bothMade()
{
    const Run r = run({u"--add"_s, u"Boot"_s, u"--on"_s, u"startup"_s}, m_folder);
    QCOMPARE(r.code, 0);
    QCOMPARE(readFile(m_folder + u"/reminder.nld"_s), QByteArray("Boot - #09.12.26 - 0 - 0 - 2, - 0\r\n"));
    QCOMPARE(readFile(m_folder + u"/reminder.nlt"_s), QByteArray("-0-\r\nBoot\r\n==\r\n"));
}

void TestCommandRun::list_printsEveryRowInOrder()
{
    writeFile(m_folder + u"/reminder.nld"_s,
              kDentist + "Backup - #07.12.26 - 18:00:00 - 30 - 1,0, - 1\r\nMail - #07.12.26 - 0 - 0 - 4, - 0\r\n");
    writeFile(m_folder + u"/reminder.nlt"_s, kDentistText);
    const QByteArray before = readFile(m_folder + u"/reminder.nld"_s);
    const Run r = run({u"--list"_s}, m_folder);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, u"Dentist\t05.03.26 09:30:00\tnot done\n"
                    u"Backup\t18:00:00, every 30 minute(s)\tdone\n"
                    u"Mail\tInternet connect\tnot done\n"_s);
    QCOMPARE(readFile(m_folder + u"/reminder.nld"_s), before);
}

void TestCommandRun::add_lockHeld_waitsThenChangesNothing()
{
    writeFile(m_folder + u"/reminder.nld"_s, kDentist);
    writeFile(m_folder + u"/reminder.nlt"_s, kDentistText);
    QLockFile held(m_folder + u"/reminder.lock"_s);
    held.setStaleLockTime(0);
    QVERIFY(held.tryLock(0));
    const Run r = run({u"--add"_s, u"Tea"_s, u"--in"_s, u"20m"_s}, m_folder, 300);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(u"reminder.lock is held by a process that does not answer; nothing was changed"_s),
             qPrintable(r.err));
    QCOMPARE(readFile(m_folder + u"/reminder.nld"_s), kDentist);
}

void TestCommandRun::add_unreadableFile_reportedNothingChanged()
{
    // A folder in place of the data file cannot be read as one.
    QVERIFY(QDir().mkpath(m_folder + u"/reminder.nld"_s));
    writeFile(m_folder + u"/reminder.nlt"_s, kDentistText);
    const Run r = run({u"--add"_s, u"Tea"_s, u"--in"_s, u"20m"_s}, m_folder);
    QCOMPARE(r.code, 1);
    QCOMPARE(r.err, u"nudgelark: Cannot open file %1/reminder.nld\n"_s.arg(m_folder));
    QCOMPARE(readFile(m_folder + u"/reminder.nlt"_s), kDentistText);
}

void TestCommandRun::dataFolder_writableOwnFolder_isTheProgramFolder()
{
    QCOMPARE(DataFolderFor(m_folder, u"/home/u/.local/share"_s), m_folder);
}

void TestCommandRun::dataFolder_foreignFolder_isTheUsersOwn()
{
    const QString program = m_folder + u"/usr-lib-nudgelark"_s;
    QVERIFY(QDir().mkpath(program));
    // Root may write anywhere: there the folder is made another user's, as a package's is root's.
    const QByteArray path = QFile::encodeName(program);
    if (::getuid() == 0) {
        QVERIFY(::chown(path.constData(), 65534, 65534) == 0);
    } else {
        QVERIFY(::chmod(path.constData(), 0555) == 0);
    }
    QCOMPARE(DataFolderFor(program, u"/home/u/.local/share"_s), u"/home/u/.local/share/Nudgelark"_s);
    QCOMPARE(DataFolderFor(m_folder + u"/missing"_s, u"/d"_s), u"/d/Nudgelark"_s);
    ::chmod(path.constData(), 0755);
}

void TestCommandRun::prepare_copiesSoundsIniOnce()
{
    const QString program = m_folder + u"/program"_s;
    const QString data = m_folder + u"/home/.local/share/Nudgelark"_s;
    QVERIFY(QDir().mkpath(program));
    const QByteArray shipped = "[Sounds]\r\nDateTimeE=" + QFile::encodeName(program) + "/sounds/GenSound.wav\r\n";
    writeFile(SoundsIniPath(program), shipped);
    QVERIFY(QFile::setPermissions(SoundsIniPath(program), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    QVERIFY(PrepareDataFolder(data, program));
    QCOMPARE(readFile(SoundsIniPath(data)), shipped);
    QVERIFY(QFileInfo(SoundsIniPath(data)).permissions() & QFile::WriteOwner);
    QCOMPARE(ReadSoundPaths(SoundsIniPath(data)).first(), program + u"/sounds/GenSound.wav"_s);

    // The user's own choice is kept at the next start.
    writeFile(SoundsIniPath(data), "[Sounds]\r\nDateTimeE=/mine.wav\r\n");
    QVERIFY(PrepareDataFolder(data, program));
    QCOMPARE(readFile(SoundsIniPath(data)), QByteArray("[Sounds]\r\nDateTimeE=/mine.wav\r\n"));

    // One folder for both: nothing is made or copied.
    QVERIFY(PrepareDataFolder(program, program));
    QVERIFY(!QFileInfo::exists(program + u"/Nudgelark"_s));
}

QTEST_GUILESS_MAIN(TestCommandRun)
#include "tst_commandrun.moc"
