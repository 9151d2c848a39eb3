#include "components/TrayBackend.h"
#include "components/TrayIcon.h"
#include "support/FakeTrayBackend.h"
#include "support/Waits.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

namespace {

QString buttonName(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return QStringLiteral("left");
    case Qt::RightButton:
        return QStringLiteral("right");
    case Qt::MiddleButton:
        return QStringLiteral("middle");
    default:
        return QStringLiteral("other");
    }
}

} // namespace

class TestTrayIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void constructed_defaultsAndNotInTray();
    void hint_data();
    void hint();
    void iconVisible_everyWriteTalksToTray();
    void icon_defaultsToApplicationIcon();
    void icon_write_reachesTray();
    void trigger_downClickUp();
    void doubleClick_firstClickThenDblClickDefaultItemAndRelease();
    void doubleClick_noDefaultItem_onlyEvents();
    void leftPopup_menuRightAfterMouseDown();
    void leftPopup_doubleClick_noDefaultItem();
    void context_opensMenuWhateverLeftPopup_data();
    void context_opensMenuWhateverLeftPopup();
    void middle_downAndUp();
    void noMenu_eventsStillRaised();
    void menuDestroyed_popupMenuEmpty();
    void disabled_nothingAtAll();
    void restore_fromTray_order();
    void restore_fromMinimised_comesBackNormal();
    void hide_withTray_iconInThenWindowHidden();
    void hide_withoutTray_minimisedNeverHidden();
    void hide_realTrayOffscreen_minimised();
    void trayAppearingLater_iconAddedAgainAndWindowToTray();
    void trayAppearingLater_iconNotWanted_nothingAdded();
    void minimizeToTray_minimisingHidesToTray();
    void minimizeToTray_off_minimisingOnlyMinimises();
    void trayAnnouncedLater_windowGoesInAtOnce();
    void trayGoingAway_hiddenWindowComesBackMinimised();
    void trayGoingAway_shownWindowOrNoIcon_leftAlone();
    void popupMenu_handedToTrayUnlessDisabled();
    void needsAttention_reachesTray();
    void noMinimiseReports_iconStaysWhileShownAndShowToggles();
    void noMinimiseReports_noTray_showOnlyRestores();
    void markedForAttention_sameSizesWithRedMark();

private:
    struct Fixture
    {
        QStringList log;
        QWidget owner;
        FakeTrayBackend* backend = nullptr;
        TTrayIcon* tray = nullptr;
        QMenu menu;
        QAction* show = nullptr;
        QAction* exit = nullptr;
    };
    // Quick looks for a tray that comes later, so that waiting them out takes no time.
    static inline const QList<int> quickRechecks{100, 250};
    Fixture* makeFixture(bool trayAvailable = true, const QList<int>& recheckDelays = {2000, 5000});
    void record(Fixture* f);

    Fixture* m_fixture = nullptr;
};

void TestTrayIcon::init()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestTrayIcon::cleanup()
{
    if (m_fixture) {
        m_fixture->menu.hide();
        delete m_fixture;
        m_fixture = nullptr;
    }
}

TestTrayIcon::Fixture* TestTrayIcon::makeFixture(bool trayAvailable, const QList<int>& recheckDelays)
{
    auto* f = new Fixture;
    m_fixture = f;
    f->owner.resize(200, 100);
    f->backend = new FakeTrayBackend(trayAvailable, &f->log);
    f->backend->owner = &f->owner;
    f->tray = new TTrayIcon(&f->owner, f->backend, recheckDelays);
    f->show = f->menu.addAction(QStringLiteral("Show"));
    f->menu.addSeparator();
    f->exit = f->menu.addAction(QStringLiteral("Exit"));
    f->menu.setDefaultAction(f->show);
    f->tray->setPopupMenu(&f->menu);
    record(f);
    return f;
}

void TestTrayIcon::record(Fixture* f)
{
    TTrayIcon* tray = f->tray;
    QStringList& log = f->log;
    connect(tray, &TTrayIcon::Click, this, [&log] { log.append(QStringLiteral("Click")); });
    connect(tray, &TTrayIcon::DblClick, this, [&log] { log.append(QStringLiteral("DblClick")); });
    connect(tray, &TTrayIcon::MouseDown, this, [&log](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
        log.append(QStringLiteral("MouseDown ") + buttonName(button));
    });
    connect(tray, &TTrayIcon::MouseUp, this, [&log](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
        log.append(QStringLiteral("MouseUp ") + buttonName(button));
    });
    connect(&f->menu, &QMenu::aboutToShow, this, [&log] { log.append(QStringLiteral("menu opens")); });
    connect(f->show, &QAction::triggered, this, [&log] { log.append(QStringLiteral("Show")); });
    connect(f->exit, &QAction::triggered, this, [&log] { log.append(QStringLiteral("Exit")); });
}

void TestTrayIcon::constructed_defaultsAndNotInTray()
{
    Fixture* f = makeFixture();
    TTrayIcon* tray = f->tray;
    QVERIFY(tray->Enabled());
    QVERIFY(tray->ShowHint());
    QVERIFY(tray->IconVisible());
    QVERIFY(!tray->LeftPopup());
    QVERIFY(!tray->StartMinimized());
    QVERIFY(!tray->MinimizeToTray());
    QVERIFY(tray->Hint().isEmpty());
    // Reads true, yet nothing was added: the icon reaches the tray only when IconVisible is written.
    QVERIFY(f->log.isEmpty());
    QVERIFY(!f->backend->shown);
    QCOMPARE(f->backend->lastTip, QString());
}

void TestTrayIcon::hint_data()
{
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("showHint");
    QTest::addColumn<QString>("tip");

    const QString sixtyThree = QString(63, u'a');
    QTest::newRow("short") << QStringLiteral("Nudgelark") << true << QStringLiteral("Nudgelark");
    QTest::newRow("63 kept") << sixtyThree << true << sixtyThree;
    QTest::newRow("64 cut") << (sixtyThree + u'b') << true << sixtyThree;
    QTest::newRow("200 cut") << (sixtyThree + QString(137, u'c')) << true << sixtyThree;
    QTest::newRow("ShowHint false") << QStringLiteral("Nudgelark") << false << QString();
    QTest::newRow("empty") << QString() << true << QString();
    QTest::newRow("surrogate pair not split")
        << (QString(62, u'a') + QString::fromUtf8("\xF0\x9F\x94\x94") + u'z') << true << QString(62, u'a');
}

void TestTrayIcon::hint()
{
    QFETCH(QString, hint);
    QFETCH(bool, showHint);
    QFETCH(QString, tip);
    Fixture* f = makeFixture();
    f->tray->setHint(hint);
    f->tray->setShowHint(showHint);
    QCOMPARE(f->tray->Hint(), hint);
    QCOMPARE(f->tray->toolTip(), tip);
    QCOMPARE(f->backend->lastTip, tip);

    f->tray->setShowHint(true);
    QCOMPARE(f->backend->lastTip, hint.isEmpty() ? QString() : f->tray->toolTip());
    QVERIFY(f->backend->lastTip.size() <= 63);
}

void TestTrayIcon::iconVisible_everyWriteTalksToTray()
{
    Fixture* f = makeFixture();
    f->tray->setIconVisible(true);
    f->tray->setIconVisible(true);
    f->tray->setIconVisible(false);
    f->tray->setIconVisible(false);
    QCOMPARE(f->log.size(), 4);
    QVERIFY(f->log.at(0).startsWith(QLatin1String("tray add")));
    QVERIFY(f->log.at(1).startsWith(QLatin1String("tray add")));
    QVERIFY(f->log.at(2).startsWith(QLatin1String("tray remove")));
    QVERIFY(f->log.at(3).startsWith(QLatin1String("tray remove")));
    QVERIFY(!f->tray->IconVisible());
}

void TestTrayIcon::icon_defaultsToApplicationIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    const QIcon appIcon(pixmap);
    QApplication::setWindowIcon(appIcon);
    Fixture* f = makeFixture();
    QVERIFY(!f->tray->Icon().isNull());
    QCOMPARE(f->tray->Icon().cacheKey(), QApplication::windowIcon().cacheKey());
    QCOMPARE(f->backend->lastIcon.cacheKey(), f->tray->Icon().cacheKey());
    QApplication::setWindowIcon(QIcon());
}

void TestTrayIcon::icon_write_reachesTray()
{
    Fixture* f = makeFixture();
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::blue);
    const QIcon icon(pixmap);
    f->tray->setIcon(icon);
    QCOMPARE(f->backend->lastIcon.cacheKey(), icon.cacheKey());
}

void TestTrayIcon::trigger_downClickUp()
{
    Fixture* f = makeFixture();
    f->backend->report(QSystemTrayIcon::Trigger);
    QCOMPARE(f->log,
             (QStringList{QStringLiteral("MouseDown left"), QStringLiteral("Click"), QStringLiteral("MouseUp left")}));
    QVERIFY(!f->menu.isVisible());
}

void TestTrayIcon::doubleClick_firstClickThenDblClickDefaultItemAndRelease()
{
    Fixture* f = makeFixture();
    // A double click reaches the program as Trigger (first click), then DoubleClick.
    f->backend->report(QSystemTrayIcon::Trigger);
    f->backend->report(QSystemTrayIcon::DoubleClick);
    QCOMPARE(f->log,
             (QStringList{QStringLiteral("MouseDown left"), QStringLiteral("Click"), QStringLiteral("MouseUp left"),
                          QStringLiteral("DblClick"), QStringLiteral("Show"), QStringLiteral("MouseUp left")}));
}

void TestTrayIcon::doubleClick_noDefaultItem_onlyEvents()
{
    Fixture* f = makeFixture();
    f->menu.setDefaultAction(nullptr);
    f->backend->report(QSystemTrayIcon::DoubleClick);
    QCOMPARE(f->log, (QStringList{QStringLiteral("DblClick"), QStringLiteral("MouseUp left")}));
}

void TestTrayIcon::leftPopup_menuRightAfterMouseDown()
{
    Fixture* f = makeFixture();
    f->tray->setLeftPopup(true);
    f->backend->report(QSystemTrayIcon::Trigger);
    QCOMPARE(f->log, (QStringList{QStringLiteral("MouseDown left"), QStringLiteral("menu opens"),
                                  QStringLiteral("Click"), QStringLiteral("MouseUp left")}));
    QVERIFY(f->menu.isVisible());
}

void TestTrayIcon::leftPopup_doubleClick_noDefaultItem()
{
    Fixture* f = makeFixture();
    f->tray->setLeftPopup(true);
    f->backend->report(QSystemTrayIcon::DoubleClick);
    QCOMPARE(f->log, (QStringList{QStringLiteral("DblClick"), QStringLiteral("MouseUp left")}));
    QVERIFY(!f->menu.isVisible());
}

void TestTrayIcon::context_opensMenuWhateverLeftPopup_data()
{
    QTest::addColumn<bool>("leftPopup");
    QTest::newRow("LeftPopup false") << false;
    QTest::newRow("LeftPopup true") << true;
}

void TestTrayIcon::context_opensMenuWhateverLeftPopup()
{
    QFETCH(bool, leftPopup);
    Fixture* f = makeFixture();
    f->tray->setLeftPopup(leftPopup);
    f->backend->report(QSystemTrayIcon::Context);
    QCOMPARE(f->log, (QStringList{QStringLiteral("MouseDown right"), QStringLiteral("menu opens"),
                                  QStringLiteral("MouseUp right")}));
    QVERIFY(f->menu.isVisible());
    // Nothing is chosen by opening the menu.
    QVERIFY(!f->log.contains(QStringLiteral("Show")));
}

void TestTrayIcon::middle_downAndUp()
{
    Fixture* f = makeFixture();
    f->backend->report(QSystemTrayIcon::MiddleClick);
    QCOMPARE(f->log, (QStringList{QStringLiteral("MouseDown middle"), QStringLiteral("MouseUp middle")}));
}

void TestTrayIcon::noMenu_eventsStillRaised()
{
    Fixture* f = makeFixture();
    f->tray->setPopupMenu(nullptr);
    f->tray->setLeftPopup(true);
    f->backend->report(QSystemTrayIcon::Context);
    f->backend->report(QSystemTrayIcon::Trigger);
    f->tray->setLeftPopup(false);
    f->backend->report(QSystemTrayIcon::DoubleClick);
    QCOMPARE(f->log,
             (QStringList{QStringLiteral("MouseDown right"), QStringLiteral("MouseUp right"),
                          QStringLiteral("MouseDown left"), QStringLiteral("Click"), QStringLiteral("MouseUp left"),
                          QStringLiteral("DblClick"), QStringLiteral("MouseUp left")}));
    QVERIFY(!f->menu.isVisible());
}

void TestTrayIcon::menuDestroyed_popupMenuEmpty()
{
    Fixture* f = makeFixture();
    auto* other = new QMenu;
    f->tray->setPopupMenu(other);
    QCOMPARE(f->tray->PopupMenu(), other);
    delete other;
    QCOMPARE(f->tray->PopupMenu(), nullptr);
    f->backend->report(QSystemTrayIcon::Context);
    QCOMPARE(f->log, (QStringList{QStringLiteral("MouseDown right"), QStringLiteral("MouseUp right")}));
}

void TestTrayIcon::disabled_nothingAtAll()
{
    Fixture* f = makeFixture();
    f->tray->setEnabled(false);
    for (const auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
                              QSystemTrayIcon::MiddleClick}) {
        f->backend->report(reason);
    }
    f->tray->setLeftPopup(true);
    f->backend->report(QSystemTrayIcon::Trigger);
    QVERIFY2(f->log.isEmpty(), qPrintable(f->log.join(u',')));
    QVERIFY(!f->menu.isVisible());
    f->tray->setEnabled(true);
    f->backend->report(QSystemTrayIcon::MiddleClick);
    QCOMPARE(f->log.size(), 2);
}

void TestTrayIcon::restore_fromTray_order()
{
    Fixture* f = makeFixture();
    f->owner.show();
    f->tray->HideMainForm();
    QVERIFY(!f->owner.isVisible());
    f->log.clear();
    connect(f->show, &QAction::triggered, f->tray, &TTrayIcon::RestoreMainForm);

    f->backend->report(QSystemTrayIcon::Trigger);
    f->backend->report(QSystemTrayIcon::DoubleClick);
    // The icon leaves the tray while the window is still hidden; then the window shows.
    QCOMPARE(f->log, (QStringList{QStringLiteral("MouseDown left"), QStringLiteral("Click"),
                                  QStringLiteral("MouseUp left"), QStringLiteral("DblClick"), QStringLiteral("Show"),
                                  QStringLiteral("tray remove [hidden]"), QStringLiteral("MouseUp left")}));
    QVERIFY(f->owner.isVisible());
    QVERIFY(!f->owner.isMinimized());
    QVERIFY(!f->tray->IconVisible());
}

void TestTrayIcon::restore_fromMinimised_comesBackNormal()
{
    Fixture* f = makeFixture();
    f->owner.show();
    f->owner.showMinimized();
    QVERIFY(f->owner.isMinimized());
    // Minimised and then hidden to the tray, as the main window does on minimising.
    f->tray->HideMainForm();
    QVERIFY(!f->owner.isVisible());
    f->log.clear();
    f->tray->RestoreMainForm();
    // Out of the minimised state before the icon goes, shown after it.
    QCOMPARE(f->log, QStringList{QStringLiteral("tray remove [hidden]")});
    QVERIFY(f->owner.isVisible());
    QVERIFY(!f->owner.isMinimized());
}

void TestTrayIcon::hide_withTray_iconInThenWindowHidden()
{
    Fixture* f = makeFixture();
    f->owner.show();
    QVERIFY(f->tray->trayAvailable());
    f->tray->HideMainForm();
    QCOMPARE(f->log, QStringList{QStringLiteral("tray add [shown]")});
    QVERIFY(!f->owner.isVisible());
    QVERIFY(f->tray->IconVisible());
}

void TestTrayIcon::hide_withoutTray_minimisedNeverHidden()
{
    Fixture* f = makeFixture(false);
    f->owner.show();
    QVERIFY(!f->tray->trayAvailable());
    f->tray->HideMainForm();
    QCOMPARE(f->log, QStringList{QStringLiteral("tray add [shown]")});
    QVERIFY(f->owner.isVisible());
    QVERIFY(f->owner.isMinimized());

    f->tray->RestoreMainForm();
    QVERIFY(f->owner.isVisible());
    QVERIFY(!f->owner.isMinimized());
    QVERIFY(!f->tray->IconVisible());
}

void TestTrayIcon::hide_realTrayOffscreen_minimised()
{
    // The offscreen platform has no tray at all: the real tray icon must fall back too. No panel
    // of the desktop the test runs on may count either: the session bus is out of reach.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/nudgelark-test-bus");
    QWidget owner;
    owner.show();
    TTrayIcon tray(&owner);
    QVERIFY(!tray.trayAvailable());
    tray.setHint(QStringLiteral("Nudgelark"));
    tray.HideMainForm();
    QVERIFY(owner.isVisible());
    QVERIFY(owner.isMinimized());
    tray.RestoreMainForm();
    QVERIFY(owner.isVisible());
    QVERIFY(!owner.isMinimized());
}

void TestTrayIcon::trayAppearingLater_iconAddedAgainAndWindowToTray()
{
    Fixture* f = makeFixture(false, quickRechecks);
    f->owner.show();
    f->tray->HideMainForm();
    QVERIFY(f->owner.isMinimized());
    f->log.clear();

    f->backend->setAvailable(true);
    QTRY_VERIFY_WITH_TIMEOUT(f->log.size() >= 2, 15000);
    QCOMPARE(f->log, (QStringList{QStringLiteral("tray remove [shown minimised]"),
                                  QStringLiteral("tray add [shown minimised]")}));
    QVERIFY(!f->owner.isVisible());
    QVERIFY(f->backend->shown);

    f->tray->RestoreMainForm();
    QVERIFY(f->owner.isVisible());
    QVERIFY(!f->owner.isMinimized());
}

void TestTrayIcon::trayAppearingLater_iconNotWanted_nothingAdded()
{
    Fixture* f = makeFixture(false, quickRechecks);
    f->owner.show();
    f->tray->setIconVisible(false);
    f->log.clear();
    f->backend->setAvailable(true);
    QVERIFY(waitOutTimers(quickRechecks.last() + 50)); // both looks for the tray have been taken
    QVERIFY2(f->log.isEmpty(), qPrintable(f->log.join(u',')));
    QVERIFY(f->owner.isVisible());
}

void TestTrayIcon::minimizeToTray_minimisingHidesToTray()
{
    Fixture* f = makeFixture();
    f->tray->setMinimizeToTray(true);
    f->tray->setIconVisible(false);
    f->owner.show();
    f->log.clear();
    f->owner.showMinimized();
    QTRY_VERIFY_WITH_TIMEOUT(!f->owner.isVisible(), 10000);
    QVERIFY(f->tray->IconVisible());
    // HideMainForm's add, then the second write of IconVisible.
    QCOMPARE(f->log, (QStringList{QStringLiteral("tray add [shown minimised]"),
                                  QStringLiteral("tray add [hidden minimised]")}));
}

void TestTrayIcon::minimizeToTray_off_minimisingOnlyMinimises()
{
    Fixture* f = makeFixture();
    f->tray->setIconVisible(false);
    f->owner.show();
    f->log.clear();
    f->owner.showMinimized();
    QVERIFY(waitOutTimers(100));
    QVERIFY(f->owner.isVisible());
    QVERIFY(f->log.isEmpty());
}

void TestTrayIcon::trayAnnouncedLater_windowGoesInAtOnce()
{
    Fixture* f = makeFixture(false);
    f->owner.show();
    f->tray->HideMainForm();
    QVERIFY(f->owner.isMinimized());
    f->log.clear();
    // No waiting for the next look: the announcement itself brings the icon and the window in.
    f->backend->announce(true);
    QCOMPARE(f->log, (QStringList{QStringLiteral("tray remove [shown minimised]"),
                                  QStringLiteral("tray add [shown minimised]")}));
    QVERIFY(!f->owner.isVisible());
}

void TestTrayIcon::trayGoingAway_hiddenWindowComesBackMinimised()
{
    Fixture* f = makeFixture();
    f->backend->announce(true);
    f->owner.show();
    f->tray->HideMainForm();
    QVERIFY(!f->owner.isVisible());

    f->backend->announce(false);
    QVERIFY(f->owner.isVisible());
    QVERIFY(f->owner.isMinimized());
    QVERIFY(f->tray->IconVisible());

    // The tray is back: icon in again, window back into it.
    f->log.clear();
    f->backend->announce(true);
    QVERIFY(!f->owner.isVisible());
    QCOMPARE(f->log.last(), QStringLiteral("tray add [shown minimised]"));
    f->tray->RestoreMainForm();
    QVERIFY(f->owner.isVisible());
    QVERIFY(!f->owner.isMinimized());
}

void TestTrayIcon::trayGoingAway_shownWindowOrNoIcon_leftAlone()
{
    Fixture* f = makeFixture();
    f->backend->announce(true);
    f->tray->setIconVisible(false);
    f->owner.show();
    f->backend->announce(false);
    QVERIFY(f->owner.isVisible());
    QVERIFY(!f->owner.isMinimized());

    // Hidden by the program itself, not into the tray (the icon is not wanted): stays hidden.
    f->backend->announce(true);
    f->owner.hide();
    f->backend->announce(false);
    QVERIFY(!f->owner.isVisible());
}

void TestTrayIcon::popupMenu_handedToTrayUnlessDisabled()
{
    Fixture* f = makeFixture();
    QCOMPARE(f->backend->menu, &f->menu);
    f->tray->setEnabled(false);
    QCOMPARE(f->backend->menu, nullptr);
    f->tray->setEnabled(true);
    QCOMPARE(f->backend->menu, &f->menu);
    f->tray->setPopupMenu(nullptr);
    QCOMPARE(f->backend->menu, nullptr);
}

void TestTrayIcon::needsAttention_reachesTray()
{
    Fixture* f = makeFixture();
    f->tray->setNeedsAttention(true);
    QVERIFY(f->backend->needsAttention);
    f->tray->setNeedsAttention(false);
    QVERIFY(!f->backend->needsAttention);
}

void TestTrayIcon::noMinimiseReports_iconStaysWhileShownAndShowToggles()
{
    Fixture* f = makeFixture();
    f->tray->setMinimisingReported(false);
    f->tray->setIconVisible(false);
    connect(f->show, &QAction::triggered, f->tray, &TTrayIcon::ShowFromTray);

    // Showing the window puts the icon in: it is the only way back into the tray.
    f->owner.show();
    QVERIFY(f->tray->IconVisible());
    QVERIFY(f->backend->shown);

    // Activating the icon (the default item Show) takes a showing window into the tray ...
    f->backend->report(QSystemTrayIcon::DoubleClick);
    QVERIFY(!f->owner.isVisible());
    QVERIFY(f->backend->shown);
    // ... and brings a hidden one back, the icon staying in the tray.
    f->backend->report(QSystemTrayIcon::DoubleClick);
    QVERIFY(f->owner.isVisible());
    QVERIFY(!f->owner.isMinimized());
    QVERIFY(f->tray->IconVisible());
    QVERIFY(f->backend->shown);
    f->show->trigger();
    QVERIFY(!f->owner.isVisible());
    f->show->trigger();
    QVERIFY(f->owner.isVisible());
    QVERIFY(f->backend->shown);

    // Where minimising is reported, Show keeps its ordinary meaning: icon out, window shown.
    f->tray->setMinimisingReported(true);
    f->show->trigger();
    QVERIFY(f->owner.isVisible());
    QVERIFY(!f->tray->IconVisible());
    QVERIFY(!f->backend->shown);
}

void TestTrayIcon::noMinimiseReports_noTray_showOnlyRestores()
{
    Fixture* f = makeFixture(false);
    f->tray->setMinimisingReported(false);
    f->owner.show();
    // Without a tray a showing window is never hidden: Show leaves it on screen.
    f->tray->ShowFromTray();
    QVERIFY(f->owner.isVisible());
    QVERIFY(!f->owner.isMinimized());
    QVERIFY(!f->tray->IconVisible());
}

void TestTrayIcon::markedForAttention_sameSizesWithRedMark()
{
    QPixmap plain(64, 64);
    plain.fill(QColor(0xf0, 0xa0, 0x30));
    const QIcon icon(plain);
    const QIcon marked = markedForAttention(icon);
    QVERIFY(markedForAttention(QIcon()).isNull());
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        const QImage image = marked.pixmap(QSize(side, side), 1.0).toImage();
        QCOMPARE(image.size(), QSize(side, side));
        // The picture itself stays in the upper left; the mark is red in the lower right.
        QCOMPARE(image.pixelColor(1, 1), QColor(0xf0, 0xa0, 0x30));
        const QColor mark = image.pixelColor(side * 9 / 10, side * 72 / 100);
        QVERIFY2(mark.red() > 180 && mark.green() < 60 && mark.blue() < 60,
                 qPrintable(QStringLiteral("%1 px: %2").arg(side).arg(mark.name())));
    }
}

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
