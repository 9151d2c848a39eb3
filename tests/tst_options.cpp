#include "core/OptionValues.h"
#include "core/SettingsStore.h"
#include "platform/QSettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void emptyStore_givesDefaults();
    void parseInteger_data();
    void parseInteger();
    void storedText_readsAsRule_data();
    void storedText_readsAsRule();
    void save_writesStringsInOrder_data();
    void save_writesStringsInOrder();
    void saveThenLoad_roundTrips();

    void fileStore_missingFile_givesDefaults();
    void fileStore_storedText_readsAsRule_data();
    void fileStore_storedText_readsAsRule();
    void fileStore_save_writesStrings();
    void fileStore_changeByAnotherWriter_isSeenByNextLoad();
    void fileStore_changeFromOutside_isSeenByNextLoad();
    void fileStore_sameLengthRewrites_areSeenByNextLoad();
    void fileStore_listValue_readsAsDefault();
    void fileStore_nativeLocation_isUnderConfigFolder();
};

namespace {

// A store that records the order of writes.
class RecordingStore final : public SettingsStore
{
public:
    std::optional<QString> value(const QString& name) const override { return memory.value(name); }
    void setValue(const QString& name, const QString& value) override
    {
        order.append(name);
        memory.setValue(name, value);
    }
    MemorySettingsStore memory;
    QStringList order;
};

} // namespace

void TestOptions::emptyStore_givesDefaults()
{
    const MemorySettingsStore store;
    const OptionValues values = LoadOptions(store);
    QCOMPARE(values.Del, true);
    QCOMPARE(values.Sound, false);
    QCOMPARE(values.Interval, 0);
}

void TestOptions::parseInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("zero") << u"0"_s << true << 0;
    QTest::newRow("plain") << u"15"_s << true << 15;
    QTest::newRow("negative") << u"-3"_s << true << -3;
    QTest::newRow("plus sign") << u"+5"_s << true << 5;
    QTest::newRow("leading zeros") << u"0007"_s << true << 7;
    QTest::newRow("blanks around") << u"  40\t "_s << true << 40;
    QTest::newRow("largest") << u"2147483647"_s << true << 2147483647;
    QTest::newRow("lowest") << u"-2147483648"_s << true << int(-2147483647 - 1);
    QTest::newRow("one above largest") << u"2147483648"_s << false << 0;
    QTest::newRow("one below lowest") << u"-2147483649"_s << false << 0;
    QTest::newRow("huge") << u"99999999999999999999999999"_s << false << 0;
    QTest::newRow("many zeros") << QString(QString(200, u'0') + u'9') << true << 9;
    QTest::newRow("empty") << u""_s << false << 0;
    QTest::newRow("blanks only") << u"   "_s << false << 0;
    QTest::newRow("sign only") << u"-"_s << false << 0;
    QTest::newRow("two signs") << u"--1"_s << false << 0;
    QTest::newRow("letters") << u"abc"_s << false << 0;
    QTest::newRow("digits then letters") << u"12abc"_s << false << 0;
    QTest::newRow("blank inside") << u"1 2"_s << false << 0;
    QTest::newRow("decimal point") << u"1.5"_s << false << 0;
    QTest::newRow("hex") << u"0x10"_s << false << 0;
    QTest::newRow("arabic-indic digit") << QString(QChar(0x0663)) << false << 0;
    QTest::newRow("fullwidth digit") << QString(QChar(0xFF11)) << false << 0;
}

void TestOptions::parseInteger()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    const std::optional<int> parsed = ParseOptionInteger(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid) {
        QCOMPARE(*parsed, value);
    }
}

namespace {

void addStoredTextRows()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("del");
    QTest::addColumn<bool>("sound");
    QTest::addColumn<int>("interval");
    QTest::newRow("Interval 40 is not bounded") << u"Interval"_s << u"40"_s << true << false << 40;
    QTest::newRow("Interval abc") << u"Interval"_s << u"abc"_s << true << false << 0;
    QTest::newRow("Interval empty") << u"Interval"_s << u""_s << true << false << 0;
    QTest::newRow("Interval -3") << u"Interval"_s << u"-3"_s << true << false << -3;
    QTest::newRow("Interval out of range") << u"Interval"_s << u"4294967296"_s << true << false << 0;
    QTest::newRow("Del abc") << u"Del"_s << u"abc"_s << true << false << 0;
    QTest::newRow("Del 0") << u"Del"_s << u"0"_s << false << false << 0;
    QTest::newRow("Del empty") << u"Del"_s << u""_s << true << false << 0;
    QTest::newRow("Del -3") << u"Del"_s << u"-3"_s << true << false << 0;
    QTest::newRow("Sound 2") << u"Sound"_s << u"2"_s << true << true << 0;
    QTest::newRow("Sound 1") << u"Sound"_s << u"1"_s << true << true << 0;
    QTest::newRow("Sound 0") << u"Sound"_s << u"0"_s << true << false << 0;
    QTest::newRow("Sound abc") << u"Sound"_s << u"abc"_s << true << false << 0;
    QTest::newRow("Sound -3") << u"Sound"_s << u"-3"_s << true << true << 0;
    QTest::newRow("Sound true is not a number") << u"Sound"_s << u"true"_s << true << false << 0;
}

} // namespace

void TestOptions::storedText_readsAsRule_data()
{
    addStoredTextRows();
}

void TestOptions::storedText_readsAsRule()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, del);
    QFETCH(bool, sound);
    QFETCH(int, interval);
    MemorySettingsStore store;
    store.setValue(name, text);
    const OptionValues values = LoadOptions(store);
    QCOMPARE(values.Del, del);
    QCOMPARE(values.Sound, sound);
    QCOMPARE(values.Interval, interval);
}

void TestOptions::save_writesStringsInOrder_data()
{
    QTest::addColumn<bool>("del");
    QTest::addColumn<bool>("sound");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("on, off, 15") << true << false << 15 << QStringList{u"1"_s, u"0"_s, u"15"_s};
    QTest::newRow("off, on, 1") << false << true << 1 << QStringList{u"0"_s, u"1"_s, u"1"_s};
    QTest::newRow("negative interval") << false << false << -7 << QStringList{u"0"_s, u"0"_s, u"-7"_s};
    QTest::newRow("lowest interval") << true << true << int(-2147483647 - 1)
                                     << QStringList{u"1"_s, u"1"_s, u"-2147483648"_s};
}

void TestOptions::save_writesStringsInOrder()
{
    QFETCH(bool, del);
    QFETCH(bool, sound);
    QFETCH(int, interval);
    QFETCH(QStringList, texts);
    RecordingStore store;
    SaveOptions(store, OptionValues{del, sound, interval});
    QCOMPARE(store.order, (QStringList{u"Del"_s, u"Sound"_s, u"Interval"_s}));
    QCOMPARE(store.memory.value(u"Del"_s), std::optional<QString>(texts.at(0)));
    QCOMPARE(store.memory.value(u"Sound"_s), std::optional<QString>(texts.at(1)));
    QCOMPARE(store.memory.value(u"Interval"_s), std::optional<QString>(texts.at(2)));
}

void TestOptions::saveThenLoad_roundTrips()
{
    MemorySettingsStore store;
    SaveOptions(store, OptionValues{false, true, 12});
    const OptionValues values = LoadOptions(store);
    QCOMPARE(values.Del, false);
    QCOMPARE(values.Sound, true);
    QCOMPARE(values.Interval, 12);
}

void TestOptions::fileStore_missingFile_givesDefaults()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QSettingsStore store(dir.filePath(u"Nudgelark.conf"_s));
    QVERIFY(!store.value(u"Del"_s).has_value());
    const OptionValues values = LoadOptions(store);
    QCOMPARE(values.Del, true);
    QCOMPARE(values.Sound, false);
    QCOMPARE(values.Interval, 0);
}

void TestOptions::fileStore_storedText_readsAsRule_data()
{
    addStoredTextRows();
}

void TestOptions::fileStore_storedText_readsAsRule()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, del);
    QFETCH(bool, sound);
    QFETCH(int, interval);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Nudgelark.conf"_s);
    {
        QSettings writer(path, QSettings::IniFormat);
        writer.setValue(name, text);
    }
    const QSettingsStore store(path);
    QCOMPARE(store.value(name), std::optional<QString>(text));
    const OptionValues values = LoadOptions(store);
    QCOMPARE(values.Del, del);
    QCOMPARE(values.Sound, sound);
    QCOMPARE(values.Interval, interval);
}

void TestOptions::fileStore_save_writesStrings()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"sub/Nudgelark.conf"_s);
    QSettingsStore store(path);
    SaveOptions(store, OptionValues{false, true, 7});

    // Written to disk at once, as plain strings.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("Del=0"), text.constData());
    QVERIFY2(text.contains("Sound=1"), text.constData());
    QVERIFY2(text.contains("Interval=7"), text.constData());

    QSettings reader(path, QSettings::IniFormat);
    QCOMPARE(reader.value(u"Del"_s).typeId(), QMetaType::QString);
    QCOMPARE(reader.value(u"Interval"_s).toString(), u"7"_s);
}

void TestOptions::fileStore_changeByAnotherWriter_isSeenByNextLoad()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Nudgelark.conf"_s);
    QSettingsStore store(path);
    SaveOptions(store, OptionValues{true, false, 5});
    QCOMPARE(LoadOptions(store).Interval, 5);
    {
        QSettings other(path, QSettings::IniFormat);
        other.setValue(u"Interval"_s, u"3"_s);
        other.setValue(u"Sound"_s, u"1"_s);
    }
    const OptionValues values = LoadOptions(store);
    QCOMPARE(values.Interval, 3);
    QCOMPARE(values.Sound, true);
}

void TestOptions::fileStore_changeFromOutside_isSeenByNextLoad()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Nudgelark.conf"_s);
    QSettingsStore store(path);
    SaveOptions(store, OptionValues{true, false, 5});
    QCOMPARE(LoadOptions(store).Interval, 5);

    // Another program rewrites the file with a different length, as a user's editor would.
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[General]\nDel=0\nSound=1\nInterval=12\n");
    file.close();
    const OptionValues values = LoadOptions(store);
    QCOMPARE(values.Del, false);
    QCOMPARE(values.Sound, true);
    QCOMPARE(values.Interval, 12);

    QVERIFY(QFile::remove(path));
    QCOMPARE(LoadOptions(store).Interval, 0);
}

void TestOptions::fileStore_sameLengthRewrites_areSeenByNextLoad()
{
    // Rewrites of the same length in quick succession keep the file's size and, often, its time
    // stamp to the millisecond; each must still be seen by the next read.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Nudgelark.conf"_s);
    QSettingsStore store(path);
    SaveOptions(store, OptionValues{true, false, 1});
    for (int i = 0; i < 100; ++i) {
        const int next = i % 9 + 1;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("[General]\nDel=1\nSound=0\nInterval=") + QByteArray::number(next) + "\n");
        file.close();
        QCOMPARE(LoadOptions(store).Interval, next);
        QCOMPARE(LoadOptions(store).Interval, next);
    }
    // The program's own write afterwards is read back as well.
    SaveOptions(store, OptionValues{false, true, 14});
    QCOMPARE(LoadOptions(store).Interval, 14);
    QCOMPARE(LoadOptions(store).Del, false);
}

void TestOptions::fileStore_listValue_readsAsDefault()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Nudgelark.conf"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\nInterval=1, 5\nDel=0\n");
    file.close();
    const QSettingsStore store(path);
    QVERIFY(!store.value(u"Interval"_s).has_value());
    QCOMPARE(LoadOptions(store).Interval, 0);
    QCOMPARE(LoadOptions(store).Del, false);
}

void TestOptions::fileStore_nativeLocation_isUnderConfigFolder()
{
    const QSettingsStore store;
    const QString expected = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                             QStringLiteral("/Nudgelark/Nudgelark.conf");
    QCOMPARE(store.fileName(), expected);
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
