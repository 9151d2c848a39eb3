#pragma once

#include "components/DBusTrayTypes.h"
#include "components/TrayBackend.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>

class DBusMenuExporter;
class StatusNotifierItemAdaptor;

/// The tray icon as a StatusNotifierItem of the program's own, for panels that show icons only
/// over D-Bus (KDE Plasma, GNOME's AppIndicator extension, most Wayland panels).
///
/// While the icon is to be shown, the item has a connection to the bus of its own and registers
/// that connection's unique name with the org.kde.StatusNotifierWatcher, again each time a watcher
/// appears (a panel that starts late or restarts); hiding the icon closes the connection, which
/// takes the item out of every panel. (GNOME's AppIndicator extension loses items registered
/// under a well-known name now and then; a unique name it keeps.) The menu handed over is served
/// over com.canonical.dbusmenu on the same connection for the panel to draw.
class SniTrayBackend final : public TrayBackend
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SniTrayBackend)

public:
    /// bus: where the watcher is looked for; the item's own connections go to itemBusAddress, or
    /// to the session bus when it is empty.
    explicit SniTrayBackend(const QDBusConnection& bus, const QString& itemBusAddress = QString(),
                            QObject* parent = nullptr);
    ~SniTrayBackend() override;

    /// A watcher is on the bus and a panel (its host) has registered with it.
    bool isAvailable() const override { return m_watcherPresent && m_hostRegistered; }
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& tip) override;
    void setVisible(bool visible) override;
    void setMenu(QMenu* menu) override;
    void setNeedsAttention(bool attention) override;

    bool watcherPresent() const { return m_watcherPresent; }
    /// The bus name the item registers under: its connection's unique name; empty while hidden.
    QString serviceName() const;
    static QString itemPath() { return QStringLiteral("/StatusNotifierItem"); }
    static QString menuPath() { return QStringLiteral("/MenuBar"); }

    QString status() const;
    QString iconName() const { return m_iconName; }
    SniIconPixmapList iconPixmaps() const { return m_pixmaps; }
    /// The icon with the mark of a waiting alert while the status is NeedsAttention; none otherwise.
    SniIconPixmapList attentionPixmaps() const;
    SniToolTip toolTip() const;

    /// The panel's primary action (a left click).
    void activate();
    /// The panel's secondary action (a middle click).
    void secondaryActivate();
    /// The panel asks the program to open its own menu.
    void contextMenu();

private Q_SLOTS:
    void readHostRegistered();

private:
    void watcherAppeared();
    void watcherVanished();
    void setHostRegistered(bool registered);
    void queueSync();
    void syncRegistration();
    void sendRegistration();
    bool openItemBus();
    void closeItemBus();

    QDBusConnection m_connection;
    QString m_itemBusAddress;
    QDBusConnection m_itemBus{QString()};
    QDBusServiceWatcher m_watcher;
    StatusNotifierItemAdaptor* m_adaptor = nullptr;
    DBusMenuExporter* m_menu = nullptr;
    QString m_iconName;
    SniIconPixmapList m_pixmaps;
    SniIconPixmapList m_attentionPixmaps;
    QString m_tip;
    bool m_wanted = false;
    bool m_registrationDue = false;
    bool m_syncQueued = false;
    bool m_watcherPresent = false;
    bool m_hostRegistered = false;
    bool m_needsAttention = false;
    // Counts watcher comings and goings, so that a late answer from a gone watcher is ignored.
    quint64 m_watcherGeneration = 0;
};

/// The org.kde.StatusNotifierItem interface of a SniTrayBackend.
class StatusNotifierItemAdaptor final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusNotifierItemAdaptor)
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ Category)
    Q_PROPERTY(QString Id READ Id)
    Q_PROPERTY(QString Title READ Title)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(int WindowId READ WindowId)
    Q_PROPERTY(QString IconThemePath READ IconThemePath)
    Q_PROPERTY(QString IconName READ IconName)
    Q_PROPERTY(SniIconPixmapList IconPixmap READ IconPixmap)
    Q_PROPERTY(QString OverlayIconName READ OverlayIconName)
    Q_PROPERTY(SniIconPixmapList OverlayIconPixmap READ OverlayIconPixmap)
    Q_PROPERTY(QString AttentionIconName READ AttentionIconName)
    Q_PROPERTY(SniIconPixmapList AttentionIconPixmap READ AttentionIconPixmap)
    Q_PROPERTY(QString AttentionMovieName READ AttentionMovieName)
    Q_PROPERTY(SniToolTip ToolTip READ ToolTip)
    Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ Menu)

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

public Q_SLOTS:
    void ContextMenu(int x, int y);
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);

public:
    explicit StatusNotifierItemAdaptor(SniTrayBackend* item);

    QString Category() const { return QStringLiteral("ApplicationStatus"); }
    QString Id() const;
    QString Title() const;
    QString Status() const { return m_item->status(); }
    int WindowId() const { return 0; }
    QString IconThemePath() const { return {}; }
    QString IconName() const { return m_item->iconName(); }
    SniIconPixmapList IconPixmap() const { return m_item->iconPixmaps(); }
    QString OverlayIconName() const { return {}; }
    SniIconPixmapList OverlayIconPixmap() const { return {}; }
    QString AttentionIconName() const { return {}; }
    SniIconPixmapList AttentionIconPixmap() const { return m_item->attentionPixmaps(); }
    QString AttentionMovieName() const { return {}; }
    SniToolTip ToolTip() const { return m_item->toolTip(); }
    // False: the panel opens the exported menu on a right click and reports a left click as Activate.
    bool ItemIsMenu() const { return false; }
    QDBusObjectPath Menu() const { return QDBusObjectPath(SniTrayBackend::menuPath()); }

private:
    SniTrayBackend* m_item;
};
