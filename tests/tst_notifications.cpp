#include "platform/DesktopNotifications.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <csignal>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeout = 20000;
const QString kService = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;

int s_connections = 0;

QDBusConnection connectPrivate(const QString& address, const QString& role)
{
    return QDBusConnection::connectToBus(address, role + QString::number(++s_connections));
}

Notice notice(const QString& summary, const QString& body = u"text"_s)
{
    Notice n;
    n.summary = summary;
    n.body = body;
    n.actions = {{u"ok"_s, u"OK"_s}, {u"pause"_s, u"Pause"_s}};
    n.critical = true;
    return n;
}

} // namespace

/// A notification server on its own connection to the bus, as a server process has.
class FakeServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeServer)
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public Q_SLOTS:
    QStringList GetCapabilities()
    {
        ++capabilityCalls;
        return capabilities;
    }
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout,
                const QDBusMessage& message)
    {
        Q_UNUSED(replacesId)
        const uint id = ++m_lastId;
        notified.append({id, appName, summary, body, actions, hints, timeout, appIcon});
        if (holdReplies) {
            message.setDelayedReply(true);
            m_held.append(message.createReply(QVariant::fromValue(id)));
        }
        return id;
    }
    void CloseNotification(uint id) { closed.append(id); }

public:
    struct Call
    {
        uint id;
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
        QString appIcon;
    };

    explicit FakeServer(const QString& address) : m_connection(connectPrivate(address, u"server"_s))
    {
        m_connection.registerObject(kPath, this, QDBusConnection::ExportAllSlots);
        registered = m_connection.registerService(kService);
    }
    ~FakeServer() override
    {
        m_connection.unregisterService(kService);
        QDBusConnection::disconnectFromBus(m_connection.name());
    }

    /// Sends the answers that holdReplies kept back.
    void releaseReplies()
    {
        for (const QDBusMessage& reply : std::as_const(m_held)) {
            m_connection.send(reply);
        }
        m_held.clear();
    }
    void emitSignal(const QString& name, const QVariantList& arguments) { emitFrom(m_connection, name, arguments); }
    static void emitFrom(QDBusConnection& connection, const QString& name, const QVariantList& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kService, name);
        signal.setArguments(arguments);
        connection.send(signal);
    }

    QStringList capabilities{u"body"_s, u"actions"_s};
    bool holdReplies = false;
    bool registered = false;
    int capabilityCalls = 0;
    QList<Call> notified;
    QList<uint> closed;

private:
    QDBusConnection m_connection;
    QList<QDBusMessage> m_held;
    uint m_lastId = 0;
};

class TestNotifications : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void post_noticeReachesServerWithActionsAndCriticalUrgency();
    void post_carriesProgramIconAndLauncher();
    void post_bodyEscapedOnlyWhereServerReadsMarkup_data();
    void post_bodyEscapedOnlyWhereServerReadsMarkup();
    void post_capabilitiesAskedOnceNoticesInOrder();
    void action_onlyFromTheServerForItsOwnNotice();
    void withdraw_closesOnServerAlsoWhenStillOnItsWay();
    void serverClosed_noticeIsNotClosedAgain();
    void noServer_nothingWaitsAndALaterServerGetsLaterNotices();
    void noBus_postAndWithdrawAreHarmless();

private:
    std::unique_ptr<FakeServer> startServer();
    /// Makes sure the bus has passed on every signal that connection sent so far.
    void flush(QDBusConnection& connection)
    {
        QVERIFY(connection.interface()->isServiceRegistered(kService).isValid());
    }

    QProcess m_daemon;
    QString m_address;
    QDBusConnection m_clientBus{QString()};
    std::unique_ptr<DesktopNotifications> m_notes;
};

void TestNotifications::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"Nudgelark"_s);
    // The bus goes with the test, even when the test does not end normally.
    m_daemon.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_daemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
    if (!m_daemon.waitForStarted(kTimeout)) {
        QSKIP("dbus-daemon is not installed");
    }
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(kTimeout)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    QVERIFY2(!m_address.isEmpty(), "the private bus gave no address");
}

void TestNotifications::cleanupTestCase()
{
    m_daemon.kill();
    m_daemon.waitForFinished(kTimeout);
}

void TestNotifications::init()
{
    m_clientBus = connectPrivate(m_address, u"client"_s);
    QVERIFY(m_clientBus.isConnected());
    m_notes = std::make_unique<DesktopNotifications>(m_clientBus);
}

void TestNotifications::cleanup()
{
    m_notes.reset();
    QDBusConnection::disconnectFromBus(m_clientBus.name());
}

std::unique_ptr<FakeServer> TestNotifications::startServer()
{
    auto server = std::make_unique<FakeServer>(m_address);
    if (!server->registered) {
        qWarning("the fake server did not get its name");
        return nullptr;
    }
    return server;
}

void TestNotifications::post_noticeReachesServerWithActionsAndCriticalUrgency()
{
    auto server = startServer();
    QVERIFY(server);
    const quint64 number = m_notes->post(notice(u"Dentist"_s, u"Bring the card"_s));
    QVERIFY(number != 0);
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 1, kTimeout);
    const FakeServer::Call& call = server->notified.first();
    QCOMPARE(call.appName, u"Nudgelark"_s);
    QCOMPARE(call.summary, u"Dentist"_s);
    QCOMPARE(call.body, u"Bring the card"_s);
    QCOMPARE(call.actions, (QStringList{u"ok"_s, u"OK"_s, u"pause"_s, u"Pause"_s}));
    // The protocol's urgency is a byte; 2 is critical.
    const QVariant urgency = call.hints.value(u"urgency"_s);
    QCOMPARE(urgency.metaType(), QMetaType::fromType<uchar>());
    QCOMPARE(urgency.value<uchar>(), uchar(2));
    QCOMPARE(call.timeout, 0); // stays up until it is withdrawn
}

void TestNotifications::post_carriesProgramIconAndLauncher()
{
    auto server = startServer();
    QVERIFY(server);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QImage picture(128, 128, QImage::Format_ARGB32);
    picture.fill(QColor(0xf0, 0xa0, 0x30));
    const QString file = folder.filePath(u"nudgelark.png"_s);
    QVERIFY(picture.save(file));

    // The icon file where it is: named by its full path, for the notice and its application.
    m_notes->setIcon(file, picture);
    m_notes->post(notice(u"Dentist"_s, u"Bring the card"_s));
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 1, kTimeout);
    const FakeServer::Call& withFile = server->notified.first();
    QCOMPARE(withFile.hints.value(u"image-path"_s).toString(), file);
    QVERIFY(!withFile.hints.contains(u"image-data"_s));
    QCOMPARE(withFile.appIcon, file);
    QCOMPARE(withFile.hints.value(u"desktop-entry"_s).toString(), u"nudgelark"_s);

    // No file there (a program run from its build folder): the picture itself, 64 pixels at most.
    m_notes->setIcon(folder.filePath(u"missing.png"_s), picture);
    m_notes->post(notice(u"Dentist"_s, u"Bring the card"_s));
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 2, kTimeout);
    const FakeServer::Call& withPicture = server->notified.at(1);
    QVERIFY(!withPicture.hints.contains(u"image-path"_s));
    QCOMPARE(withPicture.appIcon, u"nudgelark"_s);
    const QDBusArgument image = withPicture.hints.value(u"image-data"_s).value<QDBusArgument>();
    QCOMPARE(image.currentSignature(), u"(iiibiiay)"_s);
    int width = 0, height = 0, stride = 0, bits = 0, channels = 0;
    bool alpha = false;
    QByteArray data;
    image.beginStructure();
    image >> width >> height >> stride >> alpha >> bits >> channels >> data;
    image.endStructure();
    QCOMPARE(width, 64);
    QCOMPARE(height, 64);
    QVERIFY(alpha);
    QCOMPARE(bits, 8);
    QCOMPARE(channels, 4);
    QCOMPARE(data.size(), qsizetype(stride) * height);
    QCOMPARE(data.left(4), QByteArray::fromHex("f0a030ff")); // R, G, B, A
}

void TestNotifications::post_bodyEscapedOnlyWhereServerReadsMarkup_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("body");
    const QString text = u"Milk & <b>eggs</b>\r\nbread\rjam > toast"_s;
    QTest::newRow("plain server") << QStringList{u"body"_s, u"actions"_s} << text
                                  << u"Milk & <b>eggs</b>\nbread\njam > toast"_s;
    QTest::newRow("markup server") << QStringList{u"body"_s, u"body-markup"_s} << text
                                   << u"Milk &amp; &lt;b&gt;eggs&lt;/b&gt;\nbread\njam &gt; toast"_s;
    QTest::newRow("entity stays text") << QStringList{u"body-markup"_s} << u"&amp;"_s << u"&amp;amp;"_s;
}

void TestNotifications::post_bodyEscapedOnlyWhereServerReadsMarkup()
{
    QFETCH(QStringList, capabilities);
    QFETCH(QString, text);
    QFETCH(QString, body);
    auto server = startServer();
    QVERIFY(server);
    server->capabilities = capabilities;
    m_notes->post(notice(u"Shopping"_s, text));
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 1, kTimeout);
    QCOMPARE(server->notified.first().body, body);
    QCOMPARE(server->notified.first().summary, u"Shopping"_s);
}

void TestNotifications::post_capabilitiesAskedOnceNoticesInOrder()
{
    auto server = startServer();
    QVERIFY(server);
    for (const QString& name : {u"one"_s, u"two"_s, u"three"_s}) {
        m_notes->post(notice(name));
    }
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 3, kTimeout);
    m_notes->post(notice(u"four"_s));
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 4, kTimeout);
    QCOMPARE(server->capabilityCalls, 1);
    QStringList summaries;
    for (const FakeServer::Call& call : std::as_const(server->notified)) {
        summaries.append(call.summary);
    }
    QCOMPARE(summaries, (QStringList{u"one"_s, u"two"_s, u"three"_s, u"four"_s}));
}

void TestNotifications::action_onlyFromTheServerForItsOwnNotice()
{
    auto server = startServer();
    QVERIFY(server);
    QSignalSpy invoked(m_notes.get(), &NotificationService::actionInvoked);
    const quint64 first = m_notes->post(notice(u"first"_s));
    const quint64 second = m_notes->post(notice(u"second"_s));
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 2, kTimeout);
    const uint firstId = server->notified.at(0).id;
    const uint secondId = server->notified.at(1).id;

    // Another program's notice, and a sender that is not the server, are no business of ours.
    server->emitSignal(u"ActionInvoked"_s, {QVariant::fromValue(uint(99)), u"ok"_s});
    QDBusConnection stranger = connectPrivate(m_address, u"stranger"_s);
    FakeServer::emitFrom(stranger, u"ActionInvoked"_s, {QVariant::fromValue(firstId), u"ok"_s});
    flush(stranger);
    // The server's answers may still be on their way: wait until the ids are known.
    server->emitSignal(u"ActionInvoked"_s, {QVariant::fromValue(secondId), u"pause"_s});
    QTRY_COMPARE_WITH_TIMEOUT(invoked.size(), 1, kTimeout);
    server->emitSignal(u"ActionInvoked"_s, {QVariant::fromValue(firstId), u"ok"_s});
    QTRY_COMPARE_WITH_TIMEOUT(invoked.size(), 2, kTimeout);
    QCOMPARE(invoked.at(0).at(0).value<quint64>(), second);
    QCOMPARE(invoked.at(0).at(1).toString(), u"pause"_s);
    QCOMPARE(invoked.at(1).at(0).value<quint64>(), first);
    QCOMPARE(invoked.at(1).at(1).toString(), u"ok"_s);
    QDBusConnection::disconnectFromBus(stranger.name());
}

void TestNotifications::withdraw_closesOnServerAlsoWhenStillOnItsWay()
{
    auto server = startServer();
    QVERIFY(server);
    const quint64 answered = m_notes->post(notice(u"answered"_s));
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 1, kTimeout);
    QSignalSpy invoked(m_notes.get(), &NotificationService::actionInvoked);
    server->emitSignal(u"ActionInvoked"_s, {QVariant::fromValue(server->notified.at(0).id), u"ok"_s});
    QTRY_COMPARE_WITH_TIMEOUT(invoked.size(), 1, kTimeout); // its id is known now
    m_notes->withdraw(answered);
    m_notes->withdraw(answered);
    QTRY_COMPARE_WITH_TIMEOUT(server->closed.size(), 1, kTimeout);
    QCOMPARE(server->closed.first(), server->notified.at(0).id);

    // Withdrawn before the server gave its id: it goes as soon as the id comes.
    server->holdReplies = true;
    const quint64 hasty = m_notes->post(notice(u"hasty"_s));
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 2, kTimeout);
    m_notes->withdraw(hasty);
    server->releaseReplies();
    QTRY_COMPARE_WITH_TIMEOUT(server->closed.size(), 2, kTimeout);
    QCOMPARE(server->closed.at(1), server->notified.at(1).id);
}

void TestNotifications::serverClosed_noticeIsNotClosedAgain()
{
    auto server = startServer();
    QVERIFY(server);
    QSignalSpy invoked(m_notes.get(), &NotificationService::actionInvoked);
    const quint64 dismissed = m_notes->post(notice(u"dismissed"_s));
    const quint64 kept = m_notes->post(notice(u"kept"_s));
    QTRY_COMPARE_WITH_TIMEOUT(server->notified.size(), 2, kTimeout);
    const uint keptId = server->notified.at(1).id;
    // The user dismissed the first notice on the server (reason 2).
    server->emitSignal(u"NotificationClosed"_s,
                       {QVariant::fromValue(server->notified.at(0).id), QVariant::fromValue(uint(2))});
    server->emitSignal(u"ActionInvoked"_s, {QVariant::fromValue(keptId), u"ok"_s});
    QTRY_COMPARE_WITH_TIMEOUT(invoked.size(), 1, kTimeout); // the closing came before it
    m_notes->withdraw(dismissed);
    m_notes->withdraw(kept);
    QTRY_COMPARE_WITH_TIMEOUT(server->closed.size(), 1, kTimeout);
    QCOMPARE(server->closed, QList<uint>{keptId});
}

void TestNotifications::noServer_nothingWaitsAndALaterServerGetsLaterNotices()
{
    const quint64 lost = m_notes->post(notice(u"nobody listens"_s));
    QVERIFY(lost != 0);
    m_notes->withdraw(lost);
    const quint64 unanswered = m_notes->post(notice(u"still nobody"_s));
    QVERIFY(unanswered != lost);
    m_notes->withdraw(unanswered);

    auto server = startServer();
    QVERIFY(server);
    m_notes->post(notice(u"now someone"_s));
    QTRY_VERIFY_WITH_TIMEOUT(!server->notified.isEmpty(), kTimeout);
    QCOMPARE(server->notified.size(), 1); // the withdrawn ones never went anywhere
    QCOMPARE(server->notified.first().summary, u"now someone"_s);
    QVERIFY(server->closed.isEmpty());
}

void TestNotifications::noBus_postAndWithdrawAreHarmless()
{
    DesktopNotifications offline(QDBusConnection(u"no such connection"_s));
    const quint64 number = offline.post(notice(u"offline"_s));
    QVERIFY(number != 0);
    offline.withdraw(number);
    offline.withdraw(number + 7);
}

QTEST_GUILESS_MAIN(TestNotifications)
#include "tst_notifications.moc"
