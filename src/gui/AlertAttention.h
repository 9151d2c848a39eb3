#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class NotificationService;
class QWidget;
class TAlertDialog;
class TTrayIcon;

/// Draws the user's eye to a shown alert, which may have opened behind the window the user works
/// in (a Wayland compositor gives no program the focus by itself): the alert window asks the
/// desktop for attention, the tray icon asks for it too, and a notice goes up whose "OK" and
/// "Pause" do what the alert's own buttons do. All of it ends when the alert closes, however it
/// closes. A view of a reminder (the caption "View reminder") is the user's own doing: it asks
/// for nothing.
class AlertAttention final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AlertAttention)

public:
    using WindowAttention = std::function<void(QWidget* window)>;

    /// notifications may be null: the alert window and the tray icon ask all the same.
    AlertAttention(TAlertDialog& alert, TTrayIcon& tray, NotificationService* notifications, QObject* parent = nullptr);
    ~AlertAttention() override;

    /// The main window is about to show the alert of the reminder called name, with its text.
    void alertShowing(const QString& name, const QString& text);
    /// True from alertShowing() of an alert until the alert window closes.
    bool active() const { return m_active; }

    /// How a shown alert window asks the desktop for attention; tests record it instead.
    void setWindowAttention(WindowAttention windowAttention) { m_windowAttention = std::move(windowAttention); }
    /// QWindow::requestActivate and QApplication::alert: the urgency hint on X11, an xdg-activation
    /// request on Wayland where Qt makes one (Qt 6.4 only with a launcher's token); the desktop
    /// decides whether the window comes forward.
    static void requestWindowAttention(QWidget* window);

private:
    void alertShown();
    void alertClosed();
    void actionInvoked(quint64 notice, const QString& actionKey);

    QPointer<TAlertDialog> m_alert;
    QPointer<TTrayIcon> m_tray;
    QPointer<NotificationService> m_notifications;
    WindowAttention m_windowAttention = &AlertAttention::requestWindowAttention;
    QTimer m_shownTimer;
    QString m_name;
    QString m_text;
    quint64 m_notice = 0;
    bool m_active = false;
};
