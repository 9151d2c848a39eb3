#include "components/INetDetector.h"
#include "components/TrayIcon.h"
#include "core/DateText.h"
#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/HelpMessageBox.h"
#include "gui/NewEditD.h"
#include "support/Controls.h"
#include "support/Files.h"
#include "support/ProgramRig.h"
#include "support/Waits.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimeEdit>

namespace {

// Rows of every kind; the floating date is the fake clock's today, so the catch-up keeps it.
const QByteArray sampleData = "Dentist - 05.03.26 - 09:30:00 - 0 - 1, - 0\r\n"
                              "Backup - #08.12.26 - 12:10:00 - 30 - 1,0, - 1\r\n"
                              "Mail - #08.12.26 - 0 - 0 - 4, - 0\r\n"
                              "Boot - #08.12.26 - 0 - 0 - 2,3, - 0\r\n";
const QByteArray sampleText = "-0-\r\nBring the card\r\n==\r\n-1-\r\nCopy the photos\rto the stick\r\n==\r\n"
                              "-2-\r\n\r\n==\r\n-3-\r\nSay hello\r\n==\r\n";

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }
    void load_thenCloseRewritesFilesIdentically();
    void load_noFilesThenCloseWritesTwoEmptyFiles();
    void startInTray_mainWindowStaysHidden();
    void startInTray_withoutTrayWindowIsMinimizedNotHidden();
    void autosave_changeReachesDiskWithoutClosing();
    void close_failedSaveKeepsWindowOpenAndRetries();
    void commands_withoutSelectionDoNothing();
    void edit_loadsExactlyTheBoxesTheRowSays_data();
    void edit_loadsExactlyTheBoxesTheRowSays();
    void edit_writesBackToTheRowItStartedOn();
    void delete_onlyOkDeletes_data();
    void delete_onlyOkDeletes();
    void delete_lastRowThenCloseWritesEmptyFiles();
    void userTexts_showAsTyped_data();
    void userTexts_showAsTyped();
    void view_editOpensTheEditorOnceOnTheViewedRow();
    void view_editAfterQueuedAlertsOpensTheViewedRow();
    void alert_pauseMarksTheFiredRowNotTheSelection();
    void wake_eachRowAtItsInstantAndTheNextPlannedWhenTheAlertCloses();
};

void TestMainForm::load_thenCloseRewritesFilesIdentically()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), sampleData);
    writeFile(rig.path(QStringLiteral("reminder.nlt")), sampleText);
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    QCOMPARE(form.model().count(), 4);
    QCOMPARE(form.model().at(1).what, QStringLiteral("Copy the photos\rto the stick"));
    QVERIFY(form.model().at(1).checked);
    QVERIFY(form.close());
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nld"))), sampleData);
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nlt"))), sampleText);
}

void TestMainForm::load_noFilesThenCloseWritesTwoEmptyFiles()
{
    ProgramRig rig;
    rig.start();
    QCOMPARE(rig.windows->mainForm()->model().count(), 0);
    QVERIFY(rig.windows->mainForm()->close());
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nld"))), QByteArray());
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nlt"))), QByteArray());
}

void TestMainForm::startInTray_mainWindowStaysHidden()
{
    ProgramRig rig;
    rig.start({QStringLiteral("/s")});
    rig.windows->finishSplash();
    TMainForm& form = *rig.windows->mainForm();
    QVERIFY(!form.isVisible());
    QVERIFY(child<TTrayIcon>(&form, "TrayIcon")->IconVisible());
    QVERIFY(rig.tray->shown);
    rig.windows->startRunning();
    QVERIFY(child<QTimer>(&form, "StartupTimer")->isActive());
    QVERIFY(form.scheduler().scanning());
    QVERIFY(child<TINetDetector>(&form, "NetDetector")->Enabled());

    ProgramRig plain;
    plain.start({QStringLiteral("/S")}); // the switch is case-sensitive
    plain.windows->finishSplash();
    plain.windows->startRunning();
    QVERIFY(plain.windows->mainForm()->isVisible());
    QVERIFY(!child<QTimer>(plain.windows->mainForm(), "StartupTimer")->isActive());
    QVERIFY(!plain.tray->shown);
}

void TestMainForm::startInTray_withoutTrayWindowIsMinimizedNotHidden()
{
    ProgramRig rig;
    rig.tray->setAvailable(false);
    rig.start({QStringLiteral("/s")});
    rig.windows->finishSplash();
    QVERIFY(rig.windows->mainForm()->isVisible());
    QVERIFY(rig.windows->mainForm()->isMinimized());
}

void TestMainForm::autosave_changeReachesDiskWithoutClosing()
{
    ProgramRig rig;
    rig.start();
    Reminder r;
    r.name = QStringLiteral("Saved soon");
    r.events = QStringLiteral("2,");
    rig.windows->mainForm()->model().append(r);
    QTRY_VERIFY_WITH_TIMEOUT(readFile(rig.path(QStringLiteral("reminder.nld"))).contains("Saved soon - 0 - 0 - 0 - 2, - 0"),
                             5000);
    rig.windows->mainForm()->model().setChecked(0, true);
    QTRY_VERIFY_WITH_TIMEOUT(readFile(rig.path(QStringLiteral("reminder.nld"))).contains("2, - 1"), 5000);
}

void TestMainForm::close_failedSaveKeepsWindowOpenAndRetries()
{
    ProgramRig rig;
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    form.show();
    Reminder r;
    r.name = QStringLiteral("Precious");
    form.model().append(r);
    // The program folder vanishes: nothing can be written there.
    const QString folder = rig.dir.path();
    QVERIFY(QDir(folder).removeRecursively());
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(form.model().count(), 1);
    QCOMPARE(rig.closer.messages.size(), 1);
    QVERIFY(rig.closer.messages.first().startsWith(QStringLiteral("Cannot create file ") + folder));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(form.close());
    QVERIFY(readFile(rig.path(QStringLiteral("reminder.nld"))).startsWith("Precious - "));
}

void TestMainForm::commands_withoutSelectionDoNothing()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), sampleData);
    writeFile(rig.path(QStringLiteral("reminder.nlt")), sampleText);
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    int modals = 0;
    rig.closer.handler = [&](QWidget*) {
        ++modals;
        return false;
    };
    child<QPushButton>(&form, "ViewSB")->click();
    child<QPushButton>(&form, "EditSB")->click();
    child<QPushButton>(&form, "DeleteSB")->click();
    QVERIFY(waitOutTimers(100)); // the modal windows' watcher has looked again
    QCOMPARE(modals, 0);
    QCOMPARE(form.model().count(), 4);
}

void TestMainForm::edit_loadsExactlyTheBoxesTheRowSays_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("checkedBoxes");
    QTest::addColumn<QString>("enabledBoxes");
    QTest::addColumn<bool>("kalendarEnabled");
    // A floating date with a time: date/time and time ticked, date unticked but enabled.
    QTest::newRow("floating date and time") << QByteArray("R - #08.12.26 - 07:15:00 - 0 - 1, - 0")
                                            << QStringLiteral("rDateTime specTimeCB")
                                            << QStringLiteral("specDateCB specTimeCB") << false;
    // No date/time flag but a time: the time box ends ticked but disabled.
    QTest::newRow("time without flag") << QByteArray("R - #08.12.26 - 07:15:00 - 0 - 2, - 0")
                                       << QStringLiteral("rStartup specTimeCB") << QString() << false;
    QTest::newRow("startup and shutdown") << QByteArray("R - #08.12.26 - 0 - 0 - 2,3, - 0")
                                          << QStringLiteral("rStartup rShutdown") << QString() << false;
    QTest::newRow("fixed date") << QByteArray("R - 24.12.26 - 0 - 7 - 1,0, - 0")
                                << QStringLiteral("rDateTime specDateCB")
                                << QStringLiteral("specDateCB specTimeCB") << true;
}

void TestMainForm::edit_loadsExactlyTheBoxesTheRowSays()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, checkedBoxes);
    QFETCH(QString, enabledBoxes);
    QFETCH(bool, kalendarEnabled);
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), line + "\r\n");
    writeFile(rig.path(QStringLiteral("reminder.nlt")), "-0-\r\nx\r\n==\r\n");
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    TNewEditDialog& d = *rig.windows->newEditDialog();
    QStringList checked;
    QStringList enabled;
    bool kalendar = false;
    QString caption;
    QString time;
    bool timerStopped = false;
    rig.closer.handler = [&](QWidget* w) {
        if (w != &d) {
            return false;
        }
        caption = d.windowTitle();
        for (const char* name :
             {"rDateTime", "rStartup", "rShutdown", "rIConnect", "rIDisConnect", "specDateCB", "specTimeCB"}) {
            if (child<QCheckBox>(&d, name)->isChecked()) {
                checked.append(QLatin1String(name));
            }
        }
        for (const char* name : {"specDateCB", "specTimeCB"}) {
            if (child<QCheckBox>(&d, name)->isEnabled()) {
                enabled.append(QLatin1String(name));
            }
        }
        kalendar = child<QDateEdit>(&d, "Kalendar")->isEnabled();
        time = FormatTime(child<QTimeEdit>(&d, "Vrijeme")->time());
        timerStopped = !form.scheduler().scanning();
        child<QPushButton>(&d, "CancelSB")->click();
        return true;
    };
    form.model().selectRow(0);
    child<QPushButton>(&form, "EditSB")->click();
    QCOMPARE(caption, QStringLiteral("Edit reminder - R"));
    QVERIFY(timerStopped);
    QCOMPARE(checked.join(u' '), checkedBoxes);
    QCOMPARE(enabled.join(u' '), enabledBoxes);
    QCOMPARE(kalendar, kalendarEnabled);
    if (line.contains("07:15:00")) {
        QCOMPARE(time, QStringLiteral("07:15:00"));
    }
    QCOMPARE(d.windowTitle(), QStringLiteral("New reminder"));
    QVERIFY(form.scheduler().scanning());
}

void TestMainForm::edit_writesBackToTheRowItStartedOn()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), sampleData);
    writeFile(rig.path(QStringLiteral("reminder.nlt")), sampleText);
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    TNewEditDialog& d = *rig.windows->newEditDialog();
    rig.closer.handler = [&](QWidget* w) {
        if (w != &d) {
            return false;
        }
        form.model().selectRow(3); // a trigger selects another row behind the editor
        child<QLineEdit>(&d, "NameE")->setText(QStringLiteral("Mail renamed"));
        child<QPushButton>(&d, "OKSB")->click();
        return true;
    };
    form.model().selectRow(2);
    child<QPushButton>(&form, "EditSB")->click();
    QCOMPARE(form.model().at(2).name, QStringLiteral("Mail renamed"));
    QCOMPARE(form.model().at(3).name, QStringLiteral("Boot"));
    QCOMPARE(form.model().at(2).events, QStringLiteral("4,"));
}

void TestMainForm::delete_onlyOkDeletes_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("rowsLeft");
    QTest::newRow("OK") << QStringLiteral("OK") << 3;
    QTest::newRow("No") << QStringLiteral("&No") << 4;
    QTest::newRow("closed") << QString() << 4;
}

void TestMainForm::delete_onlyOkDeletes()
{
    QFETCH(QString, answer);
    QFETCH(int, rowsLeft);
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), sampleData);
    writeFile(rig.path(QStringLiteral("reminder.nlt")), sampleText);
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    QString title;
    QString defaultButton;
    rig.closer.handler = [&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) {
            return false;
        }
        title = box->windowTitle();
        defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        if (answer.isEmpty()) {
            box->close(); // the close box
            return true;
        }
        return ModalCloser::clickButton(box, answer);
    };
    form.model().selectRow(1);
    child<QPushButton>(&form, "DeleteSB")->click();
    QCOMPARE(title, QStringLiteral("Warning"));
    QCOMPARE(defaultButton, QStringLiteral("OK"));
    QCOMPARE(rig.closer.messages, QStringList{QStringLiteral("Delete reminder \"Backup\"?")});
    QCOMPARE(form.model().count(), rowsLeft);
    if (rowsLeft == 3) {
        QCOMPARE(form.model().at(1).name, QStringLiteral("Mail"));
    }
}

void TestMainForm::delete_lastRowThenCloseWritesEmptyFiles()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), "Only - #08.12.26 - 0 - 0 - 2, - 0\r\n");
    writeFile(rig.path(QStringLiteral("reminder.nlt")), "-0-\r\nx\r\n==\r\n");
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    rig.closer.handler = [](QWidget* w) { return ModalCloser::clickButton(w, QStringLiteral("OK")); };
    form.model().selectRow(0);
    child<QPushButton>(&form, "DeleteSB")->click();
    QCOMPARE(form.model().count(), 0);
    QVERIFY(form.close());
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nld"))), QByteArray());
    QCOMPARE(readFile(rig.path(QStringLiteral("reminder.nlt"))), QByteArray());
}

void TestMainForm::userTexts_showAsTyped_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("delete question") << QStringLiteral("delete");
    QTest::newRow("alert text") << QStringLiteral("alert");
    QTest::newRow("view box") << QStringLiteral("view");
    QTest::newRow("message box") << QStringLiteral("message");
}

void TestMainForm::userTexts_showAsTyped()
{
    QFETCH(QString, where);
    const QString markup = QStringLiteral("<b>Bold</b> & co");
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), "<b>Bold</b> & co - 24.12.26 - 18:30:00 - 0 - 1, - 0\r\n");
    writeFile(rig.path(QStringLiteral("reminder.nlt")), "-0-\r\n<i>Call</i> <font color=blue>Bob</font>\r\n==\r\n");
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    TAlertDialog& alert = *rig.windows->alertDialog();
    QCOMPARE(form.model().at(0).name, markup);
    // The texts of the labels that show something the user wrote, with whether each is shown
    // letter for letter.
    QStringList seen;
    const auto literal = [&seen](const QLabel* label) {
        const bool plain = label->textFormat() == Qt::PlainText ||
                           (label->textFormat() == Qt::AutoText && !Qt::mightBeRichText(label->text()));
        seen.append((plain ? QStringLiteral("plain: ") : QStringLiteral("markup: ")) + label->text());
    };
    rig.closer.handler = [&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            for (const QLabel* label : box->findChildren<QLabel*>()) {
                if (label->text().contains(QStringLiteral("<b>"))) {
                    literal(label);
                }
            }
            return ModalCloser::clickButton(box, where == QStringLiteral("delete") ? QStringLiteral("&No")
                                                                                   : QStringLiteral("OK"));
        }
        if (w == &alert) {
            literal(child<QLabel>(&alert, "AlertL"));
            if (child<QLabel>(&alert, "WhenST")->isVisible()) {
                literal(child<QLabel>(&alert, "WhenST"));
            }
            child<QPushButton>(&alert, "OKSB")->click();
            return true;
        }
        return false;
    };
    form.model().selectRow(0);
    const QString what = QStringLiteral("<i>Call</i> <font color=blue>Bob</font>");
    if (where == QStringLiteral("delete")) {
        child<QPushButton>(&form, "DeleteSB")->click();
        QCOMPARE(seen, QStringList{QStringLiteral("plain: Delete reminder \"<b>Bold</b> & co\"?")});
        QCOMPARE(form.model().count(), 1);
    } else if (where == QStringLiteral("alert")) {
        form.ShowAlert(what, form.model().at(0).id);
        QCOMPARE(seen, QStringList{QStringLiteral("plain: ") + what});
    } else if (where == QStringLiteral("view")) {
        child<QPushButton>(&form, "ViewSB")->click();
        QCOMPARE(seen, (QStringList{QStringLiteral("plain: ") + what,
                                    QStringLiteral("plain: Alert on 24.12.26 - 18:30:00, ")}));
    } else {
        const QString text = QStringLiteral("Cannot open file /home/<b>me</b>/reminder.nld");
        ShowMessage(&form, QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok);
        QCOMPARE(seen, QStringList{QStringLiteral("plain: ") + text});
    }
}

void TestMainForm::view_editOpensTheEditorOnceOnTheViewedRow()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), sampleData);
    writeFile(rig.path(QStringLiteral("reminder.nlt")), sampleText);
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    TAlertDialog& alert = *rig.windows->alertDialog();
    int editorOpened = 0;
    bool checkTimerRunning = true;
    QString viewText;
    QString pauseCaption;
    rig.closer.handler = [&](QWidget* w) {
        if (w == &alert) {
            viewText = child<QLabel>(&alert, "WhenST")->text();
            pauseCaption = child<QPushButton>(&alert, "PauseSB")->text();
            fire(child<QTimer>(&alert, "CheckTimer")); // nobody answers the view: its timer presses Edit
            return true;
        }
        if (w == rig.windows->newEditDialog()) {
            ++editorOpened;
            checkTimerRunning = child<QTimer>(&alert, "CheckTimer")->isActive();
            child<QPushButton>(w, "CancelSB")->click();
            return true;
        }
        return false;
    };
    form.model().selectRow(0);
    child<QPushButton>(&form, "ViewSB")->click();
    QCOMPARE(viewText, QStringLiteral("Alert on 05.03.26 - 09:30:00, "));
    QCOMPARE(pauseCaption, QStringLiteral("&Edit"));
    QCOMPARE(editorOpened, 1);
    QVERIFY(!checkTimerRunning);
    QCOMPARE(alert.windowTitle(), QStringLiteral("Reminder"));
    QVERIFY(waitOutTimers(200));
    QCOMPARE(editorOpened, 1);
}

void TestMainForm::view_editAfterQueuedAlertsOpensTheViewedRow()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), sampleData);
    writeFile(rig.path(QStringLiteral("reminder.nlt")), sampleText);
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    TAlertDialog& alert = *rig.windows->alertDialog();
    TNewEditDialog& editor = *rig.windows->newEditDialog();
    QStringList shown; // the windows in the order they came, with what they showed
    rig.closer.handler = [&](QWidget* w) {
        if (w == &alert && alert.isViewMode()) {
            shown.append(QStringLiteral("view ") + child<QLabel>(&alert, "AlertL")->text());
            // The start-up scan comes while the view is open: its alert waits behind the view.
            form.StartupTimerTimer();
            QTest::mouseClick(child<QPushButton>(&alert, "PauseSB"), Qt::LeftButton); // Edit
            return true;
        }
        if (w == &alert) {
            shown.append(QStringLiteral("alert ") + child<QLabel>(&alert, "AlertL")->text());
            child<QPushButton>(&alert, "OKSB")->click();
            return true;
        }
        if (w == &editor) {
            shown.append(editor.windowTitle());
            child<QPushButton>(&editor, "CancelSB")->click();
            return true;
        }
        return false;
    };
    form.model().selectRow(0);
    child<QPushButton>(&form, "ViewSB")->click();
    QCOMPARE(shown, (QStringList{QStringLiteral("view Bring the card"), QStringLiteral("alert Say hello"),
                                 QStringLiteral("Edit reminder - Dentist")}));
}

void TestMainForm::alert_pauseMarksTheFiredRowNotTheSelection()
{
    ProgramRig rig;
    writeFile(rig.path(QStringLiteral("reminder.nld")), "Due - 08.12.26 - 11:00:00 - 0 - 1, - 0\r\n"
                                                        "Other - #08.12.26 - 0 - 0 - 2, - 0\r\n");
    writeFile(rig.path(QStringLiteral("reminder.nlt")), "-0-\r\nDue now\r\n==\r\n-1-\r\nx\r\n==\r\n");
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    TAlertDialog& alert = *rig.windows->alertDialog();
    QString shown;
    rig.closer.handler = [&](QWidget* w) {
        if (w != &alert) {
            return false;
        }
        shown = child<QLabel>(&alert, "AlertL")->text();
        form.model().selectRow(1);
        child<QPushButton>(&alert, "PauseSB")->click();
        return true;
    };
    form.TimerTimer();
    QCOMPARE(shown, QStringLiteral("Due now"));
    QCOMPARE(form.model().at(0).ponovno, QStringLiteral("12:00:00"));
    QCOMPARE(form.model().at(1).ponovno, QStringLiteral("0"));
    QVERIFY(form.scheduler().pausedCheck());
    QCOMPARE(rig.sound.played.size(), 0); // no sounds.ini: the sound is reported missing instead
    QCOMPARE(rig.closer.messages, QStringList{QStringLiteral("Sound file not found!")});
}

void TestMainForm::wake_eachRowAtItsInstantAndTheNextPlannedWhenTheAlertCloses()
{
    ProgramRig rig;
    FakeWakeTimer wake;
    rig.wakeTimer = &wake;
    writeFile(rig.path(QStringLiteral("reminder.nld")), "First - 08.12.26 - 12:00:10 - 0 - 1, - 0\r\n"
                                                        "Second - 08.12.26 - 12:00:40 - 0 - 1, - 0\r\n");
    writeFile(rig.path(QStringLiteral("reminder.nlt")), "-0-\r\nOne\r\n==\r\n-1-\r\nTwo\r\n==\r\n");
    rig.start();
    TMainForm& form = *rig.windows->mainForm();
    TAlertDialog& alert = *rig.windows->alertDialog();
    const QDateTime start = rig.clock.now();
    QStringList shown;
    QDateTime armedWhileShowing;
    rig.closer.handler = [&](QWidget* w) {
        if (w != &alert) {
            return false;
        }
        shown.append(child<QLabel>(&alert, "AlertL")->text());
        armedWhileShowing = wake.armedAt();
        rig.clock.advanceSeconds(3); // the user reads it for a while
        child<QPushButton>(&alert, "OKSB")->click();
        return true;
    };
    QVERIFY(!wake.isArmed()); // nothing runs before the splash has gone
    rig.windows->startRunning();
    QCOMPARE(wake.armedAt(), start.addSecs(10));

    rig.clock.set(start.addSecs(10));
    wake.fire();
    QCOMPARE(shown, QStringList{QStringLiteral("One")});
    // While the alert shows no row can fire: nothing is armed; the alert's close plans again.
    QVERIFY(!armedWhileShowing.isValid());
    QVERIFY(form.model().at(0).checked);
    QCOMPARE(wake.armedAt(), start.addSecs(40));

    // A row unchecked by hand after its instant is due at once.
    form.model().setChecked(0, false);
    QCOMPARE(wake.armedAt(), rig.clock.now());
    wake.fire();
    QCOMPARE(shown, (QStringList{QStringLiteral("One"), QStringLiteral("One")}));
    QCOMPARE(wake.armedAt(), start.addSecs(40));
    rig.clock.set(start.addSecs(40));
    wake.fire();
    QCOMPARE(shown, (QStringList{QStringLiteral("One"), QStringLiteral("One"), QStringLiteral("Two")}));
    QVERIFY(form.model().at(1).checked);
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
