#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

class QMenu;

/// The icon with the mark of an alert waiting (a red dot with a white "!" in its lower right
/// corner), drawn afresh in each size a tray asks for, so that the mark stays sharp and in scale.
QIcon markedForAttention(const QIcon& icon);

/// The desktop's tray as the tray icon sees it: one icon with a tool tip, added or removed.
class TrayBackend : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayBackend)

Q_SIGNALS:
    void activated(QSystemTrayIcon::ActivationReason reason);
    /// isAvailable() may answer differently now (a panel came or went).
    void availableChanged();

public:
    using QObject::QObject;
    ~TrayBackend() override = default;

    virtual bool isAvailable() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& tip) = 0;
    virtual void setVisible(bool visible) = 0;
    /// The menu for a panel that draws the icon's menu itself; a tray that cannot ignores it.
    virtual void setMenu(QMenu* menu) { Q_UNUSED(menu) }
    /// Asks the panel to draw the user's eye to the icon, or stops asking; a tray that cannot ignores it.
    virtual void setNeedsAttention(bool attention) { Q_UNUSED(attention) }
};

/// Qt's own tray, QSystemTrayIcon. It is made only while no StatusNotifierWatcher is on the
/// session bus (see DesktopTrayBackend), so Qt settles on its XEmbed tray.
class SystemTrayBackend final : public TrayBackend
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemTrayBackend)

public:
    explicit SystemTrayBackend(QObject* parent = nullptr);

    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& tip) override { m_icon.setToolTip(tip); }
    void setVisible(bool visible) override;
    /// An XEmbed tray knows no attention: the icon itself carries the mark meanwhile.
    void setNeedsAttention(bool attention) override;

private:
    void lookAtTray();

    QSystemTrayIcon m_icon;
    QIcon m_plain;
    // Qt tells nobody when the tray's selection owner goes (a panel that quits): while the icon is
    // in the tray, look every second.
    QTimer m_trayWatch;
    bool m_trayThere = false;
    bool m_attention = false;
};
