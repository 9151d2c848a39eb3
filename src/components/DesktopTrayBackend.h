#pragma once

#include "components/TrayBackend.h"

#include <QDBusConnection>
#include <QIcon>
#include <QPointer>

#include <functional>

class SniTrayBackend;

/// The tray the desktop offers, followed as panels come and go: the program's own
/// StatusNotifierItem whenever a StatusNotifierWatcher is on the session bus, Qt's XEmbed tray
/// otherwise.
///
/// Qt picks its own tray kind once per process, when QSystemTrayIcon is first used (a first
/// isSystemTrayAvailable() counts), and never again; so Qt's tray is made and asked only while no
/// watcher is there, which makes it settle on XEmbed, and a panel that comes later still gets the
/// icon through the item of our own.
class DesktopTrayBackend final : public TrayBackend
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopTrayBackend)

public:
    using TrayFactory = std::function<TrayBackend*()>;

    /// The session bus, and QSystemTrayIcon for the XEmbed tray.
    explicit DesktopTrayBackend(QObject* parent = nullptr);
    /// bus: where panels register (not connected: the XEmbed tray only), reached at itemBusAddress
    /// by the item's own connections (empty: the session bus); makeXEmbedTray builds the XEmbed
    /// tray when it is first needed.
    DesktopTrayBackend(const QDBusConnection& bus, const QString& itemBusAddress, TrayFactory makeXEmbedTray,
                       QObject* parent = nullptr);
    ~DesktopTrayBackend() override;

    bool isAvailable() const override;
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& tip) override;
    void setVisible(bool visible) override;
    void setMenu(QMenu* menu) override;
    void setNeedsAttention(bool attention) override;

    /// The StatusNotifierItem is the tray in use (a watcher is on the bus).
    bool usesStatusNotifierItem() const;
    SniTrayBackend* statusNotifierItem() const { return m_sni; }
    /// Null until the XEmbed tray was first needed.
    TrayBackend* xembedTray() const { return m_xembed; }

private:
    TrayBackend* xembed();
    void follow();
    void applyVisible();

    SniTrayBackend* m_sni = nullptr;
    TrayFactory m_makeXEmbed;
    TrayBackend* m_xembed = nullptr;
    QIcon m_icon;
    QString m_tip;
    QPointer<QMenu> m_menu;
    bool m_visible = false;
    bool m_needsAttention = false;
    bool m_usingSni = false;
};
