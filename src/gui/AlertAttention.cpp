#include "gui/AlertAttention.h"

#include "components/TrayIcon.h"
#include "core/NotificationService.h"
#include "gui/AlertD.h"

#include <QApplication>
#include <QWindow>

AlertAttention::AlertAttention(TAlertDialog& alert, TTrayIcon& tray, NotificationService* notifications,
                               QObject* parent)
    : QObject(parent), m_alert(&alert), m_tray(&tray), m_notifications(notifications)
{
    // The alert is shown by a modal loop that starts after alertShowing(): a zero timer fires in
    // that loop, once the window is up (and after the autosave of the change that fired it).
    m_shownTimer.setSingleShot(true);
    m_shownTimer.setInterval(0);
    connect(&m_shownTimer, &QTimer::timeout, this, &AlertAttention::alertShown);
    // OK, Pause, Help and CheckTimer all close the alert through QDialog::done.
    connect(&alert, &QDialog::finished, this, &AlertAttention::alertClosed);
    if (m_notifications) {
        connect(m_notifications, &NotificationService::actionInvoked, this, &AlertAttention::actionInvoked);
    }
}

AlertAttention::~AlertAttention()
{
    alertClosed();
}

void AlertAttention::alertShowing(const QString& name, const QString& text)
{
    if (!m_alert || m_alert->isViewMode()) {
        return;
    }
    alertClosed(); // whatever an earlier alert left behind
    m_active = true;
    m_name = name;
    m_text = text;
    m_shownTimer.start();
}

void AlertAttention::requestWindowAttention(QWidget* window)
{
    QApplication::alert(window);
    if (QWindow* handle = window->windowHandle()) {
        handle->requestActivate();
    }
}

void AlertAttention::alertShown()
{
    if (!m_active || !m_alert || !m_alert->isVisible()) {
        return;
    }
    if (m_tray) {
        m_tray->setNeedsAttention(true);
    }
    if (m_notifications) {
        Notice notice;
        notice.summary = m_name.isEmpty() ? m_alert->windowTitle() : m_name;
        notice.body = m_text;
        notice.actions = {{QStringLiteral("ok"), QStringLiteral("OK")},
                          {QStringLiteral("pause"), QStringLiteral("Pause")}};
        notice.critical = true;
        m_notice = m_notifications->post(notice);
    }
    if (m_windowAttention) {
        m_windowAttention(m_alert);
    }
}

void AlertAttention::alertClosed()
{
    m_shownTimer.stop();
    if (!m_active) {
        return;
    }
    m_active = false;
    if (m_tray) {
        m_tray->setNeedsAttention(false);
    }
    if (m_notice != 0 && m_notifications) {
        m_notifications->withdraw(m_notice);
    }
    m_notice = 0;
}

void AlertAttention::actionInvoked(quint64 notice, const QString& actionKey)
{
    if (!m_active || notice != m_notice || !m_alert || !m_alert->isVisible()) {
        return;
    }
    // The alert's own handlers, so that every rule of its buttons holds.
    if (actionKey == QStringLiteral("ok")) {
        m_alert->OKAOLClick();
    } else if (actionKey == QStringLiteral("pause")) {
        m_alert->PauseAOLClick();
    }
}
