#include "components/DBusTrayTypes.h"
#include "components/DesktopTrayBackend.h"
#include "components/SniTrayBackend.h"
#include "components/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

#include <memory>

#include <csignal>
#include <sys/prctl.h>

namespace {

constexpr int kTimeout = 20000;
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");

int s_connections = 0;

QDBusConnection connectPrivate(const QString& address, const QString& role)
{
    return QDBusConnection::connectToBus(address, role + QString::number(++s_connections));
}

} // namespace

/// A panel's StatusNotifierWatcher with its own connection to the bus, as a panel process has.
class FakeWatcher final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeWatcher)
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)

Q_SIGNALS:
    void StatusNotifierHostRegistered();

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service)
    {
        registrations.append(service);
        senders.append(message().service());
    }
    void RegisterStatusNotifierHost(const QString&) {}

public:
    FakeWatcher(const QString& address, bool withHost)
        : m_connection(connectPrivate(address, QStringLiteral("watcher"))), m_host(withHost)
    {
        m_connection.registerObject(QStringLiteral("/StatusNotifierWatcher"), this, QDBusConnection::ExportAllContents);
        m_connection.registerService(kWatcherService);
    }
    // Going away closes the connection, as a crashing panel does: the bus drops its names.
    ~FakeWatcher() override { QDBusConnection::disconnectFromBus(m_connection.name()); }

    bool IsStatusNotifierHostRegistered() const { return m_host; }
    QStringList RegisteredStatusNotifierItems() const { return registrations; }
    int ProtocolVersion() const { return 0; }
    void announceHost()
    {
        m_host = true;
        Q_EMIT StatusNotifierHostRegistered();
    }

    QStringList registrations;
    QStringList senders;

private:
    QDBusConnection m_connection;
    bool m_host;
};

/// Records signals that reach the panel's side of the bus.
class SignalRecorder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalRecorder)

public:
    SignalRecorder() = default;
    QStringList seen;
    QList<uint> revisions;

public Q_SLOTS:
    void newIcon() { seen.append(QStringLiteral("NewIcon")); }
    void newToolTip() { seen.append(QStringLiteral("NewToolTip")); }
    void newStatus(const QString& status) { seen.append(QStringLiteral("NewStatus ") + status); }
    void newAttentionIcon() { seen.append(QStringLiteral("NewAttentionIcon")); }
    void layoutUpdated(uint revision, int) { revisions.append(revision); }
};

/// A tray XEmbed stands in for: there or not as the test says, recording what it is told.
class FakeXEmbed final : public TrayBackend
{
public:
    explicit FakeXEmbed(bool& available) : m_available(available) {}
    bool isAvailable() const override { return m_available; }
    void setIcon(const QIcon&) override {}
    void setToolTip(const QString& tip) override { lastTip = tip; }
    void setVisible(bool v) override { visible = v; }
    bool visible = false;
    QString lastTip;

private:
    bool& m_available;
};

class TestSni : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void iconPixmaps_argbInNetworkOrder();
    void watcherAtStart_registersWithItsProperties();
    void watcherLater_registersWhenItComes();
    void watcherRestart_registersAgain();
    void hidden_nameGivenUpAndNotRegisteredAgain();
    void noHost_notAvailableUntilOneRegisters();
    void changes_announcedToPanel();
    void menu_layoutOfTrayMenu();
    void menu_labels_data();
    void menu_labels();
    void menu_itemStates();
    void menu_depthAndPropertyFilter();
    void menu_clickedTriggersOnlyWhatCanRun();
    void menu_eventGroupReportsUnknownIds();
    void menu_changeAnnouncedWithNewRevision();
    void activate_runsDefaultItemAsDoubleClick();
    void contextAndSecondary_reachTrayIcon();
    void trayIconDisabled_panelGetsNoMenu();
    void desktop_noWatcher_usesXEmbed();
    void desktop_watcherAtStart_neverMakesXEmbed();
    void desktop_followsWatcherComingAndGoing();
    void desktop_noSessionBus_xembedOnly();
    void trayIcon_lateAndRestartingPanel_windowAlwaysReachable();

private:
    SniTrayBackend* makeItem();
    /// An item that is to be shown, once it serves itself on its connection.
    SniTrayBackend* makeShownItem();
    std::unique_ptr<FakeWatcher> startWatcher(bool withHost = true);
    QDBusMessage callItem(const QString& path, const QString& interface, const QString& method,
                          const QVariantList& arguments = {});
    QVariant itemProperty(const QString& name);
    DBusMenuLayoutItem menuLayout(int id = 0, int depth = -1, const QStringList& names = {});
    void clickMenu(int id, const QString& eventId = QStringLiteral("clicked"));
    bool nameOwned(const QString& name) const;
    static QStringList labels(const DBusMenuLayoutItem& item);

    QProcess m_daemon;
    QString m_address;
    QDBusConnection m_host{QString()};
    QDBusConnection m_itemBus{QString()};
    // The item under test; calls go to the unique name of its own connection.
    QPointer<SniTrayBackend> m_item;
};

void TestSni::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("Nudgelark"));
    registerDBusTrayTypes();
    // The bus goes with the test, even when the test does not end normally.
    m_daemon.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(kTimeout)) {
        QSKIP("dbus-daemon is not installed");
    }
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(kTimeout)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    QVERIFY2(!m_address.isEmpty(), "the private bus gave no address");
    m_host = connectPrivate(m_address, QStringLiteral("host"));
    QVERIFY(m_host.isConnected());
}

void TestSni::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(m_host.name());
    m_daemon.kill();
    m_daemon.waitForFinished(kTimeout);
}

void TestSni::init()
{
    m_itemBus = connectPrivate(m_address, QStringLiteral("item"));
    QVERIFY(m_itemBus.isConnected());
}

void TestSni::cleanup()
{
    delete m_item;
    QDBusConnection::disconnectFromBus(m_itemBus.name());
}

SniTrayBackend* TestSni::makeItem()
{
    m_item = new SniTrayBackend(m_itemBus, m_address);
    return m_item;
}

SniTrayBackend* TestSni::makeShownItem()
{
    SniTrayBackend* item = makeItem();
    item->setVisible(true);
    if (!QTest::qWaitFor([item] { return !item->serviceName().isEmpty(); }, kTimeout)) {
        QTest::qFail("the item did not connect", __FILE__, __LINE__);
    }
    return item;
}

std::unique_ptr<FakeWatcher> TestSni::startWatcher(bool withHost)
{
    auto watcher = std::make_unique<FakeWatcher>(m_address, withHost);
    if (!QTest::qWaitFor([this] { return nameOwned(kWatcherService); }, kTimeout)) {
        QTest::qFail("the watcher did not get its bus name", __FILE__, __LINE__);
    }
    return watcher;
}

QDBusMessage TestSni::callItem(const QString& path, const QString& interface, const QString& method,
                               const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(m_item->serviceName(), path, interface, method);
    call.setArguments(arguments);
    // The item lives in this thread: wait with the event loop running so that it can answer.
    return m_host.call(call, QDBus::BlockWithGui, kTimeout);
}

QVariant TestSni::itemProperty(const QString& name)
{
    const QDBusMessage reply = callItem(SniTrayBackend::itemPath(), QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("Get"), {kItemInterface, name});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return {};
    }
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

DBusMenuLayoutItem TestSni::menuLayout(int id, int depth, const QStringList& names)
{
    const QDBusMessage reply =
        callItem(SniTrayBackend::menuPath(), kMenuInterface, QStringLiteral("GetLayout"), {id, depth, names});
    DBusMenuLayoutItem layout;
    if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 2) {
        layout = qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1));
    } else {
        layout.id = -1;
    }
    return layout;
}

void TestSni::clickMenu(int id, const QString& eventId)
{
    callItem(SniTrayBackend::menuPath(), kMenuInterface, QStringLiteral("Event"),
             {id, eventId, QVariant::fromValue(QDBusVariant(0)), 0u});
}

bool TestSni::nameOwned(const QString& name) const
{
    return m_host.interface()->isServiceRegistered(name).value();
}

QStringList TestSni::labels(const DBusMenuLayoutItem& item)
{
    QStringList texts;
    for (const DBusMenuLayoutItem& child : item.children) {
        texts.append(child.properties.value(QStringLiteral("type")).toString() == QLatin1String("separator")
                         ? QStringLiteral("-")
                         : child.properties.value(QStringLiteral("label")).toString());
    }
    return texts;
}

void TestSni::iconPixmaps_argbInNetworkOrder()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(QColor(0x12, 0x34, 0x56, 0xff));
    image.setPixelColor(1, 0, QColor(0xab, 0xcd, 0xef, 0x80));
    const SniIconPixmapList pixmaps = sniIconPixmaps(QIcon(QPixmap::fromImage(image)));
    QVERIFY(!pixmaps.isEmpty());
    // A picture never comes twice in one size, and none is made larger than the source.
    for (qsizetype i = 0; i < pixmaps.size(); ++i) {
        QVERIFY(pixmaps.at(i).width <= 32);
        QCOMPARE(pixmaps.at(i).bytes.size(), qsizetype(pixmaps.at(i).width) * pixmaps.at(i).height * 4);
        for (qsizetype j = 0; j < i; ++j) {
            QVERIFY(pixmaps.at(j).width != pixmaps.at(i).width);
        }
    }
    const SniIconPixmap& full = pixmaps.last();
    QCOMPARE(full.width, 32);
    QCOMPARE(full.bytes.left(8), QByteArray::fromHex("ff123456"
                                                     "80abcdef"));
    QVERIFY(sniIconPixmaps(QIcon()).isEmpty());
}

void TestSni::watcherAtStart_registersWithItsProperties()
{
    auto watcher = startWatcher();
    SniTrayBackend* item = makeItem();
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor(0x20, 0x40, 0x60));
    item->setIcon(QIcon(pixmap));
    item->setToolTip(QStringLiteral("Nudgelark"));
    QVERIFY(item->watcherPresent());
    item->setVisible(true);
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations, QStringList{item->serviceName()}, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(item->isAvailable(), kTimeout);
    QVERIFY(nameOwned(item->serviceName()));
    // The unique name of a connection of the item's own, which is also the one that registers.
    QVERIFY(item->serviceName().startsWith(QLatin1Char(':')));
    QVERIFY(item->serviceName() != m_itemBus.baseService());
    QCOMPARE(watcher->senders, watcher->registrations);

    QCOMPARE(itemProperty(QStringLiteral("Category")).toString(), QStringLiteral("ApplicationStatus"));
    QCOMPARE(itemProperty(QStringLiteral("Id")).toString(), QStringLiteral("Nudgelark"));
    QCOMPARE(itemProperty(QStringLiteral("Title")).toString(), QStringLiteral("Nudgelark"));
    QCOMPARE(itemProperty(QStringLiteral("Status")).toString(), QStringLiteral("Active"));
    QCOMPARE(itemProperty(QStringLiteral("ItemIsMenu")).toBool(), false);
    QCOMPARE(qdbus_cast<QDBusObjectPath>(itemProperty(QStringLiteral("Menu"))).path(), SniTrayBackend::menuPath());
    const auto tip = qdbus_cast<SniToolTip>(itemProperty(QStringLiteral("ToolTip")));
    QCOMPARE(tip.title, QStringLiteral("Nudgelark"));
    QVERIFY(tip.iconName.isEmpty());
    QVERIFY(tip.description.isEmpty());
    const auto pixmaps = qdbus_cast<SniIconPixmapList>(itemProperty(QStringLiteral("IconPixmap")));
    QCOMPARE(pixmaps.size(), 1);
    QCOMPARE(pixmaps.first().width, 16);
    QCOMPARE(pixmaps.first().bytes.left(4), QByteArray::fromHex("ff204060"));

    // The attention icon, only while attention is asked for: the same picture in the same sizes,
    // with the mark in its corner.
    QVERIFY(qdbus_cast<SniIconPixmapList>(itemProperty(QStringLiteral("AttentionIconPixmap"))).isEmpty());
    item->setNeedsAttention(true);
    const auto marked = qdbus_cast<SniIconPixmapList>(itemProperty(QStringLiteral("AttentionIconPixmap")));
    QVERIFY(marked.size() >= pixmaps.size());
    for (const SniIconPixmap& picture : marked) {
        QCOMPARE(picture.bytes.size(), qsizetype(picture.width) * picture.height * 4);
    }
    QCOMPARE(marked.first().width, 16);
    QCOMPARE(marked.first().bytes.left(4), QByteArray::fromHex("ff204060"));
    QVERIFY(marked.first().bytes != pixmaps.first().bytes);
    QVERIFY(itemProperty(QStringLiteral("AttentionIconName")).toString().isEmpty());
    item->setNeedsAttention(false);
    QVERIFY(qdbus_cast<SniIconPixmapList>(itemProperty(QStringLiteral("AttentionIconPixmap"))).isEmpty());
}

void TestSni::watcherLater_registersWhenItComes()
{
    SniTrayBackend* item = makeItem();
    QSignalSpy availability(item, &TrayBackend::availableChanged);
    item->setVisible(true);
    QVERIFY(!item->watcherPresent());
    QVERIFY(!item->isAvailable());

    auto watcher = startWatcher();
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations, QStringList{item->serviceName()}, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(item->isAvailable(), kTimeout);
    QVERIFY(availability.size() >= 2); // the watcher came, then its host was known
}

void TestSni::watcherRestart_registersAgain()
{
    auto watcher = startWatcher();
    SniTrayBackend* item = makeItem();
    item->setVisible(true);
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations.size(), 1, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(item->isAvailable(), kTimeout);

    watcher.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!item->watcherPresent(), kTimeout);
    QVERIFY(!item->isAvailable());
    watcher = startWatcher();
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations, QStringList{item->serviceName()}, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(item->isAvailable(), kTimeout);
}

void TestSni::hidden_nameGivenUpAndNotRegisteredAgain()
{
    auto watcher = startWatcher();
    SniTrayBackend* item = makeItem();
    item->setVisible(true);
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations.size(), 1, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(nameOwned(item->serviceName()), kTimeout);

    const QString shownName = item->serviceName();
    item->setVisible(false);
    QTRY_VERIFY_WITH_TIMEOUT(!nameOwned(shownName), kTimeout);
    QVERIFY(item->serviceName().isEmpty());
    watcher.reset();
    watcher = startWatcher();
    // A registration would have reached the watcher before the answer about its host did.
    QTRY_VERIFY_WITH_TIMEOUT(item->isAvailable(), kTimeout);
    QVERIFY(watcher->registrations.isEmpty());

    // Shown again: a new connection, a new name.
    item->setVisible(true);
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations.size(), 1, kTimeout);
    const QString again = watcher->registrations.first();
    QVERIFY(again != shownName);
    QCOMPARE(again, item->serviceName());
    // Hidden and shown again in one go: the name stays, the watcher hears of the item once more.
    item->setVisible(false);
    item->setVisible(true);
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations.size(), 2, kTimeout);
    QCOMPARE(watcher->registrations.at(1), again);
    QVERIFY(nameOwned(again));
}

void TestSni::noHost_notAvailableUntilOneRegisters()
{
    auto watcher = startWatcher(false);
    SniTrayBackend* item = makeItem();
    item->setVisible(true);
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations.size(), 1, kTimeout);
    QVERIFY(item->watcherPresent());
    QVERIFY(!item->isAvailable());
    watcher->announceHost();
    QTRY_VERIFY_WITH_TIMEOUT(item->isAvailable(), kTimeout);
}

void TestSni::changes_announcedToPanel()
{
    SniTrayBackend* item = makeShownItem();
    SignalRecorder recorder;
    const QString service = item->serviceName();
    const QString path = SniTrayBackend::itemPath();
    QVERIFY(m_host.connect(service, path, kItemInterface, QStringLiteral("NewIcon"), &recorder, SLOT(newIcon())));
    QVERIFY(m_host.connect(service, path, kItemInterface, QStringLiteral("NewToolTip"), &recorder, SLOT(newToolTip())));
    QVERIFY(m_host.connect(service, path, kItemInterface, QStringLiteral("NewStatus"), &recorder,
                           SLOT(newStatus(QString))));
    QVERIFY(m_host.connect(service, path, kItemInterface, QStringLiteral("NewAttentionIcon"), &recorder,
                           SLOT(newAttentionIcon())));
    // A round trip makes sure the subscriptions are in place before anything is sent.
    QCOMPARE(itemProperty(QStringLiteral("Status")).toString(), QStringLiteral("Active"));

    item->setToolTip(QStringLiteral("Nudgelark"));
    item->setToolTip(QStringLiteral("Nudgelark"));
    item->setNeedsAttention(true);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.seen.size(), 3, kTimeout);
    QCOMPARE(itemProperty(QStringLiteral("Status")).toString(), QStringLiteral("NeedsAttention"));
    item->setNeedsAttention(false);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    item->setIcon(QIcon(pixmap));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.seen.size(), 6, kTimeout);
    // The attention icon comes before the status that shows it and goes after it.
    QCOMPARE(recorder.seen, (QStringList{QStringLiteral("NewToolTip"), QStringLiteral("NewAttentionIcon"),
                                         QStringLiteral("NewStatus NeedsAttention"), QStringLiteral("NewStatus Active"),
                                         QStringLiteral("NewAttentionIcon"), QStringLiteral("NewIcon")}));
    QCOMPARE(itemProperty(QStringLiteral("Status")).toString(), QStringLiteral("Active"));
}

void TestSni::menu_layoutOfTrayMenu()
{
    SniTrayBackend* item = makeShownItem();
    QMenu menu;
    QAction* show = menu.addAction(QStringLiteral("Show"));
    menu.setDefaultAction(show);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Exit"));
    item->setMenu(&menu);

    const DBusMenuLayoutItem root = menuLayout();
    QCOMPARE(root.id, 0);
    QCOMPARE(root.properties.value(QStringLiteral("children-display")).toString(), QStringLiteral("submenu"));
    QCOMPARE(labels(root), (QStringList{QStringLiteral("Show"), QStringLiteral("-"), QStringLiteral("Exit")}));
    // Each item has an id of its own, and keeps it from one layout to the next.
    QCOMPARE(root.children.size(), 3);
    QVERIFY(root.children.at(0).id != root.children.at(2).id);
    QCOMPARE(menuLayout().children.at(2).id, root.children.at(2).id);
    QVERIFY(!root.children.at(0).properties.contains(QStringLiteral("enabled")));

    // An unknown item is an error, not an empty menu.
    QCOMPARE(menuLayout(9999).id, -1);
    item->setMenu(nullptr);
    QVERIFY(menuLayout().children.isEmpty());
}

void TestSni::menu_labels_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("label");
    QTest::newRow("plain") << QStringLiteral("Show") << QStringLiteral("Show");
    QTest::newRow("mnemonic") << QStringLiteral("&Show") << QStringLiteral("_Show");
    QTest::newRow("mnemonic inside") << QStringLiteral("E&xit") << QStringLiteral("E_xit");
    QTest::newRow("literal ampersand") << QStringLiteral("R&&D") << QStringLiteral("R&D");
    QTest::newRow("underscore doubled") << QStringLiteral("a_b") << QStringLiteral("a__b");
    QTest::newRow("trailing ampersand") << QStringLiteral("x&") << QStringLiteral("x&");
}

void TestSni::menu_labels()
{
    QFETCH(QString, text);
    QFETCH(QString, label);
    SniTrayBackend* item = makeShownItem();
    QMenu menu;
    menu.addAction(text);
    item->setMenu(&menu);
    QCOMPARE(labels(menuLayout()), QStringList{label});
}

void TestSni::menu_itemStates()
{
    SniTrayBackend* item = makeShownItem();
    QMenu menu;
    menu.addAction(QStringLiteral("Off"))->setEnabled(false);
    menu.addAction(QStringLiteral("Gone"))->setVisible(false);
    QAction* tick = menu.addAction(QStringLiteral("Tick"));
    tick->setCheckable(true);
    tick->setChecked(true);
    item->setMenu(&menu);

    const DBusMenuLayoutItem root = menuLayout();
    QCOMPARE(root.children.size(), 3);
    QCOMPARE(root.children.at(0).properties.value(QStringLiteral("enabled")), QVariant(false));
    QCOMPARE(root.children.at(1).properties.value(QStringLiteral("visible")), QVariant(false));
    QCOMPARE(root.children.at(2).properties.value(QStringLiteral("toggle-type")).toString(),
             QStringLiteral("checkmark"));
    QCOMPARE(root.children.at(2).properties.value(QStringLiteral("toggle-state")).toInt(), 1);

    const QDBusMessage enabled = callItem(SniTrayBackend::menuPath(), kMenuInterface, QStringLiteral("GetProperty"),
                                          {root.children.at(2).id, QStringLiteral("enabled")});
    QCOMPARE(enabled.arguments().value(0).value<QDBusVariant>().variant(), QVariant(true));
}

void TestSni::menu_depthAndPropertyFilter()
{
    SniTrayBackend* item = makeShownItem();
    QMenu menu;
    QMenu* sub = menu.addMenu(QStringLiteral("More"));
    sub->addAction(QStringLiteral("Inner"));
    menu.addAction(QStringLiteral("Exit"));
    item->setMenu(&menu);

    const DBusMenuLayoutItem all = menuLayout();
    QCOMPARE(all.children.at(0).properties.value(QStringLiteral("children-display")).toString(),
             QStringLiteral("submenu"));
    QCOMPARE(labels(all.children.at(0)), QStringList{QStringLiteral("Inner")});
    QVERIFY(menuLayout(0, 1).children.at(0).children.isEmpty());
    QVERIFY(menuLayout(0, 0).children.isEmpty());
    QCOMPARE(labels(menuLayout(all.children.at(0).id)), QStringList{QStringLiteral("Inner")});

    const DBusMenuLayoutItem named = menuLayout(0, -1, {QStringLiteral("label")});
    QVERIFY(named.properties.isEmpty());
    QCOMPARE(named.children.at(0).properties.keys(), QStringList{QStringLiteral("label")});
}

void TestSni::menu_clickedTriggersOnlyWhatCanRun()
{
    SniTrayBackend* item = makeShownItem();
    QMenu menu;
    QStringList ran;
    for (const QString& text : {QStringLiteral("Show"), QStringLiteral("Off"), QStringLiteral("Exit")}) {
        connect(menu.addAction(text), &QAction::triggered, this, [&ran, text] { ran.append(text); });
    }
    menu.insertSeparator(menu.actions().at(2));
    menu.actions().at(1)->setEnabled(false);
    item->setMenu(&menu);
    const DBusMenuLayoutItem root = menuLayout();
    QCOMPARE(labels(root),
             (QStringList{QStringLiteral("Show"), QStringLiteral("Off"), QStringLiteral("-"), QStringLiteral("Exit")}));

    clickMenu(root.children.at(3).id, QStringLiteral("hovered"));
    clickMenu(root.children.at(1).id);
    clickMenu(root.children.at(2).id);
    clickMenu(12345);
    clickMenu(root.children.at(3).id);
    QTRY_COMPARE_WITH_TIMEOUT(ran, QStringList{QStringLiteral("Exit")}, kTimeout);
    clickMenu(root.children.at(0).id);
    QTRY_COMPARE_WITH_TIMEOUT(ran, (QStringList{QStringLiteral("Exit"), QStringLiteral("Show")}), kTimeout);
}

void TestSni::menu_eventGroupReportsUnknownIds()
{
    SniTrayBackend* item = makeShownItem();
    QMenu menu;
    QSignalSpy triggered(menu.addAction(QStringLiteral("Show")), &QAction::triggered);
    item->setMenu(&menu);
    const int show = menuLayout().children.at(0).id;

    const QList<DBusMenuEvent> events{{show, QStringLiteral("clicked"), QDBusVariant(0), 0},
                                      {777, QStringLiteral("clicked"), QDBusVariant(0), 0}};
    const QDBusMessage reply = callItem(SniTrayBackend::menuPath(), kMenuInterface, QStringLiteral("EventGroup"),
                                        {QVariant::fromValue(events)});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(qdbus_cast<QList<int>>(reply.arguments().value(0)), QList<int>{777});
    QTRY_COMPARE_WITH_TIMEOUT(triggered.size(), 1, kTimeout);

    const QDBusMessage shown = callItem(SniTrayBackend::menuPath(), kMenuInterface, QStringLiteral("AboutToShowGroup"),
                                        {QVariant::fromValue(QList<int>{0, show, 888})});
    QCOMPARE(qdbus_cast<QList<int>>(shown.arguments().value(1)), QList<int>{888});
}

void TestSni::menu_changeAnnouncedWithNewRevision()
{
    SniTrayBackend* item = makeShownItem();
    QMenu menu;
    menu.addAction(QStringLiteral("Show"));
    item->setMenu(&menu);
    SignalRecorder recorder;
    QVERIFY(m_host.connect(item->serviceName(), SniTrayBackend::menuPath(), kMenuInterface,
                           QStringLiteral("LayoutUpdated"), &recorder, SLOT(layoutUpdated(uint, int))));
    const QDBusMessage before =
        callItem(SniTrayBackend::menuPath(), kMenuInterface, QStringLiteral("GetLayout"), {0, -1, QStringList()});
    const uint firstRevision = before.arguments().value(0).toUInt();
    recorder.revisions.clear();

    menu.addAction(QStringLiteral("Exit"));
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.revisions.isEmpty(), kTimeout);
    QVERIFY(recorder.revisions.last() > firstRevision);
    const QDBusMessage after =
        callItem(SniTrayBackend::menuPath(), kMenuInterface, QStringLiteral("GetLayout"), {0, -1, QStringList()});
    QCOMPARE(after.arguments().value(0).toUInt(), recorder.revisions.last());
    QCOMPARE(labels(qdbus_cast<DBusMenuLayoutItem>(after.arguments().value(1))),
             (QStringList{QStringLiteral("Show"), QStringLiteral("Exit")}));
}

void TestSni::activate_runsDefaultItemAsDoubleClick()
{
    QWidget owner;
    SniTrayBackend* item = makeShownItem();
    auto* tray = new TTrayIcon(&owner, item);
    QMenu menu;
    QAction* show = menu.addAction(QStringLiteral("Show"));
    menu.setDefaultAction(show);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Exit"));
    tray->setPopupMenu(&menu);
    QStringList log;
    connect(tray, &TTrayIcon::Click, this, [&log] { log.append(QStringLiteral("Click")); });
    connect(tray, &TTrayIcon::DblClick, this, [&log] { log.append(QStringLiteral("DblClick")); });
    connect(tray, &TTrayIcon::MouseDown, this, [&log] { log.append(QStringLiteral("MouseDown")); });
    connect(tray, &TTrayIcon::MouseUp, this, [&log] { log.append(QStringLiteral("MouseUp")); });
    connect(show, &QAction::triggered, this, [&log] { log.append(QStringLiteral("Show")); });

    callItem(SniTrayBackend::itemPath(), kItemInterface, QStringLiteral("Activate"), {10, 20});
    const QStringList doubleClick{QStringLiteral("MouseDown"), QStringLiteral("Click"), QStringLiteral("MouseUp"),
                                  QStringLiteral("DblClick"),  QStringLiteral("Show"),  QStringLiteral("MouseUp")};
    QTRY_COMPARE_WITH_TIMEOUT(log, doubleClick, kTimeout);
    QVERIFY(!menu.isVisible());
    delete tray;
}

void TestSni::contextAndSecondary_reachTrayIcon()
{
    QWidget owner;
    SniTrayBackend* item = makeShownItem();
    auto* tray = new TTrayIcon(&owner, item);
    QMenu menu;
    menu.addAction(QStringLiteral("Show"));
    tray->setPopupMenu(&menu);
    QSignalSpy downs(tray, &TTrayIcon::MouseDown);

    callItem(SniTrayBackend::itemPath(), kItemInterface, QStringLiteral("SecondaryActivate"), {1, 1});
    QTRY_COMPARE_WITH_TIMEOUT(downs.size(), 1, kTimeout);
    QCOMPARE(downs.at(0).at(0).value<Qt::MouseButton>(), Qt::MiddleButton);
    QVERIFY(!menu.isVisible());

    callItem(SniTrayBackend::itemPath(), kItemInterface, QStringLiteral("ContextMenu"), {1, 1});
    QTRY_VERIFY_WITH_TIMEOUT(menu.isVisible(), kTimeout);
    QCOMPARE(downs.at(1).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    menu.hide();
    // Scrolling has no meaning for the icon, but is answered.
    QCOMPARE(callItem(SniTrayBackend::itemPath(), kItemInterface, QStringLiteral("Scroll"),
                      {120, QStringLiteral("vertical")})
                 .type(),
             QDBusMessage::ReplyMessage);
    delete tray;
}

void TestSni::trayIconDisabled_panelGetsNoMenu()
{
    QWidget owner;
    SniTrayBackend* item = makeShownItem();
    auto* tray = new TTrayIcon(&owner, item);
    QMenu menu;
    menu.addAction(QStringLiteral("Show"));
    tray->setPopupMenu(&menu);
    QCOMPARE(labels(menuLayout()), QStringList{QStringLiteral("Show")});
    tray->setEnabled(false);
    QVERIFY(menuLayout().children.isEmpty());
    tray->setEnabled(true);
    QCOMPARE(labels(menuLayout()), QStringList{QStringLiteral("Show")});
    delete tray;
}

void TestSni::desktop_noWatcher_usesXEmbed()
{
    bool xembedThere = true;
    FakeXEmbed* xembed = nullptr;
    DesktopTrayBackend desktop(m_itemBus, m_address, [&] { return xembed = new FakeXEmbed(xembedThere); });
    desktop.setToolTip(QStringLiteral("Nudgelark"));
    QVERIFY(!desktop.usesStatusNotifierItem());
    desktop.setVisible(true);
    QVERIFY(xembed);
    QVERIFY(xembed->visible);
    QCOMPARE(xembed->lastTip, QStringLiteral("Nudgelark"));
    QVERIFY(desktop.isAvailable());
    xembedThere = false;
    QVERIFY(!desktop.isAvailable());
}

void TestSni::desktop_watcherAtStart_neverMakesXEmbed()
{
    auto watcher = startWatcher();
    bool xembedThere = true;
    int made = 0;
    DesktopTrayBackend desktop(m_itemBus, m_address, [&] {
        ++made;
        return new FakeXEmbed(xembedThere);
    });
    QVERIFY(desktop.usesStatusNotifierItem());
    QVERIFY(!desktop.isAvailable()); // not before the panel's host is known
    desktop.setVisible(true);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isAvailable(), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations.size(), 1, kTimeout);
    QCOMPARE(made, 0);
    QCOMPARE(desktop.xembedTray(), nullptr);
}

void TestSni::desktop_followsWatcherComingAndGoing()
{
    bool xembedThere = false;
    FakeXEmbed* xembed = nullptr;
    DesktopTrayBackend desktop(m_itemBus, m_address, [&] { return xembed = new FakeXEmbed(xembedThere); });
    QSignalSpy availability(&desktop, &TrayBackend::availableChanged);
    desktop.setVisible(true);
    QVERIFY(xembed && xembed->visible);
    QVERIFY(desktop.statusNotifierItem()->serviceName().isEmpty());

    auto watcher = startWatcher();
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations.size(), 1, kTimeout);
    const QString itemName = watcher->registrations.first();
    QCOMPARE(itemName, desktop.statusNotifierItem()->serviceName());
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isAvailable(), kTimeout);
    QVERIFY(desktop.usesStatusNotifierItem());
    QVERIFY(!xembed->visible);
    QVERIFY(!availability.isEmpty());

    watcher.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.usesStatusNotifierItem(), kTimeout);
    QVERIFY(xembed->visible);
    QVERIFY(!desktop.isAvailable());
    QTRY_VERIFY_WITH_TIMEOUT(!nameOwned(itemName), kTimeout);

    // Hidden while the panel is away: the panel that comes back does not get the icon.
    desktop.setVisible(false);
    QVERIFY(!xembed->visible);
    watcher = startWatcher();
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isAvailable(), kTimeout);
    QVERIFY(watcher->registrations.isEmpty());
    desktop.setVisible(true);
    QTRY_COMPARE_WITH_TIMEOUT(watcher->registrations.size(), 1, kTimeout);
    QCOMPARE(watcher->registrations.first(), desktop.statusNotifierItem()->serviceName());
    QVERIFY(!xembed->visible);
}

void TestSni::desktop_noSessionBus_xembedOnly()
{
    bool xembedThere = true;
    FakeXEmbed* xembed = nullptr;
    DesktopTrayBackend desktop(QDBusConnection(QStringLiteral("no such connection")), QString(),
                               [&] { return xembed = new FakeXEmbed(xembedThere); });
    QCOMPARE(desktop.statusNotifierItem(), nullptr);
    desktop.setNeedsAttention(true);
    desktop.setVisible(true);
    QVERIFY(xembed && xembed->visible);
    QVERIFY(desktop.isAvailable());
}

void TestSni::trayIcon_lateAndRestartingPanel_windowAlwaysReachable()
{
    QWidget owner;
    owner.resize(200, 100);
    bool xembedThere = false;
    auto* desktop = new DesktopTrayBackend(m_itemBus, m_address, [&] { return new FakeXEmbed(xembedThere); });
    TTrayIcon tray(&owner, desktop);
    tray.setIconVisible(false);
    owner.show();

    // Hidden into a tray that is not there: minimised instead.
    tray.HideMainForm();
    QVERIFY(owner.isVisible());
    QVERIFY(owner.isMinimized());

    auto watcher = startWatcher();
    QTRY_VERIFY_WITH_TIMEOUT(!owner.isVisible(), kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!watcher->registrations.isEmpty(), kTimeout);

    // The panel crashes: the window comes back (minimised) until the panel is there again.
    watcher.reset();
    QTRY_VERIFY_WITH_TIMEOUT(owner.isVisible(), kTimeout);
    QVERIFY(owner.isMinimized());
    watcher = startWatcher();
    QTRY_VERIFY_WITH_TIMEOUT(!owner.isVisible(), kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!watcher->registrations.isEmpty(), kTimeout);

    const QString itemName = desktop->statusNotifierItem()->serviceName();
    QVERIFY(nameOwned(itemName));
    tray.RestoreMainForm();
    QVERIFY(owner.isVisible());
    QVERIFY(!owner.isMinimized());
    QTRY_VERIFY_WITH_TIMEOUT(!nameOwned(itemName), kTimeout);
}

QTEST_MAIN(TestSni)
#include "tst_sni.moc"
