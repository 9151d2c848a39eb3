#include "core/EventSounds.h"
#include "core/IniFile.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestIniFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void missingFile_isEmpty();
    void awkwardValue_roundTrips_data();
    void awkwardValue_roundTrips();
    void handWrittenFile_readsAsWindows_data();
    void handWrittenFile_readsAsWindows();
    void setValue_keepsOtherLinesInOrder();
    void setValue_newKey_goesToEndOfItsSection();
    void setValue_newSection_goesToEndOfFile();
    void setValue_existingKeyInOtherCase_isReplacedInPlace();
    void setValue_lineBreakInValue_staysOnOneLine();
    void save_writesCrLfAndUtf8();
    void load_windows1252File_isDecoded();
    void load_mixedEncodings_decidePerLine();
    void load_byteOrderMarks_areSkipped();
    void value_longerThanLimit_isCut();
    void save_unwritableTarget_returnsFalse();
    void load_directory_returnsFalse();
    void garbage_neverCrashes();

    void soundKeys_flagsAndDefaults();
    void soundPaths_missingFile_areEmpty();
    void soundPaths_roundTrip_keepRestOfFile();
    void soundPaths_writeOnlyDateTime_othersStayMissing();
    void soundPaths_unwritable_returnsFalse();
    void defaultSoundPath_joinsFolderAndName();
    void isRegularSoundFile_rejectsNonFiles();
};

void TestIniFile::missingFile_isEmpty()
{
    QTemporaryDir dir;
    IniFile ini;
    QVERIFY(ini.load(dir.filePath(u"none.ini"_s)));
    QVERIFY(ini.lines().isEmpty());
    QCOMPARE(ini.value(u"Sounds", u"DateTimeE"), QString());
    QVERIFY(!ini.contains(u"Sounds", u"DateTimeE"));
}

void TestIniFile::awkwardValue_roundTrips_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("spaces") << u"/home/ann/My Sounds/Startup Sound.wav"_s;
    QTest::newRow("comma and semicolon") << u"/tmp/a,b;c.wav"_s;
    QTest::newRow("equals signs") << u"/tmp/x=y==z.wav"_s;
    QTest::newRow("brackets") << u"/tmp/[Sounds]/a].wav"_s;
    QTest::newRow("quotes") << u"/tmp/\"quoted\" 'single'.wav"_s;
    QTest::newRow("backslashes") << u"C:\\Program Files\\Nudgelark\\sounds\\GenSound.wav"_s;
    QTest::newRow("percent and hash") << u"/tmp/100%#1.wav"_s;
    QTest::newRow("non-ASCII letters") << u"/home/željko/Zvukovi/čćšđž ÄÖÜ ß 日本.wav"_s;
    QTest::newRow("emoji") << u"/tmp/🔔.wav"_s;
    QTest::newRow("empty") << QString();
}

void TestIniFile::awkwardValue_roundTrips()
{
    QFETCH(QString, value);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"sounds.ini"_s);
    IniFile ini;
    ini.setValue(u"Sounds"_s, u"DateTimeE"_s, value);
    QVERIFY(ini.save(path));

    IniFile back;
    QVERIFY(back.load(path));
    QCOMPARE(back.value(u"Sounds", u"DateTimeE"), value);
    QCOMPARE(back.lines(), (QStringList{u"[Sounds]"_s, u"DateTimeE="_s + value}));
}

void TestIniFile::handWrittenFile_readsAsWindows_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << u"Sounds"_s << u"DateTimeE"_s << u"/s/Gen Sound.wav"_s;
    QTest::newRow("spaced key and value") << u"Sounds"_s << u"StartupE"_s << u"/s/Startup Sound.wav"_s;
    QTest::newRow("key in other case") << u"Sounds"_s << u"shutdowne"_s << u"/s/ShutDown.wav"_s;
    QTest::newRow("section in other case") << u"SOUNDS"_s << u"DateTimeE"_s << u"/s/Gen Sound.wav"_s;
    QTest::newRow("tabs around") << u"Sounds"_s << u"IConnectE"_s << u"/s/tab.wav"_s;
    QTest::newRow("empty value") << u"Sounds"_s << u"IDisConnectE"_s << QString();
    QTest::newRow("key of other section") << u"Sounds"_s << u"Other"_s << QString();
    QTest::newRow("other section") << u"Other"_s << u"Other"_s << u"1"_s;
    QTest::newRow("commented key") << u"Sounds"_s << u"Hidden"_s << QString();
    QTest::newRow("key before any section") << u"Sounds"_s << u"Stray"_s << QString();
    QTest::newRow("second equals kept") << u"Other"_s << u"Formula"_s << u"a=b"_s;
    QTest::newRow("line without equals") << u"Other"_s << u"JustAKey"_s << QString();
}

void TestIniFile::handWrittenFile_readsAsWindows()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    IniFile ini;
    ini.setBytes("Stray=1\n"
                 "; sounds chosen by hand\n"
                 "\n"
                 "  [ Sounds ]  \n"
                 "DateTimeE=/s/Gen Sound.wav\r\n"
                 "StartupE = /s/Startup Sound.wav   \r\n"
                 "\n"
                 ";Hidden=/s/no.wav\n"
                 "SHUTDOWNE=/s/ShutDown.wav\r"
                 "\tIConnectE\t=\t/s/tab.wav\t\n"
                 "IDisConnectE=\n"
                 "[Other]\n"
                 "Other=1\n"
                 "Formula = a=b\n"
                 "JustAKey\n");
    QCOMPARE(ini.value(section, key), expected);
}

void TestIniFile::setValue_keepsOtherLinesInOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"sounds.ini"_s);
    writeFile(path, "; my sounds\r\n"
                    "[First]\r\n"
                    "a = 1\r\n"
                    "\r\n"
                    "[Sounds]\r\n"
                    "StartupE = /old/start.wav\r\n"
                    "Extra=keep me\r\n"
                    "\r\n"
                    "[Last]\r\n"
                    "z=26\r\n");
    IniFile ini;
    QVERIFY(ini.load(path));
    ini.setValue(u"Sounds"_s, u"StartupE"_s, u"/new/start.wav"_s);
    QVERIFY(ini.save(path));
    QCOMPARE(readFile(path), QByteArray("; my sounds\r\n"
                                        "[First]\r\n"
                                        "a = 1\r\n"
                                        "\r\n"
                                        "[Sounds]\r\n"
                                        "StartupE=/new/start.wav\r\n"
                                        "Extra=keep me\r\n"
                                        "\r\n"
                                        "[Last]\r\n"
                                        "z=26\r\n"));
}

void TestIniFile::setValue_newKey_goesToEndOfItsSection()
{
    IniFile ini;
    ini.setBytes("[Sounds]\nStartupE=/a.wav\n\n[Last]\nz=26\n");
    ini.setValue(u"Sounds"_s, u"DateTimeE"_s, u"/b.wav"_s);
    ini.setValue(u"Sounds"_s, u"ShutdownE"_s, u"/c.wav"_s);
    QCOMPARE(ini.lines(), (QStringList{u"[Sounds]"_s, u"StartupE=/a.wav"_s, u"DateTimeE=/b.wav"_s,
                                       u"ShutdownE=/c.wav"_s, QString(), u"[Last]"_s, u"z=26"_s}));
}

void TestIniFile::setValue_newSection_goesToEndOfFile()
{
    IniFile ini;
    ini.setBytes("[Other]\nx=1");
    ini.setValue(u"Sounds"_s, u"DateTimeE"_s, u"/b.wav"_s);
    QCOMPARE(ini.lines(), (QStringList{u"[Other]"_s, u"x=1"_s, QString(), u"[Sounds]"_s, u"DateTimeE=/b.wav"_s}));

    IniFile empty;
    empty.setValue(u"Sounds"_s, u"DateTimeE"_s, u"/b.wav"_s);
    QCOMPARE(empty.toBytes(), QByteArray("[Sounds]\r\nDateTimeE=/b.wav\r\n"));
}

void TestIniFile::setValue_existingKeyInOtherCase_isReplacedInPlace()
{
    IniFile ini;
    ini.setBytes("[sounds]\ndatetimee = /old.wav\nnext=1\n");
    ini.setValue(u"Sounds"_s, u"DateTimeE"_s, u"/new.wav"_s);
    QCOMPARE(ini.lines(), (QStringList{u"[sounds]"_s, u"datetimee=/new.wav"_s, u"next=1"_s}));
    QCOMPARE(ini.value(u"SOUNDS", u"DATETIMEE"), u"/new.wav"_s);
}

void TestIniFile::setValue_lineBreakInValue_staysOnOneLine()
{
    IniFile ini;
    ini.setValue(u"Sounds"_s, u"DateTimeE"_s, u"/a\r\n[Evil]\nb.wav"_s);
    QCOMPARE(ini.lines().size(), 2);
    IniFile back;
    back.setBytes(ini.toBytes());
    QCOMPARE(back.lines().size(), 2);
    QVERIFY(!back.value(u"Sounds", u"DateTimeE").isEmpty());
    QCOMPARE(back.value(u"Evil", u"b.wav"), QString());
}

void TestIniFile::save_writesCrLfAndUtf8()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"sounds.ini"_s);
    IniFile ini;
    ini.setValue(u"Sounds"_s, u"DateTimeE"_s, u"/zvuk/čaša.wav"_s);
    QVERIFY(ini.save(path));
    QCOMPARE(readFile(path), QByteArray("[Sounds]\r\nDateTimeE=/zvuk/\xC4\x8D"
                                        "a\xC5\xA1"
                                        "a.wav\r\n"));
}

void TestIniFile::load_windows1252File_isDecoded()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"sounds.ini"_s);
    writeFile(path, "[Sounds]\r\nDateTimeE=C:\\Zvuci\\\x8A"
                    "um \x80.wav\r\n");
    IniFile ini;
    QVERIFY(ini.load(path));
    QCOMPARE(ini.value(u"Sounds", u"DateTimeE"), u"C:\\Zvuci\\Šum €.wav"_s);
}

void TestIniFile::load_mixedEncodings_decidePerLine()
{
    IniFile ini;
    ini.setBytes("[Sounds]\r\nDateTimeE=/zvuk/\xC4\x8D"
                 "a\xC5\xA1"
                 "a.wav\r\nStartupE=C:\\Zvuci\\\x8A"
                 "um.wav\nShutdownE=/caf\xC3\xA9.wav\r");
    QCOMPARE(ini.value(u"Sounds", u"DateTimeE"), u"/zvuk/čaša.wav"_s);
    QCOMPARE(ini.value(u"Sounds", u"StartupE"), u"C:\\Zvuci\\Šum.wav"_s);
    QCOMPARE(ini.value(u"Sounds", u"ShutdownE"), u"/café.wav"_s);
}

void TestIniFile::load_byteOrderMarks_areSkipped()
{
    IniFile utf8;
    utf8.setBytes("\xEF\xBB\xBF[Sounds]\r\nDateTimeE=/a.wav\r\n");
    QCOMPARE(utf8.value(u"Sounds", u"DateTimeE"), u"/a.wav"_s);

    const QString text = u"[Sounds]\r\nDateTimeE=/ž.wav\r\n"_s;
    QByteArray utf16("\xFF\xFE");
    for (QChar c : text) {
        utf16.append(char(c.unicode() & 0xFF));
        utf16.append(char(c.unicode() >> 8));
    }
    IniFile wide;
    wide.setBytes(utf16);
    QCOMPARE(wide.value(u"Sounds", u"DateTimeE"), u"/ž.wav"_s);
}

void TestIniFile::value_longerThanLimit_isCut()
{
    const QString longValue(3000, u'x');
    IniFile ini;
    ini.setValue(u"Sounds"_s, u"DateTimeE"_s, longValue);
    QCOMPARE(ini.value(u"Sounds", u"DateTimeE"), QString(2047, u'x'));
    // The file keeps the whole text; only reading is limited.
    QCOMPARE(ini.lines().at(1).size(), qsizetype(10 + 3000));

    // A character of two UTF-16 units is never split by the cut.
    const QString bells = QString(2046, u'x') + u"🔔🔔"_s;
    ini.setValue(u"Sounds"_s, u"StartupE"_s, bells);
    QCOMPARE(ini.value(u"Sounds", u"StartupE"), QString(2046, u'x'));
}

void TestIniFile::save_unwritableTarget_returnsFalse()
{
    QTemporaryDir dir;
    IniFile ini;
    ini.setValue(u"Sounds"_s, u"DateTimeE"_s, u"/a.wav"_s);
    QVERIFY(!ini.save(dir.filePath(u"no/such/folder/sounds.ini"_s)));

    // A folder standing where the file should be.
    const QString folder = dir.filePath(u"sounds.ini"_s);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!ini.save(folder));
    QVERIFY(QFileInfo(folder).isDir());
}

void TestIniFile::load_directory_returnsFalse()
{
    QTemporaryDir dir;
    IniFile ini;
    ini.setBytes("[A]\nb=c\n");
    QVERIFY(!ini.load(dir.path()));
    QVERIFY(ini.lines().isEmpty());
}

void TestIniFile::garbage_neverCrashes()
{
    // Random bytes, and the pieces of a line cut everywhere: reading and writing must hold up.
    QByteArray random;
    quint32 seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const char pick[] = "[]=;\r\n \tab\x80\xC3\xFF\x00";
        random.append(pick[(seed >> 16) % (sizeof pick - 1)]);
    }
    IniFile ini;
    ini.setBytes(random);
    ini.value(u"a", u"b");
    ini.setValue(u"a"_s, u"b"_s, u"c"_s);
    ini.setValue(u"Sounds"_s, u"DateTimeE"_s, u"d"_s);
    QCOMPARE(ini.value(u"Sounds", u"DateTimeE"), u"d"_s);
    IniFile again;
    again.setBytes(ini.toBytes());
    QCOMPARE(again.value(u"Sounds", u"DateTimeE"), u"d"_s);

    const QByteArray sample("[Sounds]\r\nDateTimeE = /a b.wav\r\n;c\r\n[X]\r\ny=z\r\n");
    for (qsizetype cut = 0; cut <= sample.size(); ++cut) {
        IniFile part;
        part.setBytes(sample.first(cut));
        part.value(u"Sounds", u"DateTimeE");
        part.setValue(u"X"_s, u"y"_s, u"1"_s);
        QCOMPARE(part.value(u"X", u"y"), u"1"_s);
    }
}

void TestIniFile::soundKeys_flagsAndDefaults()
{
    QCOMPARE(SoundKeys(),
             (QStringList{u"DateTimeE"_s, u"StartupE"_s, u"ShutdownE"_s, u"IConnectE"_s, u"IDisConnectE"_s}));
    QCOMPARE(DefaultSoundFileNames(), (QStringList{u"GenSound.wav"_s, u"Startup Sound.wav"_s, u"ShutDown Sound.wav"_s,
                                                   u"IConnect Sound.wav"_s, u"IDisConnect Sound.wav"_s}));
    for (int row = 0; row < EventSoundCount; ++row) {
        QCOMPARE(SoundFlag(row), QChar(u'1' + row));
        QCOMPARE(SoundKeyForFlag(SoundFlag(row)), SoundKeys().at(row));
    }
    QCOMPARE(SoundFlag(5), QChar());
    for (QChar other : {QChar(u'0'), QChar(u'6'), QChar(u'a'), QChar(u' '), QChar(), QChar(0x0661)}) {
        QCOMPARE(SoundKeyForFlag(other), QString());
    }
}

void TestIniFile::soundPaths_missingFile_areEmpty()
{
    QTemporaryDir dir;
    QCOMPARE(ReadSoundPaths(dir.filePath(u"sounds.ini"_s)), QStringList(5));
}

void TestIniFile::soundPaths_roundTrip_keepRestOfFile()
{
    QTemporaryDir dir;
    const QString path = SoundsIniPath(dir.path());
    QCOMPARE(path, dir.path() + u"/sounds.ini"_s);
    writeFile(path, "; keep\r\n[Mine]\r\nx=1\r\n\r\n[Sounds]\r\nIConnectE = /old.wav\r\nOwn=2\r\n");
    const QStringList five = {u"/a b/Gen,Sound.wav"_s, u"/č/Start;up.wav"_s, u"/x=y/Shut.wav"_s, u"/i.wav"_s,
                              QString()};
    QVERIFY(WriteSoundPaths(path, five));
    QCOMPARE(ReadSoundPaths(path), five);
    QCOMPARE(readFile(path), QByteArray("; keep\r\n[Mine]\r\nx=1\r\n\r\n[Sounds]\r\n"
                                        "IConnectE=/i.wav\r\n"
                                        "Own=2\r\n"
                                        "DateTimeE=/a b/Gen,Sound.wav\r\n"
                                        "StartupE=/\xC4\x8D/Start;up.wav\r\n"
                                        "ShutdownE=/x=y/Shut.wav\r\n"
                                        "IDisConnectE=\r\n"));
}

void TestIniFile::soundPaths_writeOnlyDateTime_othersStayMissing()
{
    QTemporaryDir dir;
    const QString path = SoundsIniPath(dir.path());
    writeFile(path, "[Sounds]\r\nDateTimeE=/only.wav\r\n");
    QCOMPARE(ReadSoundPaths(path), (QStringList{u"/only.wav"_s, QString(), QString(), QString(), QString()}));

    // A fresh file from the defaults holds exactly the five lines of the section.
    const QString fresh = dir.filePath(u"fresh.ini"_s);
    QStringList defaults;
    for (int row = 0; row < EventSoundCount; ++row) {
        defaults.append(DefaultSoundPath(u"/P"_s, row));
    }
    QVERIFY(WriteSoundPaths(fresh, defaults));
    QCOMPARE(readFile(fresh), QByteArray("[Sounds]\r\n"
                                         "DateTimeE=/P/sounds/GenSound.wav\r\n"
                                         "StartupE=/P/sounds/Startup Sound.wav\r\n"
                                         "ShutdownE=/P/sounds/ShutDown Sound.wav\r\n"
                                         "IConnectE=/P/sounds/IConnect Sound.wav\r\n"
                                         "IDisConnectE=/P/sounds/IDisConnect Sound.wav\r\n"));
}

void TestIniFile::soundPaths_unwritable_returnsFalse()
{
    QTemporaryDir dir;
    QVERIFY(!WriteSoundPaths(dir.filePath(u"missing/sounds.ini"_s), QStringList(5, u"/a.wav"_s)));
    const QString folder = dir.filePath(u"sounds.ini"_s);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!WriteSoundPaths(folder, QStringList(5, u"/a.wav"_s)));
    QCOMPARE(ReadSoundPaths(folder), QStringList(5));
}

void TestIniFile::defaultSoundPath_joinsFolderAndName()
{
    QCOMPARE(DefaultSoundPath(u"/opt/Nudgelark"_s, 0), u"/opt/Nudgelark/sounds/GenSound.wav"_s);
    QCOMPARE(DefaultSoundPath(u"/opt/Nudgelark"_s, 4), u"/opt/Nudgelark/sounds/IDisConnect Sound.wav"_s);
    QCOMPARE(DefaultSoundPath(u"/opt/Nudgelark"_s, 5), QString());
    QCOMPARE(DefaultSoundPath(u"/opt/Nudgelark"_s, -1), QString());
}

void TestIniFile::isRegularSoundFile_rejectsNonFiles()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a sound.wav"_s);
    writeFile(file, "RIFF");
    QVERIFY(IsRegularSoundFile(file));
    QVERIFY(!IsRegularSoundFile(QString()));
    QVERIFY(!IsRegularSoundFile(dir.path()));
    QVERIFY(!IsRegularSoundFile(dir.filePath(u"missing.wav"_s)));
    const QString link = dir.filePath(u"link.wav"_s);
    QVERIFY(QFile::link(file, link));
    QVERIFY(IsRegularSoundFile(link));
    const QString dangling = dir.filePath(u"dangling.wav"_s);
    QVERIFY(QFile::link(dir.filePath(u"gone.wav"_s), dangling));
    QVERIFY(!IsRegularSoundFile(dangling));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
