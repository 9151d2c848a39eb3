#include "platform/Autostart.h"
#include "support/DesktopExec.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestAutostart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void entryPath_followsXdgConfigHome();
    void entryPath_relativeXdgConfigHome_ignored();
    void write_createsFolderAndValidEntry();
    void write_existingEntry_replaced();
    void remove_deletesEntry();
    void remove_noEntry_harmless();
    void write_folderBlockedByFile_silentlyLeftAlone();
    void exec_roundTrip_data();
    void exec_roundTrip();
    void exec_escapesAsTheEntrySpecificationSays_data();
    void exec_escapesAsTheEntrySpecificationSays();
    void parse_plainAndQuotedArguments_data();
    void parse_plainAndQuotedArguments();

private:
    QTemporaryDir* m_dir = nullptr;
    QByteArray m_savedConfigHome;
};

void TestAutostart::init()
{
    QStandardPaths::setTestModeEnabled(true);
    m_dir = new QTemporaryDir();
    QVERIFY(m_dir->isValid());
    m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path() + QLatin1String("/config")));
}

void TestAutostart::cleanup()
{
    if (m_savedConfigHome.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
    }
    delete m_dir;
    m_dir = nullptr;
}

void TestAutostart::entryPath_followsXdgConfigHome()
{
    QCOMPARE(AutostartEntryPath(), m_dir->path() + QLatin1String("/config/autostart/nudgelark.desktop"));
}

void TestAutostart::entryPath_relativeXdgConfigHome_ignored()
{
    qputenv("XDG_CONFIG_HOME", "relative/config");
    QCOMPARE(AutostartEntryPath(), QDir::homePath() + QLatin1String("/.config/autostart/nudgelark.desktop"));
}

void TestAutostart::write_createsFolderAndValidEntry()
{
    QVERIFY(!AutostartEntryExists());
    const QString program = m_dir->path() + QLatin1String("/My Programs/nudgelark");
    WriteAutostartEntry(program);
    QVERIFY(AutostartEntryExists());

    QFile file(AutostartEntryPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY(lines.contains(QStringLiteral("Name=Nudgelark")));
    QString exec;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("Exec="))) {
            QVERIFY2(exec.isEmpty(), "one Exec line");
            exec = line.mid(5);
        }
    }
    QCOMPARE(exec, QStringLiteral("\"%1\" /s").arg(program));
    QCOMPARE(ParseDesktopExec(exec), (QStringList{program, QStringLiteral("/s")}));
}

void TestAutostart::write_existingEntry_replaced()
{
    WriteAutostartEntry(QStringLiteral("/old/place/nudgelark"));
    WriteAutostartEntry(QStringLiteral("/new/place/nudgelark"));
    QFile file(AutostartEntryPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(file.readAll());
    QVERIFY(content.contains(QLatin1String("Exec=\"/new/place/nudgelark\" /s\n")));
    QVERIFY(!content.contains(QLatin1String("/old/place")));
    QCOMPARE(content.count(QLatin1String("[Desktop Entry]")), 1);
}

void TestAutostart::remove_deletesEntry()
{
    WriteAutostartEntry(QStringLiteral("/usr/local/nudgelark/nudgelark"));
    QVERIFY(AutostartEntryExists());
    RemoveAutostartEntry();
    QVERIFY(!AutostartEntryExists());
    QVERIFY(!QFile::exists(AutostartEntryPath()));
}

void TestAutostart::remove_noEntry_harmless()
{
    RemoveAutostartEntry();
    QVERIFY(!AutostartEntryExists());
}

void TestAutostart::write_folderBlockedByFile_silentlyLeftAlone()
{
    // The tests run as root, for whom no permission bit blocks a write: a plain file where the
    // autostart folder belongs makes the folder impossible to create.
    QVERIFY(QDir().mkpath(m_dir->path() + QLatin1String("/config")));
    const QString blocker = m_dir->path() + QLatin1String("/config/autostart");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a folder");
    file.close();

    WriteAutostartEntry(QStringLiteral("/opt/nudgelark/nudgelark"));
    QVERIFY(!AutostartEntryExists());
    QVERIFY(QFileInfo(blocker).isFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("not a folder"));
    file.close();
    RemoveAutostartEntry();
    QVERIFY(QFileInfo(blocker).isFile());
}

void TestAutostart::exec_roundTrip_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("plain") << QStringLiteral("/usr/bin/nudgelark");
    QTest::newRow("spaces") << QStringLiteral("/home/ana/My Programs/Nudge lark/nudgelark");
    QTest::newRow("double quote") << QStringLiteral("/home/ana/\"quoted\"/nudgelark");
    QTest::newRow("backslash") << QStringLiteral("/home/ana/back\\slash\\\\two/nudgelark");
    QTest::newRow("dollar") << QStringLiteral("/home/ana/$HOME/nudgelark");
    QTest::newRow("backtick") << QStringLiteral("/home/ana/`id`/nudgelark");
    QTest::newRow("percent") << QStringLiteral("/home/ana/100%/%f %%u/nudgelark");
    QTest::newRow("everything") << QStringLiteral("/tmp/a b/\"c\" \\d $e `f` %g %%/h's;&|*?<>(){}[]#~=/nudgelark");
    QTest::newRow("newline and tab") << QStringLiteral("/tmp/line\nbreak\tand tab/nudgelark");
    QTest::newRow("non-ASCII") << QStringLiteral("/home/željko/Podsjetnik čćđ/nudgelark");
    QTest::newRow("trailing backslash") << QStringLiteral("/tmp/odd\\");
}

void TestAutostart::exec_roundTrip()
{
    QFETCH(QString, program);
    const QString exec = BuildDesktopExec(program);
    QVERIFY(exec.endsWith(QLatin1String(" /s")));
    QVERIFY(!exec.contains(u'\n'));
    QCOMPARE(ParseDesktopExec(exec), (QStringList{program, QStringLiteral("/s")}));

    WriteAutostartEntry(program);
    QFile file(AutostartEntryPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(file.readAll());
    QVERIFY(content.contains(QLatin1String("\nExec=") + exec + QLatin1String("\n")));
}

void TestAutostart::exec_escapesAsTheEntrySpecificationSays_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    QTest::newRow("space") << QStringLiteral("/a b") << QStringLiteral("\"/a b\" /s");
    // A literal backslash takes four, a dollar sign "\\$", a quote "\\\"", a backtick "\\`".
    QTest::newRow("backslash") << QStringLiteral("/a\\b") << QStringLiteral("\"/a\\\\\\\\b\" /s");
    QTest::newRow("dollar") << QStringLiteral("/a$b") << QStringLiteral("\"/a\\\\$b\" /s");
    QTest::newRow("quote") << QStringLiteral("/a\"b") << QStringLiteral("\"/a\\\\\"b\" /s");
    QTest::newRow("backtick") << QStringLiteral("/a`b") << QStringLiteral("\"/a\\\\`b\" /s");
    QTest::newRow("percent") << QStringLiteral("/a%b") << QStringLiteral("\"/a%%b\" /s");
}

void TestAutostart::exec_escapesAsTheEntrySpecificationSays()
{
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QCOMPARE(BuildDesktopExec(program), exec);
}

void TestAutostart::parse_plainAndQuotedArguments_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unquoted") << QStringLiteral("/usr/bin/nudgelark /s")
                              << QStringList{QStringLiteral("/usr/bin/nudgelark"), QStringLiteral("/s")};
    QTest::newRow("extra spaces") << QStringLiteral("  a   b  ")
                                  << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("quoted empty") << QStringLiteral("\"\" x") << QStringList{QString(), QStringLiteral("x")};
    QTest::newRow("single backslash escape") << QStringLiteral("\"a\\\"b\"") << QStringList{QStringLiteral("a\"b")};
    QTest::newRow("string escape space") << QStringLiteral("a\\sb")
                                         << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("percent") << QStringLiteral("100%% done")
                             << QStringList{QStringLiteral("100%"), QStringLiteral("done")};
}

void TestAutostart::parse_plainAndQuotedArguments()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, arguments);
    QCOMPARE(ParseDesktopExec(exec), arguments);
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
