#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/NewEditD.h"
#include "support/Controls.h"
#include "support/Files.h"
#include "support/ProgramRig.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString shortText = u"Hi"_s;
const QString paragraph =
    u"Call the plumber about the dripping tap in the kitchen, then water the plants on the "
    u"balcony, take the recycling down and remember to buy bread, milk and eggs on the way back."_s;

QString veryLongText()
{
    QStringList lines;
    for (int i = 1; i <= 300; ++i) {
        lines.append(u"Line %1 of a text that is far too long for any screen"_s.arg(i));
    }
    return lines.join(u'\r');
}

/// The alert window's controls, found by their names.
struct AlertControls
{
    void find(QWidget* alert)
    {
        AlertL = child<QLabel>(alert, "AlertL");
        WhenST = child<QLabel>(alert, "WhenST");
        OKSB = child<QPushButton>(alert, "OKSB");
        PauseSB = child<QPushButton>(alert, "PauseSB");
        HelpSB = child<QPushButton>(alert, "HelpSB");
        CheckTimer = child<QTimer>(alert, "CheckTimer");
    }

    QLabel* AlertL = nullptr;
    QLabel* WhenST = nullptr;
    QPushButton* OKSB = nullptr;
    QPushButton* PauseSB = nullptr;
    QPushButton* HelpSB = nullptr;
    QTimer* CheckTimer = nullptr;
};

/// The program with its alert window; the alert is left to each test, message boxes are answered.
struct Alert
{
    explicit Alert(const QByteArray& data = {}, const QByteArray& texts = {})
    {
        if (!data.isEmpty()) {
            writeFile(rig.path(u"reminder.nld"_s), data);
            writeFile(rig.path(u"reminder.nlt"_s), texts);
        }
        rig.start();
        form = rig.windows->mainForm();
        alert = rig.windows->alertDialog();
        ui.find(alert);
        rig.closer.handler = [this](QWidget* w) {
            if (w == alert) {
                ++alertsShown;
                return true;
            }
            if (w == rig.windows->newEditDialog()) {
                ++editorsOpened;
                child<QPushButton>(w, "CancelSB")->click();
                return true;
            }
            return false;
        };
    }

    /// Runs command, which shows the alert modally, and body once the alert shows.
    void run(const std::function<void()>& command, const std::function<void()>& body)
    {
        bool entered = false;
        QObject guard;
        const auto poll = [&] {
            if (!alert->isVisible()) {
                return false;
            }
            entered = true;
            body();
            return true;
        };
        // The alert may come after a message box (a missing sound): wait for it to show.
        auto* timer = new QTimer(&guard);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, &guard, [&, timer] {
            if (poll()) {
                timer->stop();
            }
        });
        timer->start();
        command();
        QVERIFY(entered);
    }

    /// Shows text in the mode given, outside a modal loop.
    void show(const QString& text, TAlertDialog::Mode mode = TAlertDialog::Mode::Alert, const QString& when = QString())
    {
        alert->setMode(mode);
        alert->setWhenText(when);
        alert->setAlertText(text);
        alert->show();
        QVERIFY(QTest::qWaitForWindowExposed(alert));
    }

    ProgramRig rig;
    TMainForm* form = nullptr;
    TAlertDialog* alert = nullptr;
    AlertControls ui;
    int alertsShown = 0;
    int editorsOpened = 0;
};

// The lines a label shows its text in, counted against the height of a single line.
int shownLines(QLabel* label)
{
    const int width = label->width();
    const QString text = label->text();
    const int height = label->heightForWidth(width);
    label->setText(u"x"_s);
    const int oneLine = label->heightForWidth(width);
    label->setText(text);
    return 1 + qRound(double(height - oneLine) / label->fontMetrics().lineSpacing());
}

struct Layout
{
    int windowHeight;
    int textHeight;
    int okTop;
};

Layout layoutOf(const TAlertDialog& a, const AlertControls& ui)
{
    return {a.height(), ui.AlertL->parentWidget()->height(), ui.OKSB->y()};
}

const QByteArray dueRow = "Due - 08.12.26 - 11:00:00 - 0 - 1, - 0\r\n"
                          "Other - #08.12.26 - 0 - 0 - 2, - 0\r\n";
const QByteArray dueTexts = "-0-\r\nDue now\r\n==\r\n-1-\r\nx\r\n==\r\n";

} // namespace

class TestAlertDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void layout_buttonsFollowTheText_data();
    void layout_buttonsFollowTheText();
    void layout_veryLongTextScrollsAndStaysOnScreen_data();
    void layout_veryLongTextScrollsAndStaysOnScreen();
    void lines_storedLineBreaksShowAsLines();

    void pause_marksTheFiredRowUntilItComesBack();
    void pauseAndEdit_withoutTheirRowOnlyClose();
    void checkTimer_pressesTheMiddleButton_data();
    void checkTimer_pressesTheMiddleButton();
    void checkTimer_reactivationLaysOutButDoesNotRestart();
    void close_escapeAndCloseEventLeaveItOpen();
    void keys_noKeyAnswersTheAlert_data();
    void keys_noKeyAnswersTheAlert();
    void help_emitsTheModesTopicAndCloses_data();
    void help_emitsTheModesTopicAndCloses();
};

// --- Layout ---------------------------------------------------------------------------------------

void TestAlertDialog::layout_buttonsFollowTheText_data()
{
    QTest::addColumn<bool>("view");
    QTest::newRow("alert") << false;
    QTest::newRow("view") << true;
}

void TestAlertDialog::layout_buttonsFollowTheText()
{
    QFETCH(bool, view);
    Alert a;
    TAlertDialog& d = *a.alert;
    const AlertControls& c = a.ui;
    const QString caption = view ? TAlertDialog::viewCaption() : TAlertDialog::alertCaption();
    const TAlertDialog::Mode mode = view ? TAlertDialog::Mode::View : TAlertDialog::Mode::Alert;
    Layout sizes[2];
    const QString texts[2] = {shortText, paragraph};
    for (int i = 0; i < 2; ++i) {
        a.show(texts[i], mode, u"Alert on Startup, "_s);
        const Layout l = layoutOf(d, c);
        sizes[i] = l;
        QCOMPARE(d.windowTitle(), caption);
        QCOMPARE(c.AlertL->parentWidget()->mapTo(&d, QPoint()).y(), 8);
        QVERIFY(c.AlertL->height() <= l.textHeight); // the whole text shows
        QCOMPARE(c.WhenST->isVisible(), view);
        if (view) {
            QCOMPARE(c.WhenST->y(), l.textHeight + 16);
            QCOMPARE(c.WhenST->height(), 49);
            QCOMPARE(c.WhenST->text(), u"Alert on Startup, "_s);
            QCOMPARE(l.okTop, c.WhenST->y() + c.WhenST->height() + 8);
        } else {
            QCOMPARE(l.okTop, l.textHeight + 16);
        }
        QCOMPARE(c.PauseSB->text(), view ? u"Edit"_s : u"Pause"_s);
        // At the default font the buttons keep their places and sizes.
        int left = 8;
        for (QPushButton* b : {c.OKSB, c.PauseSB, c.HelpSB}) {
            QCOMPARE(b->y(), l.okTop);
            QCOMPARE(b->x(), left);
            QCOMPARE(b->size(), QSize(75, 23));
            QVERIFY(d.rect().contains(b->geometry()));
            left += 100;
        }
        QCOMPARE(d.width(), 289);
        QTest::mouseClick(c.OKSB, Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.windowTitle(), TAlertDialog::alertCaption());
    }
    // The longer text wraps into more lines, and everything under it moves down by as much.
    const int grown = sizes[1].textHeight - sizes[0].textHeight;
    QVERIFY(grown >= 2 * c.AlertL->fontMetrics().height());
    QCOMPARE(sizes[1].okTop - sizes[0].okTop, grown);
    QCOMPARE(sizes[1].windowHeight - sizes[0].windowHeight, grown);
}

void TestAlertDialog::layout_veryLongTextScrollsAndStaysOnScreen_data()
{
    layout_buttonsFollowTheText_data();
}

void TestAlertDialog::layout_veryLongTextScrollsAndStaysOnScreen()
{
    QFETCH(bool, view);
    Alert a;
    TAlertDialog& d = *a.alert;
    const AlertControls& c = a.ui;
    const QString caption = view ? TAlertDialog::viewCaption() : TAlertDialog::alertCaption();
    const TAlertDialog::Mode mode = view ? TAlertDialog::Mode::View : TAlertDialog::Mode::Alert;
    a.show(veryLongText(), mode, u"Alert on Startup, "_s);
    const QRect available = d.screen()->availableGeometry();
    QVERIFY(d.height() <= available.height());
    QVERIFY2(available.contains(d.frameGeometry()), "the window hangs off the screen");
    for (QWidget* w :
         {static_cast<QWidget*>(c.OKSB), static_cast<QWidget*>(c.PauseSB), static_cast<QWidget*>(c.HelpSB)}) {
        QVERIFY(d.rect().contains(w->geometry()));
    }
    if (view) {
        QVERIFY(d.rect().contains(c.WhenST->geometry()));
        QVERIFY(c.WhenST->geometry().bottom() < c.OKSB->y());
    }
    // The text scrolls inside its area, and no line hides under the scroll bar.
    auto* area = d.findChild<QScrollArea*>();
    QVERIFY(area);
    QVERIFY(area->verticalScrollBar()->isVisible());
    QVERIFY(area->verticalScrollBar()->maximum() > 0);
    QVERIFY(c.AlertL->height() > area->viewport()->height());
    QVERIFY(c.AlertL->width() <= area->viewport()->width());
    const int tallHeight = d.height();
    QTest::mouseClick(c.OKSB, Qt::LeftButton);

    // The next short alert shrinks the window again.
    a.show(shortText, mode, u"Alert on Startup, "_s);
    QVERIFY(d.height() < tallHeight / 2);
    QVERIFY(!area->verticalScrollBar()->isVisible());
    QVERIFY(available.contains(d.frameGeometry()));
    QTest::mouseClick(c.OKSB, Qt::LeftButton);
}

void TestAlertDialog::lines_storedLineBreaksShowAsLines()
{
    Alert a("Backup - #08.12.26 - 12:10:00 - 30 - 1,0, - 0\r\n", "-0-\r\nCopy the photos\rto the stick\r\n==\r\n");
    const AlertControls& c = a.ui;
    int textLines = 0;
    int whenLines = 0;
    QString when;
    a.form->model().selectRow(0);
    a.run([&] { child<QPushButton>(a.form, "ViewSB")->click(); },
          [&] {
              textLines = shownLines(c.AlertL);
              when = c.WhenST->text();
              whenLines = shownLines(c.WhenST);
              QTest::mouseClick(c.OKSB, Qt::LeftButton);
          });
    QCOMPARE(textLines, 2);
    QVERIFY(when.startsWith(u"Alert on 12:10:00, "_s));
    QVERIFY(when.endsWith(u"Repeat every: 30 minute(s)"_s));
    QCOMPARE(whenLines, 2);
    QCOMPARE(a.editorsOpened, 0);
}

// --- Pause, Edit and CheckTimer -------------------------------------------------------------------

void TestAlertDialog::pause_marksTheFiredRowUntilItComesBack()
{
    Alert a(dueRow, dueTexts);
    TAlertDialog& d = *a.alert;
    const AlertControls& c = a.ui;
    TMainForm& form = *a.form;
    a.rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(12, 34, 56)));
    QString shown;
    a.run([&] { form.TimerTimer(); },
          [&] {
              shown = c.AlertL->text();
              QCOMPARE(d.windowTitle(), u"Reminder"_s);
              QVERIFY(c.CheckTimer->isActive());
              QTest::mouseClick(c.PauseSB, Qt::LeftButton);
          });
    QCOMPARE(shown, u"Due now"_s);
    QVERIFY(!d.isVisible());
    QVERIFY(!c.CheckTimer->isActive());
    QCOMPARE(form.model().at(0).ponovno, u"12:34:56"_s);
    QCOMPARE(form.model().at(1).ponovno, u"0"_s);
    QVERIFY(form.scheduler().pausedCheck());

    // No options stored: Interval 0, so the next re-alert check brings it back.
    int returned = 0;
    a.run([&] { form.SecondTimerTimer(); },
          [&] {
              ++returned;
              QCOMPARE(c.AlertL->text(), u"Due now"_s);
              QTest::mouseClick(c.OKSB, Qt::LeftButton);
          });
    QCOMPARE(returned, 1);
    QCOMPARE(form.model().at(0).ponovno, u"0"_s);
}

void TestAlertDialog::pauseAndEdit_withoutTheirRowOnlyClose()
{
    Alert a(dueRow, dueTexts);
    TAlertDialog& d = *a.alert;
    const AlertControls& c = a.ui;
    TMainForm& form = *a.form;
    QCOMPARE(form.model().selectedRow(), -1);
    a.run([&] { form.ShowAlert(u"No row behind this"_s, 0); }, [&] { QTest::mouseClick(c.PauseSB, Qt::LeftButton); });
    QVERIFY(!d.isVisible());
    QCOMPARE(form.model().at(0).ponovno, u"0"_s);
    QCOMPARE(form.model().at(1).ponovno, u"0"_s);

    // The viewed row goes away while the view is open: Edit has nothing to open.
    form.model().selectRow(1);
    a.run([&] { child<QPushButton>(&form, "ViewSB")->click(); },
          [&] {
              form.model().removeRow(1);
              QTest::mouseClick(c.PauseSB, Qt::LeftButton);
          });
    QVERIFY(!d.isVisible());
    QCOMPARE(a.editorsOpened, 0);
    QCOMPARE(form.model().count(), 1);
}

void TestAlertDialog::checkTimer_pressesTheMiddleButton_data()
{
    layout_buttonsFollowTheText_data();
}

void TestAlertDialog::checkTimer_pressesTheMiddleButton()
{
    QFETCH(bool, view);
    Alert a(dueRow, dueTexts);
    TAlertDialog& d = *a.alert;
    const AlertControls& c = a.ui;
    TMainForm& form = *a.form;
    QCOMPARE(c.CheckTimer->interval(), 60000);
    c.CheckTimer->setInterval(300); // a minute is too long to wait for here
    bool waited = false;
    const auto nobodyAnswers = [&] {
        QVERIFY(c.CheckTimer->isActive());
        waited = true;
    };
    if (view) {
        form.model().selectRow(1);
        a.run([&] { child<QPushButton>(&form, "ViewSB")->click(); }, nobodyAnswers);
        QCOMPARE(a.editorsOpened, 1);
        QCOMPARE(form.model().at(1).ponovno, u"0"_s);
    } else {
        a.run([&] { form.TimerTimer(); }, nobodyAnswers);
        QCOMPARE(form.model().at(0).ponovno, u"12:00:00"_s);
        QVERIFY(form.scheduler().pausedCheck());
        QCOMPARE(a.editorsOpened, 0);
    }
    QVERIFY(waited);
    QVERIFY(!d.isVisible());
    QVERIFY(!c.CheckTimer->isActive());
}

void TestAlertDialog::checkTimer_reactivationLaysOutButDoesNotRestart()
{
    Alert a;
    TAlertDialog& d = *a.alert;
    const AlertControls& c = a.ui;
    a.show(shortText);
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d, 10000));
    QVERIFY(c.CheckTimer->isActive());
    QCOMPARE(c.CheckTimer->interval(), 60000);
    const int before = c.CheckTimer->remainingTime();
    const int shortOkTop = c.OKSB->y();
    QTRY_VERIFY_WITH_TIMEOUT(c.CheckTimer->remainingTime() <= before - 1000, 10000); // a second has passed

    // Another program takes the focus, the text changes meanwhile, then the alert is active again.
    QApplication::setActiveWindow(nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(!d.isActiveWindow(), 10000);
    c.AlertL->setText(paragraph);
    QApplication::setActiveWindow(&d);
    QTRY_VERIFY_WITH_TIMEOUT(d.isActiveWindow(), 10000);
    QVERIFY(c.OKSB->y() > shortOkTop);
    QVERIFY(c.CheckTimer->isActive());
    QVERIFY2(c.CheckTimer->remainingTime() < before - 500, "re-activation restarted the minute");
    QTest::mouseClick(c.OKSB, Qt::LeftButton);
    QVERIFY(!c.CheckTimer->isActive());
}

// --- Closing --------------------------------------------------------------------------------------

void TestAlertDialog::close_escapeAndCloseEventLeaveItOpen()
{
    Alert a(dueRow, dueTexts);
    TAlertDialog& d = *a.alert;
    const AlertControls& c = a.ui;
    TMainForm& form = *a.form;
    a.run([&] { form.TimerTimer(); },
          [&] {
              d.activateWindow();
              QVERIFY(QTest::qWaitForWindowActive(&d, 10000));
              QTest::keyClick(&d, Qt::Key_Escape);
              QTest::keyClick(c.OKSB, Qt::Key_Escape);
              QVERIFY(d.isVisible());
              QVERIFY(!d.close()); // Alt+F4 or the window manager's close
              QVERIFY(d.isVisible());
              QVERIFY(c.CheckTimer->isActive());
              QTest::mouseClick(c.OKSB, Qt::LeftButton);
          });
    QVERIFY(!d.isVisible());
    QCOMPARE(form.model().at(0).ponovno, u"0"_s);
    QVERIFY(!form.scheduler().pausedCheck());
}

void TestAlertDialog::keys_noKeyAnswersTheAlert_data()
{
    QTest::addColumn<bool>("view");
    QTest::addColumn<int>("key");
    const std::pair<const char*, Qt::Key> keys[] = {
        {"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter}, {"Space", Qt::Key_Space}, {"Escape", Qt::Key_Escape}};
    for (const bool view : {false, true}) {
        for (const auto& [name, key] : keys) {
            QTest::addRow("%s %s", view ? "view" : "alert", name) << view << int(key);
        }
    }
}

void TestAlertDialog::keys_noKeyAnswersTheAlert()
{
    QFETCH(bool, view);
    QFETCH(int, key);
    Alert a(dueRow, dueTexts);
    TAlertDialog& d = *a.alert;
    const AlertControls& c = a.ui;
    TMainForm& form = *a.form;
    QSignalSpy pause(&d, &TAlertDialog::pauseRequested);
    bool stillShowing = false;
    QWidget* focus = nullptr;
    QStringList defaults;
    const auto typeAtIt = [&] {
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d, 10000));
        focus = QApplication::focusWidget();
        for (QPushButton* b : {c.OKSB, c.PauseSB, c.HelpSB}) {
            if (b->isDefault()) {
                defaults.append(b->text());
            }
        }
        // A key typed for another program lands in the window, then goes to what has the focus.
        QTest::keyClick(d.windowHandle(), Qt::Key(key));
        QTest::keyClick(&d, Qt::Key(key));
        if (focus) {
            QTest::keyClick(focus, Qt::Key(key));
        }
        QCoreApplication::processEvents();
        stillShowing = d.isVisible() && c.CheckTimer->isActive();
        if (d.isVisible()) {
            QTest::mouseClick(c.OKSB, Qt::LeftButton);
        }
    };
    if (view) {
        form.model().selectRow(1);
        a.run([&] { child<QPushButton>(&form, "ViewSB")->click(); }, typeAtIt);
    } else {
        a.run([&] { form.TimerTimer(); }, typeAtIt);
    }
    QVERIFY(stillShowing);
    QCOMPARE(defaults, QStringList());
    QVERIFY(focus != c.OKSB && focus != c.PauseSB && focus != c.HelpSB);
    QCOMPARE(pause.size(), 0);
    QCOMPARE(a.editorsOpened, 0);
    QCOMPARE(form.model().at(0).ponovno, u"0"_s);
    QVERIFY(!d.isVisible());
}

void TestAlertDialog::help_emitsTheModesTopicAndCloses_data()
{
    QTest::addColumn<bool>("view");
    QTest::addColumn<QString>("topic");
    QTest::newRow("alert") << false << u"Alarm"_s;
    QTest::newRow("view") << true << u"View"_s;
}

void TestAlertDialog::help_emitsTheModesTopicAndCloses()
{
    QFETCH(bool, view);
    QFETCH(QString, topic);
    Alert a;
    TAlertDialog& d = *a.alert;
    const AlertControls& c = a.ui;
    QSignalSpy help(&d, &TAlertDialog::helpRequested);
    QSignalSpy pause(&d, &TAlertDialog::pauseRequested);
    a.show(shortText, view ? TAlertDialog::Mode::View : TAlertDialog::Mode::Alert, u"Alert on "_s);
    QTest::mouseClick(c.HelpSB, Qt::LeftButton);
    QCOMPARE(help.size(), 1);
    QCOMPARE(help.at(0).at(0).toString(), topic);
    QCOMPARE(pause.size(), 0);
    QVERIFY(!d.isVisible());
    QVERIFY(!d.editRequested());
    // Closed: back to the alert caption with the box hidden and the timer off.
    QCOMPARE(d.windowTitle(), u"Reminder"_s);
    QVERIFY(c.WhenST->isHidden());
    QVERIFY(!c.CheckTimer->isActive());
}

QTEST_MAIN(TestAlertDialog)
#include "tst_alertdialog.moc"
