#pragma once

#include <QObject>
#include <QSystemTrayIcon>

/// The desktop's tray as the tray icon sees it: one icon with a tool tip, added or removed.
class TrayBackend : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayBackend)

Q_SIGNALS:
    void activated(QSystemTrayIcon::ActivationReason reason);

public:
    using QObject::QObject;
    ~TrayBackend() override = default;

    virtual bool isAvailable() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& tip) = 0;
    virtual void setVisible(bool visible) = 0;
};

/// The real tray: QSystemTrayIcon (StatusNotifierItem or XEmbed, whichever the desktop offers).
class SystemTrayBackend final : public TrayBackend
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemTrayBackend)

public:
    explicit SystemTrayBackend(QObject* parent = nullptr);

    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void setIcon(const QIcon& icon) override { m_icon.setIcon(icon); }
    void setToolTip(const QString& tip) override { m_icon.setToolTip(tip); }
    void setVisible(bool visible) override { m_icon.setVisible(visible); }

private:
    QSystemTrayIcon m_icon;
};
