#include "core/EventFlags.h"
#include "core/ReminderFile.h"
#include "core/ReminderModel.h"
#include "core/ReminderStore.h"
#include "core/TextCodec.h"
#include "support/Files.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

Reminder row(const QString& name, const QString& date, const QString& time, const QString& repeat,
             const QString& events, bool checked, const QString& what = {})
{
    Reminder r;
    r.name = name;
    r.date = date;
    r.time = time;
    r.repeat = repeat;
    r.events = events;
    r.checked = checked;
    r.what = what;
    return r;
}

// A save file whose writes fail, as a full disk would.
class FailingSaveFile final : public QSaveFile
{
public:
    using QSaveFile::QSaveFile;

protected:
    qint64 writeData(const char*, qint64) override { return -1; }
};

ReminderStore::SaveFileFactory failOn(const QString& failingName)
{
    return [failingName](const QString& path) -> std::unique_ptr<QSaveFile> {
        if (path.endsWith(failingName)) {
            return std::make_unique<FailingSaveFile>(path);
        }
        return std::make_unique<QSaveFile>(path);
    };
}

// A data file that will not open, or opens and then fails to read, as a broken disk does.
class FailingFile final : public QFile
{
public:
    FailingFile(const QString& path, bool opens) : QFile(path), m_opens(opens) {}
    bool open(OpenMode mode) override { return m_opens && QFile::open(mode); }

protected:
    qint64 readData(char*, qint64) override { return -1; }

private:
    bool m_opens;
};

ReminderStore::ReadDeviceFactory failReadingOn(const QString& failingName, bool opens)
{
    return [failingName, opens](const QString& path) -> std::unique_ptr<QIODevice> {
        if (path.endsWith(failingName)) {
            return std::make_unique<FailingFile>(path, opens);
        }
        return std::make_unique<QFile>(path);
    };
}

constexpr int ReadsBack = -1;

// Saves the rows and loads them again through the two files' bytes.
QList<Reminder> roundTrip(const QList<Reminder>& rows)
{
    QList<Reminder> back = ParseDataFile(EncodeDataFile(rows));
    ApplyTextFile(back, EncodeTextFile(rows));
    return back;
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}

// Runs body as a user who may write the writable files of dir but cannot create a file in dir; the
// unreadable files that user cannot read, the other files of dir only read. Permissions do not stop
// root, so under root the body runs in a child process as the user nobody, with the writable files
// given to it. Returns what body returns; -1 when no such user can be had.
int asUserWithoutFolderWrite(const QString& dir, const QStringList& writable, const std::function<int()>& body,
                             const QStringList& unreadable = {})
{
    const QStringList files = QDir(dir).entryList(QDir::Files);
    const bool root = ::geteuid() == 0;
    const passwd* nobody = root ? ::getpwnam("nobody") : nullptr;
    if (root && !nobody) {
        return -1;
    }
    for (const QString& name : files) {
        const QByteArray path = QFile::encodeName(QDir(dir).filePath(name));
        const bool mine = writable.contains(name);
        if (root && mine && ::chown(path.constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            return -1;
        }
        const mode_t mode = mine ? 0600 : unreadable.contains(name) ? (root ? 0600 : 0) : (root ? 0644 : 0444);
        ::chmod(path.constData(), mode);
    }
    const QByteArray folder = QFile::encodeName(dir);
    if (!root) {
        ::chmod(folder.constData(), 0555);
        const int result = body();
        ::chmod(folder.constData(), 0700);
        return result;
    }
    ::chmod(folder.constData(), 0755);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0) {
            ::_exit(100);
        }
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return 101;
    }
    return WEXITSTATUS(status);
}

} // namespace

class TestReminderFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hasEventFlag_data();
    void hasEventFlag();
    void buildEventsText_keepsKindOrderThenRepeat();
    void dataLines_exampleRowsByteForByte();
    void dataLines_emptyEventsLeavesSeparatorsTogether();
    void textBlocks_twoRowExampleByteForByte();
    void load_readsBackEveryField();
    void load_acceptsCrLfCrAndLf_data();
    void load_acceptsCrLfCrAndLf();
    void load_missingHeaderCollectsFromFirstLine();
    void load_shortAndBlankLinesAreRepairedOrSkipped();
    void load_invalidUtf8ReadsAsWindows1252();
    void load_encodingIsDecidedPerLine_data();
    void load_encodingIsDecidedPerLine();
    void load_shortLineKeepsTheFieldsItHas_data();
    void load_shortLineKeepsTheFieldsItHas();
    void readsBack_awkwardRows_data();
    void readsBack_awkwardRows();
    void load_neverCrashesOnOddContent();
    void save_emptyListWritesTwoEmptyFiles();
    void save_afterDeletingFirstOfThreeRenumbersBlocks();
    void load_onlyOneFilePresentLoadsNothing();
    void save_afterIncompleteLoadKeepsOldFilesAside();
    void load_failingDeviceReportsItsFileAndKeepsBothAside_data();
    void load_failingDeviceReportsItsFileAndKeepsBothAside();
    void save_backupNeverOverwritesEarlierBackup();
    void save_failingFirstFileChangesNeither();
    void save_failingSecondFileChangesNeither();
    void save_newFilesAreOwnerOnly();
    void save_existingFileKeepsItsPermissions();
    void save_readOnlyFolderRewritesWritableFilesInPlace();
    void save_readOnlyFolderWithReadOnlyTextFileChangesNeither();
    void save_readOnlyFolderAfterIncompleteLoadChangesNothing_data();
    void save_readOnlyFolderAfterIncompleteLoadChangesNothing();
    void model_changesEmitContentChanged();
    void model_selectionIsSingle();
};

void TestReminderFile::hasEventFlag_data()
{
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<bool>("expected");
    QTest::newRow("repeat flag in 1,0,") << QStringLiteral("1,0,") << QStringLiteral("0") << true;
    QTest::newRow("date flag in 1,0,") << QStringLiteral("1,0,") << QStringLiteral("1") << true;
    QTest::newRow("startup not in 1,0,") << QStringLiteral("1,0,") << QStringLiteral("2") << false;
    QTest::newRow("date not in 2,3,") << QStringLiteral("2,3,") << QStringLiteral("1") << false;
    QTest::newRow("empty text") << QString() << QStringLiteral("0") << false;
}

void TestReminderFile::hasEventFlag()
{
    QFETCH(QString, events);
    QFETCH(QString, flag);
    QFETCH(bool, expected);
    QCOMPARE(HasEventFlag(events, flag.at(0)), expected);
}

void TestReminderFile::buildEventsText_keepsKindOrderThenRepeat()
{
    QCOMPARE(BuildEventsText({true, true, false, false, false, false}), QStringLiteral("1,0,"));
    QCOMPARE(BuildEventsText({false, false, true, true, false, false}), QStringLiteral("2,3,"));
    QCOMPARE(BuildEventsText({true, true, true, true, true, true}), QStringLiteral("1,2,3,4,5,0,"));
    QCOMPARE(BuildEventsText({}), QString());
}

void TestReminderFile::dataLines_exampleRowsByteForByte()
{
    const QList<Reminder> rows = {
        row(QStringLiteral("Dentist"), QStringLiteral("05.03.26"), QStringLiteral("09:30:00"), QStringLiteral("0"),
            QStringLiteral("1,"), false),
        row(QStringLiteral("Backup"), QStringLiteral("#07.12.26"), QStringLiteral("18:00:00"), QStringLiteral("30"),
            QStringLiteral("1,0,"), true),
        row(QStringLiteral("Mail"), QStringLiteral("#07.12.26"), QStringLiteral("0"), QStringLiteral("0"),
            QStringLiteral("4,"), false),
    };
    QCOMPARE(EncodeDataFile(rows), QByteArray("Dentist - 05.03.26 - 09:30:00 - 0 - 1, - 0\r\n"
                                              "Backup - #07.12.26 - 18:00:00 - 30 - 1,0, - 1\r\n"
                                              "Mail - #07.12.26 - 0 - 0 - 4, - 0\r\n"));
}

void TestReminderFile::dataLines_emptyEventsLeavesSeparatorsTogether()
{
    const QList<Reminder> rows = {row(QStringLiteral("Quiet"), QStringLiteral("#01.01.27"), QStringLiteral("0"),
                                      QStringLiteral("0"), QString(), false)};
    const QByteArray bytes = EncodeDataFile(rows);
    QCOMPARE(bytes, QByteArray("Quiet - #01.01.27 - 0 - 0 -  - 0\r\n"));
    const QList<Reminder> back = ParseDataFile(bytes);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back.first().events, QString());
    QCOMPARE(back.first().checked, false);
}

void TestReminderFile::textBlocks_twoRowExampleByteForByte()
{
    const QList<Reminder> rows = {
        row(QStringLiteral("a"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QString(), false,
            QStringLiteral("Bring the card")),
        row(QStringLiteral("b"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QString(), false,
            QStringLiteral("Copy the photos\rto the stick")),
    };
    QCOMPARE(EncodeTextFile(rows),
             QByteArray("-0-\r\nBring the card\r\n==\r\n-1-\r\nCopy the photos\rto the stick\r\n==\r\n"));
}

void TestReminderFile::load_readsBackEveryField()
{
    QTemporaryDir dir;
    ReminderStore store(dir.path());
    const QList<Reminder> rows = {
        row(QStringLiteral("Two lines"), QStringLiteral("05.03.26"), QStringLiteral("09:30:00"), QStringLiteral("7"),
            QStringLiteral("1,0,"), true, QStringLiteral("first line\rsecond line")),
        row(QStringLiteral("Empty text"), QStringLiteral("#07.12.26"), QStringLiteral("0"), QStringLiteral("0"),
            QStringLiteral("2,"), false, QString()),
        row(QStringLiteral("Ünïcode € name"), QStringLiteral("0"), QStringLiteral("23:59:59"), QStringLiteral("1440"),
            QStringLiteral("1,2,3,4,5,0,"), false, QStringLiteral("Žlica čaša")),
    };
    QCOMPARE(store.save(rows), QString());
    const ReminderStore::LoadResult loaded = store.load();
    QCOMPARE(loaded.status, ReminderStore::LoadStatus::Loaded);
    QCOMPARE(loaded.rows, rows);
    for (const Reminder& r : loaded.rows) {
        QCOMPARE(r.ponovno, QStringLiteral("0"));
    }
}

void TestReminderFile::load_acceptsCrLfCrAndLf_data()
{
    QTest::addColumn<QByteArray>("eol");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("bare CR") << QByteArray("\r");
    QTest::newRow("bare LF") << QByteArray("\n");
}

void TestReminderFile::load_acceptsCrLfCrAndLf()
{
    QFETCH(QByteArray, eol);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("reminder.nld")),
              "One - 01.02.26 - 0 - 0 - 1, - 1" + eol + "Two - #01.02.26 - 10:00:00 - 5 - 1,0, - 0" + eol);
    writeFile(dir.filePath(QStringLiteral("reminder.nlt")),
              "-0-" + eol + "alpha" + eol + "==" + eol + "-1-" + eol + "beta" + eol + "gamma" + eol + "==" + eol);
    ReminderStore store(dir.path());
    const ReminderStore::LoadResult loaded = store.load();
    QCOMPARE(loaded.status, ReminderStore::LoadStatus::Loaded);
    QCOMPARE(loaded.rows.size(), 2);
    QVERIFY(loaded.rows.at(0).checked);
    QVERIFY(!loaded.rows.at(1).checked);
    QCOMPARE(loaded.rows.at(0).what, QStringLiteral("alpha"));
    QCOMPARE(loaded.rows.at(1).what, QStringLiteral("beta\rgamma"));
    QCOMPARE(loaded.rows.at(1).repeat, QStringLiteral("5"));
}

void TestReminderFile::load_missingHeaderCollectsFromFirstLine()
{
    QList<Reminder> rows(2);
    ApplyTextFile(rows, "-0-\nzero\n==\n-7-\nseven\n==\n");
    QCOMPARE(rows.at(0).what, QStringLiteral("zero"));
    // No "-1-": the text starts at the first line of the file, up to the first "==".
    QCOMPARE(rows.at(1).what, QStringLiteral("-0-\rzero"));

    QList<Reminder> noEnd(1);
    ApplyTextFile(noEnd, "-0-\nlast line without end");
    QCOMPARE(noEnd.at(0).what, QStringLiteral("last line without end"));

    QList<Reminder> padded(2);
    ApplyTextFile(padded, "-01-\nnot mine\n==\n-1-\nmine\n==\n");

    // Lines kept apart by LF or CR LF inside a block still join with single CRs.
    QList<Reminder> mixed(1);
    ApplyTextFile(mixed, "-0-\r\none\ntwo\r\nthree\rfour\r\n==\r\n");
    QCOMPARE(mixed.at(0).what, QStringLiteral("one\rtwo\rthree\rfour"));
    QCOMPARE(padded.at(1).what, QStringLiteral("mine"));
}

void TestReminderFile::load_shortAndBlankLinesAreRepairedOrSkipped()
{
    const QList<Reminder> rows =
        ParseDataFile("\n   \nJust a name\nHalf - 01.01.26 - 10:00:00\nFull - 0 - 0 - 0 - 2, - 1\n");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).name, QStringLiteral("Just a name"));
    QCOMPARE(rows.at(0).date, QStringLiteral("0"));
    QCOMPARE(rows.at(0).time, QStringLiteral("0"));
    QCOMPARE(rows.at(0).repeat, QStringLiteral("0"));
    QCOMPARE(rows.at(1).name, QStringLiteral("Half"));
    QCOMPARE(rows.at(1).date, QStringLiteral("01.01.26"));
    QCOMPARE(rows.at(1).time, QStringLiteral("10:00:00"));
    QCOMPARE(rows.at(1).events, QString());
    QVERIFY(!rows.at(1).checked);
    QCOMPARE(rows.at(2).events, QStringLiteral("2,"));
    QVERIFY(rows.at(2).checked);

    // Found by fuzzing: all six fields present but the date left blank.
    const QList<Reminder> blank = ParseDataFile("D30 -  - #07.12.2?6 - 18:00:00 - 30 - .,e\xb2.D30 gggg26 - ggg0\n"
                                                "Gaps -   -  -  -  - 1\n");
    QCOMPARE(blank.size(), 2);
    QCOMPARE(blank.at(0).date, QStringLiteral("0"));
    QCOMPARE(blank.at(1).date, QStringLiteral("0"));
    QCOMPARE(blank.at(1).time, QStringLiteral("0"));
    QCOMPARE(blank.at(1).repeat, QStringLiteral("0"));
    QVERIFY(blank.at(1).checked);
}

void TestReminderFile::load_invalidUtf8ReadsAsWindows1252()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("reminder.nld")), "Caf\xe9 \x80 - 0 - 0 - 0 - 2, - 0\r\n");
    writeFile(dir.filePath(QStringLiteral("reminder.nlt")), "-0-\r\nna\xefve \x93quoted\x94\r\n==\r\n");
    ReminderStore store(dir.path());
    const ReminderStore::LoadResult loaded = store.load();
    QCOMPARE(loaded.status, ReminderStore::LoadStatus::Loaded);
    QCOMPARE(loaded.rows.first().name, QString::fromUtf8("Café €"));
    QCOMPARE(loaded.rows.first().what, QString::fromUtf8("naïve “quoted”"));
}

void TestReminderFile::load_encodingIsDecidedPerLine_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("texts");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("whats");
    const QByteArray plain = " - 0 - 0 - 0 - 2, - 0\r\n";
    QTest::newRow("UTF-8 line and Latin-1 line")
        << QByteArray("Caf\xc3\xa9" + plain + "Na\xefve" + plain)
        << QByteArray("-0-\r\nCaf\xc3\xa9 au lait\r\n==\r\n-1-\r\nna\xefve\r\n==\r\n")
        << QStringList{u"Café"_s, u"Naïve"_s} << QStringList{u"Café au lait"_s, u"naïve"_s};
    QTest::newRow("Latin-1 line first") << QByteArray("Na\xefve" + plain + "Caf\xc3\xa9" + plain)
                                        << QByteArray("-0-\r\n\x93quoted\x94\r\n==\r\n-1-\r\n\xe2\x82\xac 5\r\n==\r\n")
                                        << QStringList{u"Naïve"_s, u"Café"_s} << QStringList{u"“quoted”"_s, u"€ 5"_s};
    // The lines of one text are kept apart by bare CRs, each still in its own encoding.
    QTest::newRow("one text, two encodings")
        << QByteArray("Mixed" + plain) << QByteArray("-0-\r\nr\xc3\xa9sum\xc3\xa9\rna\xefve\rcaf\xc3\xa9\r\n==\r\n")
        << QStringList{u"Mixed"_s} << QStringList{u"résumé\rnaïve\rcafé"_s};
    QTest::newRow("one text, two encodings, CR LF")
        << QByteArray("Mixed" + plain) << QByteArray("-0-\r\nna\xefve\r\nr\xc3\xa9sum\xc3\xa9\r\n==\r\n")
        << QStringList{u"Mixed"_s} << QStringList{u"naïve\rrésumé"_s};
    // A character cut by a line end makes both halves stray bytes.
    QTest::newRow("character cut by a line end")
        << QByteArray("Cut" + plain) << QByteArray("-0-\r\nab\xc3\r\xa9\r\n==\r\n") << QStringList{u"Cut"_s}
        << QStringList{u"abÃ\r©"_s};
}

void TestReminderFile::load_encodingIsDecidedPerLine()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, texts);
    QFETCH(QStringList, names);
    QFETCH(QStringList, whats);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("reminder.nld")), data);
    writeFile(dir.filePath(QStringLiteral("reminder.nlt")), texts);
    ReminderStore store(dir.path());
    const QList<Reminder> rows = store.load().rows;
    QCOMPARE(rows.size(), names.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).name, names.at(i));
        QCOMPARE(rows.at(i).what, whats.at(i));
    }
    // Written back, every line is UTF-8 and reads as it was loaded.
    QCOMPARE(store.save(rows), QString());
    QVERIFY(readFile(store.dataPath()).isValidUtf8());
    QVERIFY(readFile(store.textPath()).isValidUtf8());
    QCOMPARE(store.load().rows, rows);
}

void TestReminderFile::load_shortLineKeepsTheFieldsItHas_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("fields"); // Name, Date, Time, Repeat, Events
    QTest::addColumn<bool>("checked");
    QTest::newRow("name only") << QByteArray("Just a name") << QStringList{u"Just a name"_s, u"0"_s, u"0"_s, u"0"_s, {}}
                               << false;
    QTest::newRow("name and date") << QByteArray("A - 05.03.26")
                                   << QStringList{u"A"_s, u"05.03.26"_s, u"0"_s, u"0"_s, {}} << false;
    QTest::newRow("up to the time") << QByteArray("A - 05.03.26 - 09:30:00")
                                    << QStringList{u"A"_s, u"05.03.26"_s, u"09:30:00"_s, u"0"_s, {}} << false;
    QTest::newRow("up to the step") << QByteArray("A - #05.03.26 - 09:30:00 - 15")
                                    << QStringList{u"A"_s, u"#05.03.26"_s, u"09:30:00"_s, u"15"_s, {}} << false;
    QTest::newRow("up to the events") << QByteArray("A - #05.03.26 - 09:30:00 - 15 - 1,0,")
                                      << QStringList{u"A"_s, u"#05.03.26"_s, u"09:30:00"_s, u"15"_s, u"1,0,"_s}
                                      << false;
    QTest::newRow("whole line") << QByteArray("A - 05.03.26 - 09:30:00 - 0 - 1, - 1")
                                << QStringList{u"A"_s, u"05.03.26"_s, u"09:30:00"_s, u"0"_s, u"1,"_s} << true;
    QTest::newRow("ends in a separator") << QByteArray("A - 05.03.26 - ")
                                         << QStringList{u"A"_s, u"05.03.26"_s, u"0"_s, u"0"_s, {}} << false;
    QTest::newRow("blank date, time kept")
        << QByteArray("A -   - 09:30:00") << QStringList{u"A"_s, u"0"_s, u"09:30:00"_s, u"0"_s, {}} << false;
    QTest::newRow("more separators go to the check field")
        << QByteArray("A - 0 - 0 - 0 - 2, - 0 - 1") << QStringList{u"A"_s, u"0"_s, u"0"_s, u"0"_s, u"2,"_s} << true;
    // Only a hyphen with a blank on either side separates.
    QTest::newRow("hyphens in a name") << QByteArray("Check-up -x x- -- - 05.03.26 - 0 - 0 - 1, - 1")
                                       << QStringList{u"Check-up -x x- --"_s, u"05.03.26"_s, u"0"_s, u"0"_s, u"1,"_s}
                                       << true;
    QTest::newRow("a separator first") << QByteArray(" - 05.03.26 - 0 - 0 - 1, - 0")
                                       << QStringList{QString(), u"05.03.26"_s, u"0"_s, u"0"_s, u"1,"_s} << false;
    QTest::newRow("separators sharing a blank")
        << QByteArray("A - - - x") << QStringList{u"A"_s, u"-"_s, u"x"_s, u"0"_s, {}} << false;
    QTest::newRow("a hyphen at the end") << QByteArray("A -") << QStringList{u"A -"_s, u"0"_s, u"0"_s, u"0"_s, {}}
                                         << false;
    QTest::newRow("a lone hyphen") << QByteArray("-") << QStringList{u"-"_s, u"0"_s, u"0"_s, u"0"_s, {}} << false;
}

void TestReminderFile::load_shortLineKeepsTheFieldsItHas()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, fields);
    QFETCH(bool, checked);
    for (const QByteArray& eol : {QByteArray("\r\n"), QByteArray()}) {
        const QList<Reminder> rows = ParseDataFile(line + eol);
        QCOMPARE(rows.size(), 1);
        const Reminder& r = rows.first();
        QCOMPARE((QStringList{r.name, r.date, r.time, r.repeat, r.events}), fields);
        QCOMPARE(r.checked, checked);
        QCOMPARE(r.ponovno, u"0"_s);
    }
}

void TestReminderFile::readsBack_awkwardRows_data()
{
    QTest::addColumn<Reminder>("reminder");
    QTest::addColumn<int>("failing"); // the Field reported, or ReadsBack
    const auto named = [](const QString& name) {
        return row(name, u"#08.12.26"_s, u"0"_s, u"0"_s, u"2,"_s, false, u"text"_s);
    };
    const auto texted = [](const QString& what) {
        return row(u"Name"_s, u"08.12.26"_s, u"09:30:00"_s, u"7"_s, u"1,0,"_s, true, what);
    };
    const int name = int(Field::Name);
    const int what = int(Field::What);
    QTest::newRow("name with the separator") << named(u"Call - Bob"_s) << name;
    QTest::newRow("name that is the separator") << named(u" - "_s) << name;
    QTest::newRow("name ending in blank hyphen") << named(u"Call -"_s) << name;
    QTest::newRow("name of a blank hyphen") << named(u" -"_s) << name;
    QTest::newRow("name with LF") << named(u"Call\nBob"_s) << name;
    QTest::newRow("name with CR") << named(u"Call\rBob"_s) << name;
    QTest::newRow("name with CR LF at the end") << named(u"Call\r\n"_s) << name;
    QTest::newRow("name with a tab") << named(u"Call\tBob"_s) << name;
    QTest::newRow("name with NUL") << named(QStringLiteral("Call") + QChar(0) + u"Bob"_s) << name;
    QTest::newRow("name with a line separator") << named(u"Call"_s + QChar(QChar::LineSeparator)) << name;
    QTest::newRow("name with a lone surrogate") << named(u"Call"_s + QChar(0xD800)) << name;
    QTest::newRow("name with hyphen, no blanks") << named(u"Call-Bob"_s) << ReadsBack;
    QTest::newRow("name with blank hyphen word") << named(u"Call -Bob"_s) << ReadsBack;
    QTest::newRow("name with hyphen blank word") << named(u"Call- Bob"_s) << ReadsBack;
    QTest::newRow("name with a double hyphen") << named(u"Call -- Bob"_s) << ReadsBack;
    QTest::newRow("name starting with hyphen blank") << named(u"- Call"_s) << ReadsBack;
    QTest::newRow("name ending in a hyphen") << named(u"Call-"_s) << ReadsBack;
    QTest::newRow("name ending in hyphen blank") << named(u"Call- "_s) << ReadsBack;
    QTest::newRow("name with blanks around") << named(u"  Call  "_s) << ReadsBack;
    QTest::newRow("name of blanks only") << named(u"   "_s) << ReadsBack;
    QTest::newRow("name like a block header") << named(u"-1-"_s) << ReadsBack;
    QTest::newRow("name like a block end") << named(u"=="_s) << ReadsBack;
    QTest::newRow("name in other scripts") << named(u"Čaša € 😀 日本"_s) << ReadsBack;

    QTest::newRow("text line ==") << texted(u"=="_s) << what;
    QTest::newRow("text line == in the middle") << texted(u"before\r==\rafter"_s) << what;
    QTest::newRow("text line -0-") << texted(u"-0-"_s) << what;
    QTest::newRow("text line -1-") << texted(u"one\r-1-"_s) << what;
    QTest::newRow("text line with a large header") << texted(u"-123456789-"_s) << what;
    QTest::newRow("text with LF") << texted(u"one\ntwo"_s) << what;
    QTest::newRow("text with CR LF") << texted(u"one\r\ntwo"_s) << what;
    QTest::newRow("text with a lone surrogate") << texted(u"x"_s + QChar(0xDC00)) << what;
    QTest::newRow("text line == and a blank") << texted(u"== "_s) << ReadsBack;
    QTest::newRow("text line ===") << texted(u"==="_s) << ReadsBack;
    QTest::newRow("text line with a leading zero header") << texted(u"-01-"_s) << ReadsBack;
    QTest::newRow("text line --") << texted(u"--"_s) << ReadsBack;
    QTest::newRow("text line -x-") << texted(u"-x-"_s) << ReadsBack;
    QTest::newRow("text line - 1 -") << texted(u"- 1 -"_s) << ReadsBack;
    QTest::newRow("text line -1") << texted(u"-1"_s) << ReadsBack;
    QTest::newRow("text with the separator") << texted(u"a - b - c"_s) << ReadsBack;
    QTest::newRow("text with tabs") << texted(u"\tindented"_s) << ReadsBack;
    QTest::newRow("empty text") << texted(QString()) << ReadsBack;
    QTest::newRow("text of empty lines") << texted(u"\r\r"_s) << ReadsBack;
    QTest::newRow("text ending in an empty line") << texted(u"last\r"_s) << ReadsBack;

    Reminder blankDate = named(u"A"_s);
    blankDate.date = u" "_s;
    QTest::newRow("blank date") << blankDate << int(Field::Date);
    Reminder splitTime = named(u"A"_s);
    splitTime.time = u"09 - 30"_s;
    QTest::newRow("time with the separator") << splitTime << int(Field::Time);
    Reminder brokenStep = named(u"A"_s);
    brokenStep.repeat = u"3\r0"_s;
    QTest::newRow("step with a line break") << brokenStep << int(Field::Repeat);
    Reminder splitEvents = named(u"A"_s);
    splitEvents.events = u"1, - 2,"_s;
    QTest::newRow("events with the separator") << splitEvents << int(Field::Events);
    Reminder noEvents = named(u"A"_s);
    noEvents.events.clear();
    noEvents.checked = true;
    QTest::newRow("no events, checked") << noEvents << ReadsBack;
}

void TestReminderFile::readsBack_awkwardRows()
{
    QFETCH(Reminder, reminder);
    QFETCH(int, failing);
    const std::optional<Field> field = FieldNotReadingBack(reminder);
    QCOMPARE(field ? int(*field) : ReadsBack, failing);
    QCOMPARE(RowReadsBack(reminder), failing == ReadsBack);
    if (failing != ReadsBack) {
        return;
    }
    // An accepted row reads back as itself first, among others and last in a list, and leaves
    // its neighbours as they were.
    QList<Reminder> rows;
    for (int i = 0; i < 12; ++i) {
        rows.append(row(u"Row %1"_s.arg(i), u"0"_s, u"0"_s, u"0"_s, u"4,"_s, i % 2, u"-%1-\x01text"_s.arg(i + 1)));
    }
    for (const qsizetype at : {qsizetype(0), qsizetype(6), rows.size()}) {
        QList<Reminder> list = rows;
        list.insert(at, reminder);
        QCOMPARE(roundTrip(list), list);
    }
}

void TestReminderFile::load_neverCrashesOnOddContent()
{
    QTemporaryDir dir;
    QByteArray noise;
    for (int i = 0; i < 65536; ++i) {
        noise.append(char((i * 7919 + 13) % 256));
    }
    QByteArray longLine(10 * 1024 * 1024, 'x');
    longLine += " - 01.01.26 - 0 - 0 - 1, - 0\n";
    writeFile(dir.filePath(QStringLiteral("reminder.nld")), noise + "\n" + longLine);
    writeFile(dir.filePath(QStringLiteral("reminder.nlt")), noise);
    ReminderStore store(dir.path());
    const ReminderStore::LoadResult loaded = store.load();
    QCOMPARE(loaded.status, ReminderStore::LoadStatus::Loaded);
    QVERIFY(!loaded.rows.isEmpty());
    for (const Reminder& r : loaded.rows) {
        QVERIFY(!r.date.isEmpty());
    }
    QCOMPARE(loaded.rows.last().name.size(), 10 * 1024 * 1024);

    // A text file with no blocks at all.
    writeFile(dir.filePath(QStringLiteral("reminder.nlt")), "");
    QCOMPARE(store.load().status, ReminderStore::LoadStatus::Loaded);
}

void TestReminderFile::save_emptyListWritesTwoEmptyFiles()
{
    QTemporaryDir dir;
    ReminderStore store(dir.path());
    QCOMPARE(store.save({}), QString());
    QCOMPARE(readFile(store.dataPath()), QByteArray());
    QCOMPARE(readFile(store.textPath()), QByteArray());
    const ReminderStore::LoadResult loaded = store.load();
    QCOMPARE(loaded.status, ReminderStore::LoadStatus::Loaded);
    QVERIFY(loaded.rows.isEmpty());
}

void TestReminderFile::save_afterDeletingFirstOfThreeRenumbersBlocks()
{
    QTemporaryDir dir;
    ReminderStore store(dir.path());
    ReminderModel model;
    model.setRows({row(QStringLiteral("A"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), {}, false,
                       QStringLiteral("first")),
                   row(QStringLiteral("B"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), {}, false,
                       QStringLiteral("second")),
                   row(QStringLiteral("C"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), {}, true,
                       QStringLiteral("third"))});
    model.removeRow(0);
    QCOMPARE(store.save(model.rows()), QString());
    QCOMPARE(readFile(store.textPath()), QByteArray("-0-\r\nsecond\r\n==\r\n-1-\r\nthird\r\n==\r\n"));
    QCOMPARE(readFile(store.dataPath()), QByteArray("B - 0 - 0 - 0 -  - 0\r\nC - 0 - 0 - 0 -  - 1\r\n"));
}

void TestReminderFile::load_onlyOneFilePresentLoadsNothing()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("reminder.nld")), "Kept - 0 - 0 - 0 - 2, - 0\r\n");
    ReminderStore store(dir.path());
    const ReminderStore::LoadResult loaded = store.load();
    QCOMPARE(loaded.status, ReminderStore::LoadStatus::Missing);
    QVERIFY(loaded.rows.isEmpty());
    QVERIFY(store.keepsOldFilesAside());

    QTemporaryDir empty;
    ReminderStore fresh(empty.path());
    QCOMPARE(fresh.load().status, ReminderStore::LoadStatus::Missing);
    QVERIFY(!fresh.keepsOldFilesAside());
}

void TestReminderFile::save_afterIncompleteLoadKeepsOldFilesAside()
{
    QTemporaryDir dir;
    const QByteArray old = "Kept - 0 - 0 - 0 - 2, - 0\r\n";
    writeFile(dir.filePath(QStringLiteral("reminder.nld")), old);
    ReminderStore store(dir.path());
    store.load();
    QCOMPARE(store.save({}), QString());
    QCOMPARE(readFile(dir.filePath(QStringLiteral("reminder.nld.bak"))), old);
    QCOMPARE(readFile(store.dataPath()), QByteArray());
    // Once our own files are on disk, later saves simply replace them.
    QVERIFY(!store.keepsOldFilesAside());
    QCOMPARE(store.save({}), QString());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("reminder.nld.bak.1"))));
}

void TestReminderFile::load_failingDeviceReportsItsFileAndKeepsBothAside_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<bool>("opens");
    QTest::newRow("data file will not open") << u"reminder.nld"_s << false;
    QTest::newRow("data file fails to read") << u"reminder.nld"_s << true;
    QTest::newRow("text file will not open") << u"reminder.nlt"_s << false;
    QTest::newRow("text file fails to read") << u"reminder.nlt"_s << true;
}

void TestReminderFile::load_failingDeviceReportsItsFileAndKeepsBothAside()
{
    QFETCH(QString, failing);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    const QByteArray data = "Kept - 0 - 0 - 0 - 2, - 0\r\n";
    const QByteArray text = "-0-\r\nkept\r\n==\r\n";
    writeFile(dir.filePath(u"reminder.nld"_s), data);
    writeFile(dir.filePath(u"reminder.nlt"_s), text);
    ReminderStore store(dir.path(), {}, failReadingOn(failing, opens));
    const ReminderStore::LoadResult loaded = store.load();
    QCOMPARE(loaded.status, ReminderStore::LoadStatus::Failed);
    QCOMPARE(loaded.failedPath, dir.filePath(failing)); // the path of "Cannot open file %s"
    QVERIFY(loaded.rows.isEmpty());
    // The reminders that could not be read are not replaced by the empty list.
    QVERIFY(store.keepsOldFilesAside());
    QCOMPARE(store.save({}), QString());
    QCOMPARE(readFile(dir.filePath(u"reminder.nld.bak"_s)), data);
    QCOMPARE(readFile(dir.filePath(u"reminder.nlt.bak"_s)), text);
}

void TestReminderFile::save_backupNeverOverwritesEarlierBackup()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("reminder.nlt")), "-0-\r\nnewest\r\n==\r\n");
    writeFile(dir.filePath(QStringLiteral("reminder.nlt.bak")), "oldest");
    writeFile(dir.filePath(QStringLiteral("reminder.nlt.bak.1")), "older");
    ReminderStore store(dir.path());
    store.load();
    QCOMPARE(store.save({}), QString());
    QCOMPARE(readFile(dir.filePath(QStringLiteral("reminder.nlt.bak"))), QByteArray("oldest"));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("reminder.nlt.bak.1"))), QByteArray("older"));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("reminder.nlt.bak.2"))), QByteArray("-0-\r\nnewest\r\n==\r\n"));
}

void TestReminderFile::save_failingFirstFileChangesNeither()
{
    QTemporaryDir dir;
    ReminderStore good(dir.path());
    const QList<Reminder> before = {row(QStringLiteral("Old"), QStringLiteral("0"), QStringLiteral("0"),
                                        QStringLiteral("0"), QStringLiteral("2,"), false, QStringLiteral("old"))};
    QCOMPARE(good.save(before), QString());
    const QByteArray data = readFile(good.dataPath());
    const QByteArray text = readFile(good.textPath());

    ReminderStore failing(dir.path(), failOn(QStringLiteral("reminder.nld")));
    QCOMPARE(failing.save({}), good.dataPath());
    QCOMPARE(readFile(good.dataPath()), data);
    QCOMPARE(readFile(good.textPath()), text);
}

void TestReminderFile::save_failingSecondFileChangesNeither()
{
    QTemporaryDir dir;
    ReminderStore good(dir.path());
    const QList<Reminder> before = {row(QStringLiteral("Old"), QStringLiteral("0"), QStringLiteral("0"),
                                        QStringLiteral("0"), QStringLiteral("2,"), false, QStringLiteral("old"))};
    QCOMPARE(good.save(before), QString());
    const QByteArray data = readFile(good.dataPath());
    const QByteArray text = readFile(good.textPath());

    ReminderStore failing(dir.path(), failOn(QStringLiteral("reminder.nlt")));
    QCOMPARE(failing.save({}), good.textPath());
    QCOMPARE(readFile(good.dataPath()), data);
    QCOMPARE(readFile(good.textPath()), text);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no temporary files left behind
}

void TestReminderFile::save_newFilesAreOwnerOnly()
{
    QTemporaryDir dir;
    const mode_t old = ::umask(0);
    ReminderStore store(dir.path());
    const QString result = store.save({});
    ::umask(old);
    QCOMPARE(result, QString());
    for (const QString& path : {store.dataPath(), store.textPath()}) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
    }
}

void TestReminderFile::save_existingFileKeepsItsPermissions()
{
    QTemporaryDir dir;
    ReminderStore store(dir.path());
    QCOMPARE(store.save({}), QString());
    QVERIFY(QFile::setPermissions(store.dataPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QCOMPARE(store.save({}), QString());
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(store.dataPath()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0644));
}

void TestReminderFile::save_readOnlyFolderRewritesWritableFilesInPlace()
{
    QTemporaryDir dir;
    const QList<Reminder> before = {row(u"Old"_s, u"0"_s, u"0"_s, u"0"_s, u"2,"_s, false, u"old text"_s),
                                    row(u"Older"_s, u"0"_s, u"0"_s, u"0"_s, u"2,"_s, true, u"older text"_s)};
    const QList<Reminder> longer = {before.at(0), before.at(1),
                                    row(u"New"_s, u"24.12.26"_s, u"18:00:00"_s, u"7"_s, u"1,0,"_s, false, u"a\rb"_s)};
    const QList<Reminder> shorter = {row(u"Only"_s, u"0"_s, u"0"_s, u"0"_s, u"3,"_s, false, u"x"_s)};
    ReminderStore owner(dir.path());
    QCOMPARE(owner.save(before), QString());

    const int result = asUserWithoutFolderWrite(dir.path(), {u"reminder.nld"_s, u"reminder.nlt"_s}, [&] {
        ReminderStore store(dir.path());
        if (QFile(dir.filePath(u"probe"_s)).open(QIODevice::WriteOnly)) {
            return 10; // the folder still takes new files: nothing would be tested
        }
        if (store.load().rows != before) {
            return 11;
        }
        if (!store.save(longer).isEmpty()) {
            return 12;
        }
        // A shorter content leaves no tail of the longer one behind.
        if (!store.save(shorter).isEmpty()) {
            return 13;
        }
        return store.load().rows == shorter ? 0 : 14;
    });
    if (result == -1) {
        QSKIP("no unprivileged user to run as");
    }
    QCOMPARE(result, 0);
    QCOMPARE(readFile(owner.dataPath()), EncodeDataFile(shorter));
    QCOMPARE(readFile(owner.textPath()), EncodeTextFile(shorter));
    QCOMPARE(modeOf(owner.dataPath()), mode_t(0600));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{u"reminder.nld"_s, u"reminder.nlt"_s}));
}

void TestReminderFile::save_readOnlyFolderWithReadOnlyTextFileChangesNeither()
{
    QTemporaryDir dir;
    const QList<Reminder> before = {row(u"Old"_s, u"0"_s, u"0"_s, u"0"_s, u"2,"_s, false, u"old text"_s)};
    ReminderStore owner(dir.path());
    QCOMPARE(owner.save(before), QString());
    const QByteArray data = readFile(owner.dataPath());
    const QByteArray text = readFile(owner.textPath());

    const int result = asUserWithoutFolderWrite(dir.path(), {u"reminder.nld"_s}, [&] {
        ReminderStore store(dir.path());
        if (store.load().rows != before) {
            return 11;
        }
        return store.save({}) == store.textPath() ? 0 : 12;
    });
    if (result == -1) {
        QSKIP("no unprivileged user to run as");
    }
    QCOMPARE(result, 0);
    QCOMPARE(readFile(owner.dataPath()), data);
    QCOMPARE(readFile(owner.textPath()), text);
}

void TestReminderFile::save_readOnlyFolderAfterIncompleteLoadChangesNothing_data()
{
    QTest::addColumn<bool>("textFilePresent");
    QTest::newRow("text file missing") << false;
    QTest::newRow("text file unreadable") << true;
}

void TestReminderFile::save_readOnlyFolderAfterIncompleteLoadChangesNothing()
{
    QFETCH(bool, textFilePresent);
    QTemporaryDir dir;
    const QByteArray old = "Kept - 0 - 0 - 0 - 2, - 0\r\n";
    writeFile(dir.filePath(u"reminder.nld"_s), old);
    if (textFilePresent) {
        writeFile(dir.filePath(u"reminder.nlt"_s), "-0-\r\nkept\r\n==\r\n");
    }
    const int result = asUserWithoutFolderWrite(dir.path(), {u"reminder.nld"_s},
                                                [&] {
                                                    ReminderStore store(dir.path());
                                                    const ReminderStore::LoadStatus expected =
                                                        textFilePresent ? ReminderStore::LoadStatus::Failed
                                                                        : ReminderStore::LoadStatus::Missing;
                                                    if (store.load().status != expected) {
                                                        return 11;
                                                    }
                                                    // The stored reminders were not loaded and cannot be kept aside:
                                                    // they are not overwritten.
                                                    return store.save({}).isEmpty() ? 12 : 0;
                                                },
                                                {u"reminder.nlt"_s});
    if (result == -1) {
        QSKIP("no unprivileged user to run as");
    }
    QCOMPARE(result, 0);
    QCOMPARE(readFile(dir.filePath(u"reminder.nld"_s)), old);
}

void TestReminderFile::model_changesEmitContentChanged()
{
    ReminderModel model;
    QSignalSpy spy(&model, &ReminderModel::contentChanged);
    const int r = model.append(row(QStringLiteral("A"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                   {}, false));
    QCOMPARE(spy.size(), 1);
    QVERIFY(model.setData(model.index(r), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.isChecked(r));
    QCOMPARE(spy.size(), 2);
    model.setField(r, Field::Ponovno, QStringLiteral("10:00:00")); // run-time only: nothing to save
    QCOMPARE(spy.size(), 2);
    model.setField(r, Field::Date, QStringLiteral("01.01.27"));
    QCOMPARE(spy.size(), 3);
    model.removeRow(r);
    QCOMPARE(spy.size(), 4);
    QCOMPARE(model.count(), 0);
}

void TestReminderFile::model_selectionIsSingle()
{
    ReminderModel model;
    const int a = model.append(Reminder{});
    const int b = model.append(Reminder{});
    QCOMPARE(model.selectedRow(), -1);
    model.selectRow(a);
    model.selectRow(b);
    QCOMPARE(model.selectedRow(), b);
    QCOMPARE(model.selectionModel()->selectedRows().size(), 1);
    QCOMPARE(model.rowOfId(model.at(b).id), b);
    model.removeRow(a);
    QCOMPARE(model.selectedRow(), 0);
}

QTEST_GUILESS_MAIN(TestReminderFile)
#include "tst_reminderfile.moc"
