#include "gui/FormMain.h"
#include "gui/NewEditD.h"
#include "platform/HelpViewer.h"
#include "support/Controls.h"
#include "support/Files.h"
#include "support/ProgramRig.h"
#include "support/Waits.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>
#include <QTimeEdit>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The fake clock's day: 8 December 2026.
const QString floatingToday = u"#08.12.26"_s;

// Offscreen windows become active only when asked, and focus events need an active window.
bool activate(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window, 10000);
}

QStringList objectNames(const QList<QWidget*>& widgets, bool (QWidget::*state)() const)
{
    QStringList names;
    for (QWidget* w : widgets) {
        if ((w->*state)()) {
            names.append(w->objectName());
        }
    }
    return names;
}

/// The editor's controls, found by their names.
struct EditorControls
{
    void find(QWidget* d)
    {
        NameE = child<QLineEdit>(d, "NameE");
        WhatRE = child<QTextEdit>(d, "WhatRE");
        rDateTime = child<QCheckBox>(d, "rDateTime");
        rStartup = child<QCheckBox>(d, "rStartup");
        rShutdown = child<QCheckBox>(d, "rShutdown");
        rIConnect = child<QCheckBox>(d, "rIConnect");
        rIDisConnect = child<QCheckBox>(d, "rIDisConnect");
        specDateCB = child<QCheckBox>(d, "specDateCB");
        specTimeCB = child<QCheckBox>(d, "specTimeCB");
        Label3 = child<QLabel>(d, "Label3");
        RepeatE = child<QLineEdit>(d, "RepeatE");
        Label5 = child<QLabel>(d, "Label5");
        Vrijeme = child<QTimeEdit>(d, "Vrijeme");
        Label1 = child<QLabel>(d, "Label1");
        Kalendar = child<QDateEdit>(d, "Kalendar");
        OKSB = child<QPushButton>(d, "OKSB");
        HelpSB = child<QPushButton>(d, "HelpSB");
        CancelSB = child<QPushButton>(d, "CancelSB");
    }

    QLineEdit* NameE = nullptr;
    QTextEdit* WhatRE = nullptr;
    QCheckBox* rDateTime = nullptr;
    QCheckBox* rStartup = nullptr;
    QCheckBox* rShutdown = nullptr;
    QCheckBox* rIConnect = nullptr;
    QCheckBox* rIDisConnect = nullptr;
    QCheckBox* specDateCB = nullptr;
    QCheckBox* specTimeCB = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* RepeatE = nullptr;
    QLabel* Label5 = nullptr;
    QTimeEdit* Vrijeme = nullptr;
    QLabel* Label1 = nullptr;
    QDateEdit* Kalendar = nullptr;
    QPushButton* OKSB = nullptr;
    QPushButton* HelpSB = nullptr;
    QPushButton* CancelSB = nullptr;
};

/// The program over a temporary folder, with the editor at hand.
struct Editor
{
    explicit Editor(const QByteArray& data = {}, const QByteArray& texts = {})
    {
        if (!data.isEmpty()) {
            writeFile(rig.path(u"reminder.nld"_s), data);
            writeFile(rig.path(u"reminder.nlt"_s), texts);
        }
        rig.start();
        form = rig.windows->mainForm();
        d = rig.windows->newEditDialog();
        c.find(d);
        // The editor is the tests' own business; message boxes are logged and answered.
        rig.closer.handler = [this](QWidget* w) {
            if (w == d) {
                return true;
            }
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                boxIcons.append(box->icon());
                boxButtons.append(box->standardButtons());
            }
            return false;
        };
    }

    QList<QWidget*> dependents() const
    {
        return {c.specDateCB, c.specTimeCB, c.Label3, c.RepeatE, c.Label1, c.Kalendar, c.Label5, c.Vrijeme};
    }

    /// Opens the editor as the command does (modally) and runs body inside its modal loop.
    void run(const std::function<void()>& command, const std::function<void()>& body)
    {
        bool entered = false;
        QObject guard; // a command that opens nothing leaves no timer behind
        QTimer::singleShot(0, &guard, [&] {
            entered = true;
            QVERIFY(d->isVisible());
            body();
            if (d->isVisible()) {
                c.CancelSB->click();
                QFAIL("the editor was left open");
            }
        });
        command();
        QVERIFY(entered);
    }
    void runNew(const std::function<void()>& body)
    {
        run([this] { child<QPushButton>(form, "NewSB")->click(); }, body);
    }
    void runEdit(int row, const std::function<void()>& body)
    {
        form->model().selectRow(row);
        run([this] { child<QPushButton>(form, "EditSB")->click(); }, body);
    }

    /// Shows the editor without the command's modal loop, active and ready for focus changes.
    bool show()
    {
        d->show();
        return activate(d);
    }

    /// The user enters the time picker, which holds the engine off it, and sets a time.
    void enterTime(const QTime& time)
    {
        QVERIFY(activate(d));
        c.Vrijeme->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(c.Vrijeme->hasFocus());
        c.Vrijeme->setTime(time);
    }

    ProgramRig rig;
    TMainForm* form = nullptr;
    TNewEditDialog* d = nullptr;
    EditorControls c;
    QList<QMessageBox::Icon> boxIcons;
    QList<QMessageBox::StandardButtons> boxButtons;
};

} // namespace

class TestNewEditDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void enablingRule_followsItsOwnBox_data();
    void enablingRule_followsItsOwnBox();
    void enablingRule_uncheckingDateTimeDoesNotCascade();
    void enablingRule_sameStateRunsNothing();

    void repeatKeys_onlyDigitsAndBackspaceGetIn_data();
    void repeatKeys_onlyDigitsAndBackspaceGetIn();
    void repeatExit_limitFollowsSpecificDate_data();
    void repeatExit_limitFollowsSpecificDate();
    void repeatExit_checkingSpecificDateLaterDoesNotRecheck();
    void repeatOk_stepStillBeingTypedIsChecked();
    void repeatCancel_closesWithoutChecking();

    void new_examples_data();
    void new_examples();
    void ok_dateTimeAndRepeatByMode_data();
    void ok_dateTimeAndRepeatByMode();
    void edit_keepsCheckedAndPonovnoAndAcceptsEmptyText();
    void validation_messagesAndOrder_data();
    void validation_messagesAndOrder();
    void validation_unsavableNameOrTextIsRefused_data();
    void validation_unsavableNameOrTextIsRefused();

    void close_eachWayResetsCancelAloneStartsSecondTimer_data();
    void close_eachWayResetsCancelAloneStartsSecondTimer();
    void timeField_enteringStopsTheEngineTimer();
    void help_buttonAndRepeatBoxOpenTheirTopics();
};

// --- Enabling rules -------------------------------------------------------------------------------

void TestNewEditDialog::enablingRule_followsItsOwnBox_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("followers");
    QTest::addColumn<bool>("byUser");
    const QStringList dateTime{u"specDateCB"_s, u"specTimeCB"_s, u"Label3"_s, u"RepeatE"_s};
    const QStringList date{u"Label1"_s, u"Kalendar"_s};
    const QStringList time{u"Label5"_s, u"Vrijeme"_s};
    for (const bool byUser : {false, true}) {
        const char* who = byUser ? "clicked" : "set by the program";
        QTest::addRow("rDateTime %s", who) << u"rDateTime"_s << dateTime << byUser;
        QTest::addRow("specDateCB %s", who) << u"specDateCB"_s << date << byUser;
        QTest::addRow("specTimeCB %s", who) << u"specTimeCB"_s << time << byUser;
    }
}

void TestNewEditDialog::enablingRule_followsItsOwnBox()
{
    QFETCH(QString, box);
    QFETCH(QStringList, followers);
    QFETCH(bool, byUser);
    Editor e;
    QVERIFY(e.show());
    auto* target = child<QCheckBox>(e.d, box.toLatin1().constData());
    if (target != e.c.rDateTime) {
        e.c.rDateTime->setChecked(true); // the date and time boxes can be clicked only then
    }
    const QList<QWidget*> all = e.dependents();
    const QStringList othersBefore = objectNames(all, &QWidget::isEnabled);
    const auto toggle = [&] {
        if (byUser) {
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(6, target->height() / 2));
        } else {
            target->setChecked(!target->isChecked());
        }
    };

    toggle();
    QVERIFY(target->isChecked());
    QStringList expected = othersBefore;
    for (const QString& f : followers) {
        if (!expected.contains(f)) {
            expected.append(f);
        }
    }
    QStringList enabled = objectNames(all, &QWidget::isEnabled);
    enabled.sort();
    expected.sort();
    QCOMPARE(enabled, expected);

    toggle();
    QVERIFY(!target->isChecked());
    for (QWidget* w : all) {
        const bool follows = followers.contains(w->objectName());
        QCOMPARE(w->isEnabled(), follows ? false : othersBefore.contains(w->objectName()));
    }
}

void TestNewEditDialog::enablingRule_uncheckingDateTimeDoesNotCascade()
{
    Editor e;
    EditorControls& c = e.c;
    c.rDateTime->setChecked(true);
    c.specDateCB->setChecked(true);
    c.specTimeCB->setChecked(true);
    QVERIFY(c.Kalendar->isEnabled() && c.Vrijeme->isEnabled());

    c.rDateTime->setChecked(false);
    QVERIFY(!c.specDateCB->isEnabled());
    QVERIFY(!c.specTimeCB->isEnabled());
    QVERIFY(!c.RepeatE->isEnabled());
    QVERIFY(!c.Label3->isEnabled());
    // The two boxes keep their ticks, and what they enabled stays enabled.
    QVERIFY(c.specDateCB->isChecked());
    QVERIFY(c.specTimeCB->isChecked());
    QCOMPARE(objectNames({c.Label1, c.Kalendar, c.Label5, c.Vrijeme}, &QWidget::isEnabled),
             (QStringList{u"Label1"_s, u"Kalendar"_s, u"Label5"_s, u"Vrijeme"_s}));
}

void TestNewEditDialog::enablingRule_sameStateRunsNothing()
{
    Editor e;
    EditorControls& c = e.c;
    c.specDateCB->setChecked(true);
    QVERIFY(c.Kalendar->isEnabled());
    c.Kalendar->setEnabled(false);
    c.specDateCB->setChecked(true); // already ticked: the rule does not run again
    QVERIFY(!c.Kalendar->isEnabled());

    c.RepeatE->setEnabled(true);
    c.rDateTime->setChecked(false); // already unticked
    QVERIFY(c.RepeatE->isEnabled());
}

// --- The repeat field -----------------------------------------------------------------------------

void TestNewEditDialog::repeatKeys_onlyDigitsAndBackspaceGetIn_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("expected");
    const Qt::KeyboardModifiers none;
    QTest::newRow("letter") << int(Qt::Key_A) << u"a"_s << none << QString() << u"12"_s;
    QTest::newRow("capital letter") << int(Qt::Key_X) << u"X"_s << Qt::KeyboardModifiers(Qt::ShiftModifier) << QString()
                                    << u"12"_s;
    QTest::newRow("blank") << int(Qt::Key_Space) << u" "_s << none << QString() << u"12"_s;
    QTest::newRow("minus") << int(Qt::Key_Minus) << u"-"_s << none << QString() << u"12"_s;
    QTest::newRow("digit") << int(Qt::Key_7) << u"7"_s << none << QString() << u"127"_s;
    QTest::newRow("zero") << int(Qt::Key_0) << u"0"_s << none << QString() << u"120"_s;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << u"\b"_s << none << QString() << u"1"_s;
    QTest::newRow("pasted digits") << int(Qt::Key_V) << QString() << Qt::KeyboardModifiers(Qt::ControlModifier)
                                   << u"34"_s << u"1234"_s;
    QTest::newRow("pasted non-number") << int(Qt::Key_V) << QString() << Qt::KeyboardModifiers(Qt::ControlModifier)
                                       << u"3a"_s << u"12"_s;
    // As much as fits: the field holds four characters.
    QTest::newRow("pasted too long") << int(Qt::Key_V) << QString() << Qt::KeyboardModifiers(Qt::ControlModifier)
                                     << u"345"_s << u"1234"_s;
}

void TestNewEditDialog::repeatKeys_onlyDigitsAndBackspaceGetIn()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, clipboard);
    QFETCH(QString, expected);
    Editor e;
    QVERIFY(e.show());
    e.c.rDateTime->setChecked(true);
    e.c.RepeatE->setFocus();
    e.c.RepeatE->setText(u"12"_s);
    if (!clipboard.isEmpty()) {
        QApplication::clipboard()->setText(clipboard);
    }
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(e.c.RepeatE, &press);
    QApplication::sendEvent(e.c.RepeatE, &release);
    QCOMPARE(e.c.RepeatE->text(), expected);
    QVERIFY(e.d->isVisible());
    QVERIFY(e.rig.closer.messages.isEmpty());
}

void TestNewEditDialog::repeatExit_limitFollowsSpecificDate_data()
{
    QTest::addColumn<bool>("specificDate");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::newRow("1000 days") << true << u"1000"_s << false;
    QTest::newRow("1001 days") << true << u"1001"_s << true;
    QTest::newRow("1200 days") << true << u"1200"_s << true;
    QTest::newRow("1200 minutes") << false << u"1200"_s << false;
    QTest::newRow("1440 minutes") << false << u"1440"_s << false;
    QTest::newRow("1441 minutes") << false << u"1441"_s << true;
    QTest::newRow("9999 minutes") << false << u"9999"_s << true;
    QTest::newRow("empty") << true << QString() << false;
}

void TestNewEditDialog::repeatExit_limitFollowsSpecificDate()
{
    QFETCH(bool, specificDate);
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    Editor e;
    TNewEditDialog& d = *e.d;
    EditorControls& c = e.c;
    QVERIFY(e.show());
    c.rDateTime->setChecked(true);
    c.specDateCB->setChecked(specificDate);
    c.RepeatE->setFocus();
    QTRY_VERIFY(c.RepeatE->hasFocus());
    c.RepeatE->clear();
    QTest::keyClicks(c.RepeatE, typed);
    QCOMPARE(c.RepeatE->text(), typed);

    QTest::keyClick(c.RepeatE, Qt::Key_Tab); // leave the field
    if (refused) {
        QCOMPARE(e.rig.closer.messages, QStringList{u"Invalid repeat interval!"_s});
        QCOMPARE(e.boxIcons, QList<QMessageBox::Icon>{QMessageBox::Critical});
        QCOMPARE(c.RepeatE->text(), QString());
        QCOMPARE(d.focusWidget(), c.RepeatE);
        QApplication::setActiveWindow(&d); // the window system hands the focus back after the box
        QTRY_VERIFY(c.RepeatE->hasFocus());
        QCOMPARE(e.rig.closer.messages.size(), 1);
    } else {
        QVERIFY(e.rig.closer.messages.isEmpty());
        QCOMPARE(c.RepeatE->text(), typed);
        QVERIFY(!c.RepeatE->hasFocus());
    }
    QVERIFY(d.isVisible());
}

void TestNewEditDialog::repeatExit_checkingSpecificDateLaterDoesNotRecheck()
{
    Editor e;
    TNewEditDialog& d = *e.d;
    EditorControls& c = e.c;
    QVERIFY(e.show());
    c.NameE->setText(u"Long step"_s);
    c.WhatRE->setPlainText(u"x"_s);
    c.rDateTime->setChecked(true);
    c.RepeatE->setFocus();
    QTRY_VERIFY(c.RepeatE->hasFocus());
    c.RepeatE->clear();
    QTest::keyClicks(c.RepeatE, u"1200"_s);
    QTest::keyClick(c.RepeatE, Qt::Key_Tab);
    QTest::mouseClick(c.specDateCB, Qt::LeftButton, {}, QPoint(6, c.specDateCB->height() / 2));
    QVERIFY(c.specDateCB->isChecked());
    QVERIFY(e.rig.closer.messages.isEmpty());
    QCOMPARE(c.RepeatE->text(), u"1200"_s);

    QTest::mouseClick(c.OKSB, Qt::LeftButton); // OK does not check the step again
    QVERIFY(e.rig.closer.messages.isEmpty());
    QVERIFY(!d.isVisible());
    QCOMPARE(e.form->model().count(), 1);
    QCOMPARE(e.form->model().at(0).repeat, u"1200"_s);
    QCOMPARE(e.form->model().at(0).date, u"08.12.26"_s);
}

void TestNewEditDialog::repeatOk_stepStillBeingTypedIsChecked()
{
    Editor e;
    TNewEditDialog& d = *e.d;
    EditorControls& c = e.c;
    QVERIFY(e.show());
    c.NameE->setText(u"Too long"_s);
    c.WhatRE->setPlainText(u"x"_s);
    c.rDateTime->setChecked(true);
    c.RepeatE->setFocus();
    QTRY_VERIFY(c.RepeatE->hasFocus());
    c.RepeatE->clear();
    QTest::keyClicks(c.RepeatE, u"2000"_s);

    // OK takes no focus, so the field is still being edited when it is pressed.
    QTest::mouseClick(c.OKSB, Qt::LeftButton);
    QCOMPARE(e.rig.closer.messages, QStringList{u"Invalid repeat interval!"_s});
    QVERIFY(d.isVisible());
    QCOMPARE(e.form->model().count(), 0);
    QCOMPARE(c.RepeatE->text(), QString());
    QCOMPARE(d.focusWidget(), c.RepeatE);

    QTest::keyClicks(c.RepeatE, u"20"_s);
    QTest::mouseClick(c.OKSB, Qt::LeftButton);
    QCOMPARE(e.rig.closer.messages.size(), 1);
    QVERIFY(!d.isVisible());
    QCOMPARE(e.form->model().count(), 1);
    QCOMPARE(e.form->model().at(0).repeat, u"20"_s);
}

void TestNewEditDialog::repeatCancel_closesWithoutChecking()
{
    Editor e;
    TNewEditDialog& d = *e.d;
    EditorControls& c = e.c;
    QVERIFY(e.show());
    c.rDateTime->setChecked(true);
    c.RepeatE->setFocus();
    QTRY_VERIFY(c.RepeatE->hasFocus());
    c.RepeatE->clear();
    QTest::keyClicks(c.RepeatE, u"5000"_s);
    QTest::mouseClick(c.CancelSB, Qt::LeftButton);
    QVERIFY(!d.isVisible());
    QVERIFY(e.rig.closer.messages.isEmpty());

    QVERIFY(e.show());
    c.rDateTime->setChecked(true);
    c.RepeatE->setFocus();
    QTRY_VERIFY(c.RepeatE->hasFocus());
    QTest::keyClicks(c.RepeatE, u"5000"_s);
    QTest::keyClick(c.RepeatE, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    QVERIFY(e.rig.closer.messages.isEmpty());
}

// --- What OK writes -------------------------------------------------------------------------------

void TestNewEditDialog::new_examples_data()
{
    QTest::addColumn<bool>("closedOnceBefore");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("storedTime");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("events");
    // First New after the start: the step field still holds its "0".
    QTest::newRow("first New, start-up only") << false << QStringList{u"rStartup"_s} << QString() << QString()
                                              << floatingToday << u"0"_s << u"0"_s << u"2,"_s;
    // After a close the step field is empty, which counts as "0".
    QTest::newRow("after a close, start-up only")
        << true << QStringList{u"rStartup"_s} << QString() << QString() << floatingToday << u"0"_s << u"0"_s << u"2,"_s;
    QTest::newRow("time of day every 30 minutes")
        << true << QStringList{u"rDateTime"_s, u"specTimeCB"_s} << u"08:00:00"_s << u"30"_s << floatingToday
        << u"08:00:00"_s << u"30"_s << u"1,0,"_s;
    // Leading zeros are written as the number they mean: "00" does not make a repeating reminder.
    QTest::newRow("step 007") << true << QStringList{u"rDateTime"_s, u"specTimeCB"_s} << u"08:00:00"_s << u"007"_s
                              << floatingToday << u"08:00:00"_s << u"7"_s << u"1,0,"_s;
    QTest::newRow("step 00") << true << QStringList{u"rDateTime"_s, u"specTimeCB"_s} << u"08:00:00"_s << u"00"_s
                             << floatingToday << u"08:00:00"_s << u"0"_s << u"1,"_s;
    QTest::newRow("no box at all") << false << QStringList() << QString() << QString() << floatingToday << u"0"_s
                                   << u"0"_s << QString();
    QTest::newRow("every event") << true
                                 << QStringList{u"rDateTime"_s, u"rStartup"_s, u"rShutdown"_s, u"rIConnect"_s,
                                                u"rIDisConnect"_s}
                                 << QString() << QString() << floatingToday << u"0"_s << u"0"_s << u"1,2,3,4,5,"_s;
}

void TestNewEditDialog::new_examples()
{
    QFETCH(bool, closedOnceBefore);
    QFETCH(QStringList, boxes);
    QFETCH(QString, time);
    QFETCH(QString, step);
    QFETCH(QString, date);
    QFETCH(QString, storedTime);
    QFETCH(QString, repeat);
    QFETCH(QString, events);
    Editor e;
    TNewEditDialog& d = *e.d;
    EditorControls& c = e.c;
    if (closedOnceBefore) {
        e.runNew([&] { c.CancelSB->click(); });
        QCOMPARE(c.RepeatE->text(), QString());
    } else {
        QCOMPARE(c.RepeatE->text(), u"0"_s);
    }
    e.runNew([&] {
        QTest::keyClicks(c.NameE, u"Example"_s);
        QTest::keyClicks(c.WhatRE, u"Line one"_s);
        QTest::keyClick(c.WhatRE, Qt::Key_Return);
        QTest::keyClicks(c.WhatRE, u"Line two"_s);
        for (const QString& name : boxes) {
            child<QCheckBox>(&d, name.toLatin1().constData())->setChecked(true);
        }
        if (!time.isEmpty()) {
            e.enterTime(QTime::fromString(time, u"HH:mm:ss"_s));
        }
        if (!step.isEmpty()) {
            c.RepeatE->setText(step);
        }
        QTest::mouseClick(c.OKSB, Qt::LeftButton);
    });
    QVERIFY(e.rig.closer.messages.isEmpty());
    QCOMPARE(e.form->model().count(), 1);
    const Reminder& r = e.form->model().at(0);
    QCOMPARE(r.name, u"Example"_s);
    QCOMPARE(r.date, date);
    QCOMPARE(r.time, storedTime);
    QCOMPARE(r.repeat, repeat);
    QCOMPARE(r.events, events);
    QCOMPARE(r.what, u"Line one\rLine two"_s);
    QCOMPARE(r.ponovno, u"0"_s);
    QVERIFY(!r.checked);
    QCOMPARE(d.windowTitle(), u"New reminder"_s);
    QCOMPARE(c.NameE->text(), QString());
}

void TestNewEditDialog::ok_dateTimeAndRepeatByMode_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("dateTime");
    QTest::addColumn<bool>("specificDate");
    QTest::addColumn<bool>("specificTime");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("events");
    const QString kalendar = u"24.12.26"_s;
    const QString vrijeme = u"08:00:00"_s;
    for (const bool edit : {false, true}) {
        const char* mode = edit ? "Edit" : "New";
        // While "on specific date/time" is ticked both modes follow the table.
        QTest::addRow("%s: neither", mode)
            << edit << true << false << false << u"0"_s << floatingToday << u"0"_s << u"0"_s << u"1,2,"_s;
        QTest::addRow("%s: date", mode) << edit << true << true << false << u"0"_s << kalendar << u"0"_s << u"0"_s
                                        << u"1,2,"_s;
        QTest::addRow("%s: time", mode) << edit << true << false << true << u"15"_s << floatingToday << vrijeme
                                        << u"15"_s << u"1,2,0,"_s;
        QTest::addRow("%s: date and time", mode)
            << edit << true << true << true << u"7"_s << kalendar << vrijeme << u"7"_s << u"1,2,0,"_s;
        QTest::addRow("%s: empty step", mode)
            << edit << true << false << true << QString() << floatingToday << vrijeme << u"0"_s << u"1,2,"_s;
    }
    // Unticked, the two boxes may still be ticked from before: New writes what they say, Edit
    // writes today's floating date, no time and no step; neither sets the date/time flag.
    QTest::newRow("New: date and time left ticked")
        << false << false << true << true << u"7"_s << kalendar << vrijeme << u"7"_s << u"2,0,"_s;
    QTest::newRow("Edit: date and time left ticked")
        << true << false << true << true << u"7"_s << floatingToday << u"0"_s << u"0"_s << u"2,0,"_s;
}

void TestNewEditDialog::ok_dateTimeAndRepeatByMode()
{
    QFETCH(bool, edit);
    QFETCH(bool, dateTime);
    QFETCH(bool, specificDate);
    QFETCH(bool, specificTime);
    QFETCH(QString, step);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, repeat);
    QFETCH(QString, events);
    Editor e("Before - 01.01.26 - 23:59:00 - 5 - 3, - 0\r\n", "-0-\r\nold text\r\n==\r\n");
    EditorControls& c = e.c;
    const auto body = [&] {
        if (!edit) {
            c.NameE->setText(u"Fresh"_s);
            c.WhatRE->setPlainText(u"new text"_s);
        }
        c.rShutdown->setChecked(false);
        c.rStartup->setChecked(true);
        // The date and time boxes are ticked while they can be, then "on specific date/time" as asked.
        c.rDateTime->setChecked(true);
        c.specDateCB->setChecked(specificDate);
        c.specTimeCB->setChecked(specificTime);
        c.Kalendar->setDate(QDate(2026, 12, 24));
        if (specificTime) {
            e.enterTime(QTime(8, 0));
        }
        c.RepeatE->setText(step);
        c.rDateTime->setChecked(dateTime);
        QTest::mouseClick(c.OKSB, Qt::LeftButton);
    };
    if (edit) {
        e.runEdit(0, body);
    } else {
        e.runNew(body);
    }
    // A row due at once (today, no time) shows its alert as soon as the editor has closed, and its
    // sound is not in the test folder; the editor itself reports nothing.
    QStringList messages = e.rig.closer.messages;
    messages.removeAll(u"Sound file not found!"_s);
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join(u"|"_s)));
    QCOMPARE(e.form->model().count(), edit ? 1 : 2);
    const Reminder& r = e.form->model().at(edit ? 0 : 1);
    QCOMPARE(r.name, edit ? u"Before"_s : u"Fresh"_s);
    QCOMPARE(r.date, date);
    QCOMPARE(r.time, time);
    QCOMPARE(r.repeat, repeat);
    QCOMPARE(r.events, events);
    QCOMPARE(r.what, edit ? u"old text"_s : u"new text"_s);
}

void TestNewEditDialog::edit_keepsCheckedAndPonovnoAndAcceptsEmptyText()
{
    Editor e("Fired - #08.12.26 - 11:00:00 - 0 - 1, - 1\r\nOther - #08.12.26 - 0 - 0 - 2, - 0\r\n",
             "-0-\r\nfired text\r\n==\r\n-1-\r\nx\r\n==\r\n");
    TNewEditDialog& d = *e.d;
    EditorControls& c = e.c;
    ReminderModel& model = e.form->model();
    model.setField(0, Field::Ponovno, u"11:30:00"_s);
    QVERIFY(model.at(0).checked);
    QString caption;
    e.runEdit(0, [&] {
        caption = d.windowTitle();
        c.NameE->setText(u"Renamed"_s);
        c.WhatRE->clear();
        QTest::mouseClick(c.OKSB, Qt::LeftButton);
    });
    QCOMPARE(caption, u"Edit reminder - Fired"_s);
    QVERIFY(e.rig.closer.messages.isEmpty());
    QCOMPARE(model.count(), 2);
    QCOMPARE(model.at(0).name, u"Renamed"_s);
    QCOMPARE(model.at(0).what, QString());
    QCOMPARE(model.at(0).time, u"11:00:00"_s);
    QVERIFY(model.at(0).checked);
    QCOMPARE(model.at(0).ponovno, u"11:30:00"_s);
    QCOMPARE(model.at(1).name, u"Other"_s);
    QCOMPARE(d.windowTitle(), u"New reminder"_s);
}

void TestNewEditDialog::validation_messagesAndOrder_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus");
    const QString noName = u"Reminder name not specified!"_s;
    const QString noText = u"Reminde text not specified!"_s;
    QTest::newRow("New: no name, no text") << false << QString() << QString() << QStringList{noName} << u"NameE"_s;
    QTest::newRow("New: no name") << false << QString() << u"x"_s << QStringList{noName} << u"NameE"_s;
    QTest::newRow("New: no text") << false << u"Name"_s << QString() << QStringList{noText} << u"WhatRE"_s;
    QTest::newRow("New: blank name") << false << u"   "_s << u"x"_s << QStringList() << QString();
    QTest::newRow("Edit: no name, no text") << true << QString() << QString() << QStringList{noName} << u"NameE"_s;
    QTest::newRow("Edit: no text") << true << u"Name"_s << QString() << QStringList() << QString();
    QTest::newRow("Edit: blank name") << true << u" "_s << u"x"_s << QStringList() << QString();
}

void TestNewEditDialog::validation_messagesAndOrder()
{
    QFETCH(bool, edit);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    Editor e("Kept - #08.12.26 - 0 - 0 - 2, - 0\r\n", "-0-\r\nkept text\r\n==\r\n");
    TNewEditDialog& d = *e.d;
    EditorControls& c = e.c;
    bool stayedOpen = false;
    QString focused;
    const auto body = [&] {
        c.NameE->setText(name);
        c.WhatRE->setPlainText(text);
        c.rStartup->setChecked(true);
        QTest::mouseClick(c.OKSB, Qt::LeftButton);
        stayedOpen = d.isVisible();
        focused = d.focusWidget() ? d.focusWidget()->objectName() : QString();
        if (stayedOpen) {
            c.CancelSB->click();
        }
    };
    if (edit) {
        e.runEdit(0, body);
    } else {
        e.runNew(body);
    }
    QCOMPARE(e.rig.closer.messages, messages);
    QCOMPARE(stayedOpen, !messages.isEmpty());
    ReminderModel& model = e.form->model();
    if (messages.isEmpty()) {
        QCOMPARE(model.count(), edit ? 1 : 2);
        QCOMPARE(model.at(model.count() - 1).name, name);
        QCOMPARE(model.at(model.count() - 1).what, text);
        return;
    }
    QCOMPARE(focused, focus);
    for (int i = 0; i < messages.size(); ++i) {
        QCOMPARE(e.boxIcons.at(i), QMessageBox::Critical);
        QCOMPARE(e.boxButtons.at(i), QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    QCOMPARE(model.count(), 1);
    QCOMPARE(model.at(0).name, u"Kept"_s);
    QCOMPARE(model.at(0).what, u"kept text"_s);
}

void TestNewEditDialog::validation_unsavableNameOrTextIsRefused_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("textLines");
    QTest::addColumn<bool>("paste"); // the name comes from the clipboard instead of the keyboard
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    const QString badName = u"Reminder name contains characters that cannot be saved!"_s;
    const QString badText = u"Reminder text contains a line that cannot be saved!"_s;
    const QStringList text{u"Ring him"_s};
    for (const bool edit : {false, true}) {
        const char* mode = edit ? "Edit" : "New";
        QTest::addRow("%s: typed separator", mode) << edit << u"Call - Bob"_s << text << false << badName << u"NameE"_s;
        QTest::addRow("%s: typed blank hyphen at the end", mode)
            << edit << u"Call -"_s << text << false << badName << u"NameE"_s;
        QTest::addRow("%s: pasted LF", mode) << edit << u"Call\nBob"_s << text << true << badName << u"NameE"_s;
        QTest::addRow("%s: pasted CR", mode) << edit << u"Call\rBob"_s << text << true << badName << u"NameE"_s;
        QTest::addRow("%s: pasted tab", mode) << edit << u"Call\tBob"_s << text << true << badName << u"NameE"_s;
        QTest::addRow("%s: text line ==", mode)
            << edit << u"Call Bob"_s << QStringList{u"one"_s, u"=="_s, u"two"_s} << false << badText << u"WhatRE"_s;
        QTest::addRow("%s: text line -1-", mode)
            << edit << u"Call Bob"_s << QStringList{u"-1-"_s} << false << badText << u"WhatRE"_s;
        // The name comes first, as the empty checks do.
        QTest::addRow("%s: both", mode) << edit << u"A - B"_s << QStringList{u"=="_s} << false << badName << u"NameE"_s;
        QTest::addRow("%s: hyphens that read back", mode)
            << edit << u"- Call -Bob- "_s << QStringList{u"== "_s, u"-01-"_s, u"-x-"_s} << false << QString()
            << QString();
    }
}

void TestNewEditDialog::validation_unsavableNameOrTextIsRefused()
{
    QFETCH(bool, edit);
    QFETCH(QString, name);
    QFETCH(QStringList, textLines);
    QFETCH(bool, paste);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    Editor e("Kept - #08.12.26 - 0 - 0 - 2, - 0\r\n", "-0-\r\nkept text\r\n==\r\n");
    TNewEditDialog& d = *e.d;
    EditorControls& c = e.c;
    QString nameAfter;
    QString textAfter;
    QString focused;
    bool stayedOpen = false;
    const auto body = [&] {
        QVERIFY(activate(&d));
        c.NameE->clear();
        c.NameE->setFocus();
        if (paste) {
            QApplication::clipboard()->setText(name);
            QTest::keyClick(c.NameE, Qt::Key_V, Qt::ControlModifier);
        } else {
            QTest::keyClicks(c.NameE, name);
        }
        QCOMPARE(c.NameE->text(), name);
        c.WhatRE->clear();
        for (qsizetype i = 0; i < textLines.size(); ++i) {
            if (i > 0) {
                QTest::keyClick(c.WhatRE, Qt::Key_Return);
            }
            QTest::keyClicks(c.WhatRE, textLines.at(i));
        }
        c.rStartup->setChecked(true);
        QTest::mouseClick(c.OKSB, Qt::LeftButton);
        stayedOpen = d.isVisible();
        focused = d.focusWidget() ? d.focusWidget()->objectName() : QString();
        nameAfter = c.NameE->text();
        textAfter = c.WhatRE->toPlainText();
        if (stayedOpen) {
            c.CancelSB->click();
        }
    };
    if (edit) {
        e.runEdit(0, body);
    } else {
        e.runNew(body);
    }
    ReminderModel& model = e.form->model();
    if (message.isEmpty()) {
        QVERIFY(e.rig.closer.messages.isEmpty());
        QCOMPARE(model.count(), edit ? 1 : 2);
        QCOMPARE(model.at(model.count() - 1).name, name);
        QCOMPARE(model.at(model.count() - 1).what, textLines.join(u'\r'));
        return;
    }
    QCOMPARE(e.rig.closer.messages, QStringList{message});
    QCOMPARE(e.boxIcons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    QCOMPARE(e.boxButtons, QList<QMessageBox::StandardButtons>{QMessageBox::Ok});
    QVERIFY(stayedOpen);
    QCOMPARE(focused, focus);
    QCOMPARE(nameAfter, name);
    QCOMPARE(textAfter, textLines.join(u'\n'));
    QCOMPARE(model.count(), 1);
    QCOMPARE(model.at(0).name, u"Kept"_s);
    QCOMPARE(model.at(0).what, u"kept text"_s);
}

// --- Closing --------------------------------------------------------------------------------------

void TestNewEditDialog::close_eachWayResetsCancelAloneStartsSecondTimer_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("secondTimer");
    for (const bool edit : {false, true}) {
        const char* mode = edit ? "Edit" : "New";
        QTest::addRow("%s: Cancel", mode) << u"Cancel"_s << edit << true;
        QTest::addRow("%s: close box", mode) << u"close box"_s << edit << false;
        QTest::addRow("%s: Escape", mode) << u"Escape"_s << edit << false;
    }
}

void TestNewEditDialog::close_eachWayResetsCancelAloneStartsSecondTimer()
{
    QFETCH(QString, way);
    QFETCH(bool, edit);
    QFETCH(bool, secondTimer);
    Editor e("Row - 24.12.26 - 18:30:00 - 7 - 1,2,0, - 0\r\n", "-0-\r\nrow text\r\n==\r\n");
    TNewEditDialog& d = *e.d;
    EditorControls& c = e.c;
    TMainForm& form = *e.form;
    QVERIFY(!form.scheduler().scanning());
    QVERIFY(!form.scheduler().pausedCheck());
    const auto body = [&] {
        QVERIFY(activate(&d));
        c.NameE->setText(u"Changed"_s);
        c.WhatRE->setPlainText(u"changed text"_s);
        c.rDateTime->setChecked(true);
        c.rIConnect->setChecked(true);
        c.specDateCB->setChecked(true);
        c.specTimeCB->setChecked(true);
        c.RepeatE->setText(u"30"_s);
        c.NameE->setFocus();
        if (way == u"Cancel"_s) {
            QTest::mouseClick(c.CancelSB, Qt::LeftButton);
        } else if (way == u"Escape"_s) {
            QTest::keyClick(c.NameE, Qt::Key_Escape);
        } else {
            QVERIFY(d.close()); // the close box
        }
    };
    if (edit) {
        e.runEdit(0, body);
    } else {
        e.runNew(body);
    }
    QVERIFY(!d.isVisible());
    QVERIFY(e.rig.closer.messages.isEmpty());
    QCOMPARE(form.model().count(), 1);
    QCOMPARE(form.model().at(0).name, u"Row"_s);
    QCOMPARE(form.model().at(0).events, u"1,2,0,"_s);
    QVERIFY(form.scheduler().scanning());
    QCOMPARE(form.scheduler().pausedCheck(), secondTimer);

    QCOMPARE(d.windowTitle(), u"New reminder"_s);
    QCOMPARE(c.NameE->text(), QString());
    QVERIFY(c.WhatRE->document()->isEmpty());
    QCOMPARE(c.RepeatE->text(), QString());
    for (QCheckBox* box :
         {c.rDateTime, c.rStartup, c.rShutdown, c.rIConnect, c.rIDisConnect, c.specDateCB, c.specTimeCB}) {
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    }
    QCOMPARE(objectNames(e.dependents(), &QWidget::isEnabled), QStringList());
    QCOMPARE(d.focusWidget(), c.NameE);
}

void TestNewEditDialog::timeField_enteringStopsTheEngineTimer()
{
    Editor e;
    EditorControls& c = e.c;
    TMainForm& form = *e.form;
    form.scheduler().setScanning(true);
    QVERIFY(e.show());
    c.rDateTime->setChecked(true);
    c.specTimeCB->setChecked(true);
    QTest::mouseClick(c.NameE, Qt::LeftButton);
    QTRY_VERIFY(c.NameE->hasFocus());
    QTest::keyClick(c.NameE, Qt::Key_Tab);
    QTRY_VERIFY(c.WhatRE->hasFocus());
    QVERIFY(form.scheduler().scanning());

    // The date picker is disabled, so Tab goes on from the text to the time picker.
    QTest::keyClick(c.WhatRE, Qt::Key_Tab);
    QTRY_VERIFY(c.Vrijeme->hasFocus());
    QVERIFY(!form.scheduler().scanning());
    // While it is stopped the engine leaves the picker alone.
    c.Vrijeme->setTime(QTime(6, 45));
    e.rig.clock.advanceSeconds(90);
    QVERIFY(waitOutTimers(1200)); // longer than the engine's tick
    QCOMPARE(c.Vrijeme->time(), QTime(6, 45));

    c.CancelSB->click();
    QVERIFY(form.scheduler().scanning());
}

void TestNewEditDialog::help_buttonAndRepeatBoxOpenTheirTopics()
{
    QTemporaryDir dir;
    HelpViewer help(dir.filePath(u"help"_s));
    ReminderModel model;
    NewEditHost host;
    host.model = &model;
    host.help = &help;
    TNewEditDialog d(host);
    EditorControls c;
    c.find(&d);
    QTest::mouseClick(c.HelpSB, Qt::LeftButton);
    QVERIFY(help.window() && help.window()->isVisible());
    help.close();

    ModalCloser closer;
    QList<QMessageBox::StandardButtons> buttons;
    closer.handler = [&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            buttons.append(box->standardButtons());
        }
        return false;
    };
    d.show();
    QVERIFY(activate(&d));
    c.rDateTime->setChecked(true);
    c.RepeatE->setFocus();
    QTRY_VERIFY(c.RepeatE->hasFocus());
    c.RepeatE->setText(u"1441"_s);
    QTest::keyClick(c.RepeatE, Qt::Key_Tab);
    QCOMPARE(closer.messages, QStringList{u"Invalid repeat interval!"_s});
    QCOMPARE(buttons, QList<QMessageBox::StandardButtons>{QMessageBox::Ok | QMessageBox::Help});
    c.CancelSB->click();
}

QTEST_MAIN(TestNewEditDialog)
#include "tst_neweditdialog.moc"
