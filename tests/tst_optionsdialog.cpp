#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/OptionsD.h"
#include "gui/SoundD.h"
#include "platform/Autostart.h"
#include "support/Controls.h"
#include "support/DesktopExec.h"
#include "support/ProgramRig.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList entryExec()
{
    QFile f(AutostartEntryPath());
    if (!f.open(QIODevice::ReadOnly)) {
        return {u"<missing>"_s};
    }
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        if (line.startsWith(u"Exec="_s)) {
            return ParseDesktopExec(line.mid(5));
        }
    }
    return {u"<no Exec>"_s};
}

void writeEntry(const QByteArray& content)
{
    QVERIFY(QDir().mkpath(QFileInfo(AutostartEntryPath()).absolutePath()));
    QFile f(AutostartEntryPath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

/// The options dialog's controls, found by their names.
struct OptionsControls
{
    void find(QWidget* o)
    {
        DelAfterCB = child<QCheckBox>(o, "DelAfterCB");
        StartupCB = child<QCheckBox>(o, "StartupCB");
        SoundsCB = child<QCheckBox>(o, "SoundsCB");
        DefSoundsSB = child<QPushButton>(o, "DefSoundsSB");
        RepeatNot = child<QSpinBox>(o, "RepeatNot");
        OKSB = child<QPushButton>(o, "OKSB");
        CancelSB = child<QPushButton>(o, "CancelSB");
    }

    QCheckBox* DelAfterCB = nullptr;
    QCheckBox* StartupCB = nullptr;
    QCheckBox* SoundsCB = nullptr;
    QPushButton* DefSoundsSB = nullptr;
    QSpinBox* RepeatNot = nullptr;
    QPushButton* OKSB = nullptr;
    QPushButton* CancelSB = nullptr;
};

/// The program with its options dialog over a store of its own; the dialog is left to the tests.
struct Options
{
    explicit Options(const QHash<QString, QString>& stored = {})
    {
        for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
            rig.settings.setValue(it.key(), it.value());
        }
        rig.start();
        form = rig.windows->mainForm();
        o = rig.windows->optionsDialog();
        c.find(o);
        rig.closer.handler = [this](QWidget* w) {
            if (w == o) {
                return true;
            }
            if (w == rig.windows->soundDialog()) {
                ++soundDialogsShown;
            }
            if (w == rig.windows->alertDialog()) {
                ++alertsShown;
                child<QPushButton>(w, "OKSB")->click();
                return true;
            }
            return false;
        };
    }

    bool show()
    {
        o->show();
        o->activateWindow();
        return QTest::qWaitForWindowActive(o, 10000);
    }
    /// The window system hands the focus back to the dialog, as after a window on top has gone.
    bool reactivate()
    {
        QApplication::setActiveWindow(o);
        return QTest::qWaitFor([this] { return o->isActiveWindow(); }, 10000);
    }
    void tick(QCheckBox* box, bool on)
    {
        if (box->isChecked() != on) {
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        }
        QCOMPARE(box->isChecked(), on);
    }

    ProgramRig rig;
    TMainForm* form = nullptr;
    TOptionsDialog* o = nullptr;
    OptionsControls c;
    int soundDialogsShown = 0;
    int alertsShown = 0;
};

} // namespace

class TestOptionsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void activation_noStoredOptionsShowsTheDefaults();
    void activation_intervalShownWithinBoundsButReadAsStored_data();
    void activation_intervalShownWithinBoundsButReadAsStored();
    void cancel_afterChangingEveryControlWritesNothing();
    void ok_writesTheOptionsAsStrings_data();
    void ok_writesTheOptionsAsStrings();
    void ok_startupTickWritesOrRemovesTheEntry();
    void activation_existingEntryTicksStartup();
    void activation_untickedStartupStandsUntilOk();
    void setSounds_returnBringsBackTheStoredUseSounds();
    void setSounds_buttonFollowsTheTickAfterTheReAlertCheck();

private:
    QTemporaryDir* m_config = nullptr;
    QByteArray m_savedConfigHome;
};

void TestOptionsDialog::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
}

void TestOptionsDialog::init()
{
    // The autostart entry goes to a folder of this test's own, never the user's.
    m_config = new QTemporaryDir;
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->filePath(u"config"_s)));
    QVERIFY(AutostartEntryPath().startsWith(m_config->path()));
}

void TestOptionsDialog::cleanup()
{
    if (m_savedConfigHome.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
    }
    delete m_config;
    m_config = nullptr;
}

void TestOptionsDialog::activation_noStoredOptionsShowsTheDefaults()
{
    Options s;
    QVERIFY(s.show());
    QCOMPARE(s.o->windowTitle(), u"Options"_s);
    QVERIFY(s.c.DelAfterCB->isChecked());
    QVERIFY(!s.c.SoundsCB->isChecked());
    QVERIFY(!s.c.DefSoundsSB->isEnabled());
    QVERIFY(!s.c.StartupCB->isChecked());
    QCOMPARE(s.c.RepeatNot->value(), 1);
    QCOMPARE(s.c.RepeatNot->text(), u"1"_s);
    QVERIFY(s.rig.settings.values().isEmpty()); // showing stores nothing
    s.c.CancelSB->click();
}

void TestOptionsDialog::activation_intervalShownWithinBoundsButReadAsStored_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("read");
    QTest::newRow("40") << u"40"_s << 15 << 40;
    QTest::newRow("15") << u"15"_s << 15 << 15;
    QTest::newRow("7") << u"7"_s << 7 << 7;
    QTest::newRow("0") << u"0"_s << 1 << 0;
    QTest::newRow("-3") << u"-3"_s << 1 << -3;
    QTest::newRow("not a number") << u"abc"_s << 1 << 0;
}

void TestOptionsDialog::activation_intervalShownWithinBoundsButReadAsStored()
{
    QFETCH(QString, stored);
    QFETCH(int, shown);
    QFETCH(int, read);
    Options s({{u"Interval"_s, stored}});
    QVERIFY(s.show());
    QCOMPARE(s.c.RepeatNot->value(), shown);
    QCOMPARE(s.o->values().Interval, read);
    s.c.CancelSB->click();
    // The re-alert check reads the stored number, not the field's.
    QCOMPARE(s.o->LoadOptions().Interval, read);
    QCOMPARE(s.rig.settings.value(u"Interval"_s), std::optional<QString>(stored));
}

void TestOptionsDialog::cancel_afterChangingEveryControlWritesNothing()
{
    Options s({{u"Del"_s, u"1"_s}, {u"Sound"_s, u"0"_s}, {u"Interval"_s, u"5"_s}});
    const QHash<QString, QString> stored = s.rig.settings.values();
    QVERIFY(s.show());
    s.tick(s.c.DelAfterCB, false);
    s.tick(s.c.StartupCB, true);
    s.tick(s.c.SoundsCB, true);
    QVERIFY(s.c.DefSoundsSB->isEnabled());
    s.c.RepeatNot->setValue(9);
    QTest::mouseClick(s.c.CancelSB, Qt::LeftButton);
    QVERIFY(!s.o->isVisible());
    QCOMPARE(s.rig.settings.values(), stored);
    QVERIFY(!AutostartEntryExists());

    // Shown again: the stored values, and "Run on Windows startup" as it was left.
    QVERIFY(s.show());
    QVERIFY(s.c.DelAfterCB->isChecked());
    QVERIFY(!s.c.SoundsCB->isChecked());
    QVERIFY(!s.c.DefSoundsSB->isEnabled());
    QCOMPARE(s.c.RepeatNot->value(), 5);
    QVERIFY(s.c.StartupCB->isChecked());
    QVERIFY(s.o->close()); // Escape and the window manager's close are Cancel too
    QCOMPARE(s.rig.settings.values(), stored);
    QVERIFY(!AutostartEntryExists());
}

void TestOptionsDialog::ok_writesTheOptionsAsStrings_data()
{
    QTest::addColumn<bool>("del");
    QTest::addColumn<bool>("sound");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("delText");
    QTest::addColumn<QString>("soundText");
    QTest::addColumn<QString>("intervalText");
    QTest::newRow("all on") << true << true << 15 << u"1"_s << u"1"_s << u"15"_s;
    QTest::newRow("all off") << false << false << 1 << u"0"_s << u"0"_s << u"1"_s;
    QTest::newRow("mixed") << false << true << 9 << u"0"_s << u"1"_s << u"9"_s;
}

void TestOptionsDialog::ok_writesTheOptionsAsStrings()
{
    QFETCH(bool, del);
    QFETCH(bool, sound);
    QFETCH(int, minutes);
    QFETCH(QString, delText);
    QFETCH(QString, soundText);
    QFETCH(QString, intervalText);
    Options s({{u"Del"_s, u"2"_s}, {u"Sound"_s, u"abc"_s}, {u"Interval"_s, u"40"_s}});
    QVERIFY(s.show());
    s.tick(s.c.DelAfterCB, del);
    s.tick(s.c.SoundsCB, sound);
    s.c.RepeatNot->setValue(minutes);
    QTest::mouseClick(s.c.OKSB, Qt::LeftButton);
    QVERIFY(!s.o->isVisible());
    const QHash<QString, QString> expected{{u"Del"_s, delText}, {u"Sound"_s, soundText}, {u"Interval"_s, intervalText}};
    QCOMPARE(s.rig.settings.values(), expected);
    const OptionValues back = s.o->LoadOptions();
    QCOMPARE(back.Del, del);
    QCOMPARE(back.Sound, sound);
    QCOMPARE(back.Interval, minutes);
}

void TestOptionsDialog::ok_startupTickWritesOrRemovesTheEntry()
{
    Options s;
    const QString program = s.rig.path(u"nudgelark"_s);
    QVERIFY(s.show());
    s.tick(s.c.StartupCB, true);
    QTest::mouseClick(s.c.OKSB, Qt::LeftButton);
    QVERIFY(AutostartEntryExists());
    QCOMPARE(entryExec(), (QStringList{program, u"/s"_s}));

    QVERIFY(s.show());
    QVERIFY(s.c.StartupCB->isChecked());
    s.tick(s.c.StartupCB, false);
    QTest::mouseClick(s.c.OKSB, Qt::LeftButton);
    QVERIFY(!AutostartEntryExists());

    // OK with the box unticked and no entry: nothing to remove, nothing made.
    QVERIFY(s.show());
    QVERIFY(!s.c.StartupCB->isChecked());
    QTest::mouseClick(s.c.OKSB, Qt::LeftButton);
    QVERIFY(!AutostartEntryExists());
}

void TestOptionsDialog::activation_existingEntryTicksStartup()
{
    // An entry from a program that has moved since: shown ticked, and OK points it to this program.
    writeEntry("[Desktop Entry]\nType=Application\nName=Nudgelark\nExec=/old/place/nudgelark /s\n");
    Options s;
    QVERIFY(!s.c.StartupCB->isChecked());
    QVERIFY(s.show());
    QVERIFY(s.c.StartupCB->isChecked());
    QTest::mouseClick(s.c.OKSB, Qt::LeftButton);
    QCOMPARE(entryExec(), (QStringList{s.rig.path(u"nudgelark"_s), u"/s"_s}));

    // Removed behind the dialog's back: the next activation leaves the box as the user had it.
    QVERIFY(QFile::remove(AutostartEntryPath()));
    QVERIFY(s.show());
    QVERIFY(s.c.StartupCB->isChecked());
    s.c.CancelSB->click();
    QVERIFY(!AutostartEntryExists());
}

void TestOptionsDialog::activation_untickedStartupStandsUntilOk()
{
    writeEntry("[Desktop Entry]\nType=Application\nName=Nudgelark\nExec=/old/place/nudgelark /s\n");
    Options s({{u"Sound"_s, u"1"_s}});
    QVERIFY(s.show());
    QVERIFY(s.c.StartupCB->isChecked());
    s.tick(s.c.StartupCB, false);

    // Another program had the focus for a while.
    QApplication::setActiveWindow(nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(!s.o->isActiveWindow(), 10000);
    QVERIFY(s.reactivate());
    QVERIFY(!s.c.StartupCB->isChecked());

    // Back from "Set sounds >>".
    QTest::mouseClick(s.c.DefSoundsSB, Qt::LeftButton);
    QCOMPARE(s.soundDialogsShown, 1);
    QVERIFY(s.reactivate());
    QVERIFY(!s.c.StartupCB->isChecked());

    // A reminder's alert came up over the dialog and was answered.
    s.form->ShowAlert(u"Water the plants"_s, 0);
    QCOMPARE(s.alertsShown, 1);
    QVERIFY(s.reactivate());
    QVERIFY(!s.c.StartupCB->isChecked());

    QTest::mouseClick(s.c.OKSB, Qt::LeftButton);
    QVERIFY(!AutostartEntryExists());

    // Opened afresh: the box follows the entry again.
    writeEntry("[Desktop Entry]\nType=Application\nName=Nudgelark\nExec=/old/place/nudgelark /s\n");
    QVERIFY(s.show());
    QVERIFY(s.c.StartupCB->isChecked());
    s.tick(s.c.StartupCB, false);
    QVERIFY(s.reactivate());
    QTest::mouseClick(s.c.CancelSB, Qt::LeftButton);
    QVERIFY(AutostartEntryExists());
}

void TestOptionsDialog::setSounds_returnBringsBackTheStoredUseSounds()
{
    Options s({{u"Sound"_s, u"0"_s}});
    QVERIFY(s.show());
    s.tick(s.c.SoundsCB, true);
    QVERIFY(s.c.DefSoundsSB->isEnabled());
    QTest::mouseClick(s.c.DefSoundsSB, Qt::LeftButton); // the sounds dialog opens and is cancelled
    QCOMPARE(s.soundDialogsShown, 1);
    QVERIFY(!s.rig.windows->soundDialog()->isVisible());
    QVERIFY(s.o->isVisible());
    QVERIFY(!s.c.SoundsCB->isChecked());
    QVERIFY(!s.c.DefSoundsSB->isEnabled());
    s.c.CancelSB->click();
    QCOMPARE(s.rig.settings.value(u"Sound"_s), std::optional<QString>(u"0"_s));
}

void TestOptionsDialog::setSounds_buttonFollowsTheTickAfterTheReAlertCheck()
{
    Options s({{u"Sound"_s, u"0"_s}});
    s.form->scheduler().setPausedCheck(true); // a pause has happened
    QVERIFY(s.show());
    s.tick(s.c.SoundsCB, true);
    QVERIFY(s.c.DefSoundsSB->isEnabled());
    // The re-alert check reads the options once a second: with "Use sounds" still stored off, the
    // button goes grey behind the tick.
    QTRY_VERIFY_WITH_TIMEOUT(!s.c.DefSoundsSB->isEnabled(), 10000);
    QVERIFY(s.c.SoundsCB->isChecked());
    QTest::mouseClick(s.c.OKSB, Qt::LeftButton);
    QCOMPARE(s.rig.settings.value(u"Sound"_s), std::optional<QString>(u"1"_s));

    // Shown again with "Use sounds" stored on: the button is there to press.
    QVERIFY(s.show());
    QVERIFY(s.c.SoundsCB->isChecked());
    QVERIFY(s.c.DefSoundsSB->isEnabled());
    s.c.CancelSB->click();
}

QTEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
