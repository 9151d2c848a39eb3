#include "components/TrayIcon.h"
#include "gui/AlertAttention.h"
#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "support/Controls.h"
#include "support/ProgramRig.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The fake clock stands at 08.12.26 12:00:00: "Dentist" is due, "Mail" only waits for the network.
const QByteArray rows = "Dentist - 08.12.26 - 11:00:00 - 0 - 1, - 0\r\n"
                        "Mail - #08.12.26 - 0 - 0 - 4, - 0\r\n";
const QByteArray texts = "-0-\r\nBring the card\rand the letter\r\n==\r\n-1-\r\nRead it\r\n==\r\n";

/// What the alert's user did, and saw, while it showed.
struct Seen
{
    int notices = 0;
    bool trayAttention = false;
    QList<QWidget*> windowsAsked;
};

/// The program with a due reminder; its alert is answered by what each test says.
struct Program
{
    Program()
    {
        writeFile(rig.path(u"reminder.nld"_s), rows);
        writeFile(rig.path(u"reminder.nlt"_s), texts);
        rig.start();
        form = rig.windows->mainForm();
        alert = rig.windows->alertDialog();
        rig.windows->mainForm()->alertAttention()->setWindowAttention([this](QWidget* w) { windowsAsked.append(w); });
        // The alert is each test's; message boxes (a missing sound) are answered as Escape would.
        rig.closer.handler = [this](QWidget* w) { return w == alert; };
    }

    /// Runs command, which shows the alert modally; answer runs once while it shows and must
    /// close it. Returns what was there to see at that moment.
    Seen run(const std::function<void()>& command, const std::function<void()>& answer)
    {
        Seen seen;
        bool shown = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            // An alert's attention is asked for in the first turns of the modal loop; a view asks none.
            const bool asked = !windowsAsked.isEmpty() || !rig.notifications.posted.isEmpty();
            if (!alert->isVisible() || (!asked && !viewing())) {
                return;
            }
            poll.stop();
            shown = true;
            seen.notices = rig.notifications.posted.size();
            seen.trayAttention = rig.tray->needsAttention;
            seen.windowsAsked = windowsAsked;
            answer();
            if (alert->isVisible()) {
                alert->OKAOLClick(); // never leave a test hanging in the modal loop
            }
        });
        poll.start();
        command();
        if (!shown) {
            qWarning("the alert did not show");
        }
        return seen;
    }
    Seen fire(const std::function<void()>& answer)
    {
        return run([this] { form->TimerTimer(); }, answer);
    }
    bool viewing() const { return alert->isViewMode(); }
    quint64 lastNotice() const
    {
        return rig.notifications.posted.isEmpty() ? 0 : rig.notifications.posted.last().number;
    }

    ProgramRig rig;
    TMainForm* form = nullptr;
    TAlertDialog* alert = nullptr;
    QList<QWidget*> windowsAsked;
};

} // namespace

class TestAlertAttention : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }
    void firedAlert_asksEverywhereUntilItCloses_data();
    void firedAlert_asksEverywhereUntilItCloses();
    void noticeAction_doesWhatTheButtonDoes_data();
    void noticeAction_doesWhatTheButtonDoes();
    void noticeAction_ofAnotherOrEarlierNoticeIsIgnored();
    void view_asksForNothing();
    void withoutNotificationServer_windowAndTrayStillAsk();
    void closedBeforeItWasUp_asksForNothing();
    void firedAlert_ownWindowWhateverMainWindowState_data();
    void firedAlert_ownWindowWhateverMainWindowState();
};

void TestAlertAttention::firedAlert_asksEverywhereUntilItCloses_data()
{
    QTest::addColumn<QString>("closeBy");
    QTest::addColumn<bool>("paused");
    // Pause, and CheckTimer pressing it for an unanswered alert, snooze the reminder.
    QTest::newRow("OK") << u"OK"_s << false;
    QTest::newRow("Pause") << u"Pause"_s << true;
    QTest::newRow("Help") << u"Help"_s << false;
    QTest::newRow("CheckTimer") << u"CheckTimer"_s << true;
}

void TestAlertAttention::firedAlert_asksEverywhereUntilItCloses()
{
    QFETCH(QString, closeBy);
    QFETCH(bool, paused);
    Program p;
    const Seen seen = p.fire([&] {
        if (closeBy == "OK"_L1) {
            p.alert->OKAOLClick();
        } else if (closeBy == "Pause"_L1) {
            p.alert->PauseAOLClick();
        } else if (closeBy == "Help"_L1) {
            child<QPushButton>(p.alert, "HelpSB")->click();
        } else {
            fire(child<QTimer>(p.alert, "CheckTimer"));
        }
    });
    QCOMPARE(seen.notices, 1);
    QVERIFY(seen.trayAttention);
    QCOMPARE(seen.windowsAsked, QList<QWidget*>{p.alert});

    const FakeNotifications::Posted& posted = p.rig.notifications.posted.first();
    QCOMPARE(posted.notice.summary, u"Dentist"_s); // the alert window itself never shows the name
    QCOMPARE(posted.notice.body, u"Bring the card\rand the letter"_s);
    QVERIFY(posted.notice.critical);
    const QList<std::pair<QString, QString>> actions{{u"ok"_s, u"OK"_s}, {u"pause"_s, u"Pause"_s}};
    QCOMPARE(posted.notice.actions, actions);

    QCOMPARE(p.rig.notifications.withdrawn, QList<quint64>{posted.number});
    QVERIFY(!p.rig.tray->needsAttention);
    QCOMPARE(p.rig.notifications.posted.size(), 1);
    QCOMPARE(p.form->model().at(0).ponovno != u"0"_s, paused);
}

void TestAlertAttention::noticeAction_doesWhatTheButtonDoes_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("ponovno");
    QTest::newRow("ok") << u"ok"_s << true << u"0"_s;
    QTest::newRow("pause") << u"pause"_s << true << u"12:00:00"_s;
    QTest::newRow("a click on the notice") << u"default"_s << false << u"0"_s;
    QTest::newRow("unknown") << u"snooze"_s << false << u"0"_s;
}

void TestAlertAttention::noticeAction_doesWhatTheButtonDoes()
{
    QFETCH(QString, action);
    QFETCH(bool, closes);
    QFETCH(QString, ponovno);
    Program p;
    bool closed = false;
    p.fire([&] {
        p.rig.notifications.invoke(p.lastNotice(), action);
        closed = !p.alert->isVisible();
    });
    QCOMPARE(closed, closes);
    QCOMPARE(p.form->model().at(0).ponovno, ponovno);
    QCOMPARE(p.form->scheduler().pausedCheck(), ponovno != u"0"_s);
    QCOMPARE(p.rig.notifications.withdrawn, QList<quint64>{p.rig.notifications.posted.first().number});
    QCOMPARE(p.alert->windowTitle(), TAlertDialog::alertCaption());
}

void TestAlertAttention::noticeAction_ofAnotherOrEarlierNoticeIsIgnored()
{
    Program p;
    bool stayedOpen = false;
    p.fire([&] {
        p.rig.notifications.invoke(p.lastNotice() + 1, u"pause"_s);
        stayedOpen = p.alert->isVisible();
        p.rig.notifications.invoke(p.lastNotice(), u"ok"_s);
    });
    QVERIFY(stayedOpen);
    const quint64 earlier = p.lastNotice();
    // The same notice's Pause after its alert has gone, while the View of the row shows.
    p.form->model().selectRow(0);
    bool viewStayedOpen = false;
    p.run([&] { child<QPushButton>(p.form, "ViewSB")->click(); },
          [&] {
              p.rig.notifications.invoke(earlier, u"pause"_s);
              viewStayedOpen = p.alert->isVisible();
          });
    QVERIFY(viewStayedOpen);
    QCOMPARE(p.form->model().at(0).ponovno, u"0"_s);
    QVERIFY(!p.form->scheduler().pausedCheck());
}

void TestAlertAttention::view_asksForNothing()
{
    Program p;
    p.form->model().selectRow(1);
    const Seen seen = p.run([&] { child<QPushButton>(p.form, "ViewSB")->click(); }, [&] { p.alert->OKAOLClick(); });
    QCOMPARE(child<QLabel>(p.alert, "AlertL")->text(), u"Read it"_s);
    QCOMPARE(seen.notices, 0);
    QVERIFY(!seen.trayAttention);
    QVERIFY(seen.windowsAsked.isEmpty());
    QVERIFY(p.rig.notifications.withdrawn.isEmpty());
    QVERIFY(!p.rig.windows->mainForm()->alertAttention()->active());

    // The next fired alert asks again.
    const Seen fired = p.fire([&] { p.alert->OKAOLClick(); });
    QCOMPARE(fired.notices, 1);
    QVERIFY(fired.trayAttention);
}

void TestAlertAttention::withoutNotificationServer_windowAndTrayStillAsk()
{
    QWidget owner;
    auto* tray = new FakeTrayBackend;
    TTrayIcon icon(&owner, tray);
    TAlertDialog alert(&owner);
    AlertAttention attention(alert, icon, nullptr);
    QList<QWidget*> asked;
    attention.setWindowAttention([&](QWidget* w) { asked.append(w); });

    alert.setAlertText(u"Water the plants"_s);
    attention.alertShowing(u"Plants"_s, u"Water the plants"_s);
    alert.show();
    QTRY_COMPARE(asked, QList<QWidget*>{&alert});
    QVERIFY(tray->needsAttention);
    QVERIFY(attention.active());
    alert.PauseAOLClick();
    QVERIFY(!tray->needsAttention);
    QVERIFY(!attention.active());
}

void TestAlertAttention::closedBeforeItWasUp_asksForNothing()
{
    QWidget owner;
    auto* tray = new FakeTrayBackend;
    TTrayIcon icon(&owner, tray);
    TAlertDialog alert(&owner);
    FakeNotifications notes;
    AlertAttention attention(alert, icon, &notes);
    bool asked = false;
    attention.setWindowAttention([&](QWidget*) { asked = true; });

    attention.alertShowing(u"Quick"_s, u"Gone at once"_s);
    alert.show();
    alert.OKAOLClick();
    // A zero timer started now fires after any the attention had started before it.
    QTimer later;
    bool passed = false;
    later.setSingleShot(true);
    connect(&later, &QTimer::timeout, this, [&] { passed = true; });
    later.start(0);
    QTRY_VERIFY(passed);
    QVERIFY(notes.posted.isEmpty());
    QVERIFY(notes.withdrawn.isEmpty());
    QVERIFY(!tray->needsAttention);
    QVERIFY(!asked);
}

void TestAlertAttention::firedAlert_ownWindowWhateverMainWindowState_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("shown") << u"shown"_s;
    QTest::newRow("in the tray") << u"tray"_s;
    QTest::newRow("minimised") << u"minimised"_s;
}

void TestAlertAttention::firedAlert_ownWindowWhateverMainWindowState()
{
    QFETCH(QString, state);
    Program p;
    p.form->show();
    if (state == "tray"_L1) {
        p.form->findChild<TTrayIcon*>(u"TrayIcon"_s)->HideMainForm();
        QVERIFY(!p.form->isVisible());
    } else if (state == "minimised"_L1) {
        p.form->setWindowState(Qt::WindowMinimized);
    }
    bool shown = false;
    QWindow* transientParent = nullptr;
    p.fire([&] {
        shown = p.alert->isVisible();
        transientParent = p.alert->windowHandle() ? p.alert->windowHandle()->transientParent() : nullptr;
        p.alert->OKAOLClick();
    });
    QVERIFY(shown);
    // A window of its own: a minimised or hidden main window takes nothing of it out of sight.
    QCOMPARE(p.alert->parentWidget(), nullptr);
    QVERIFY(p.alert->isWindow());
    QCOMPARE(transientParent, nullptr);
}

QTEST_MAIN(TestAlertAttention)
#include "tst_alertattention.moc"
