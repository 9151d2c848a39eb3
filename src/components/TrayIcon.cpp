#include "components/TrayIcon.h"

#include "components/DesktopTrayBackend.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

constexpr qsizetype kMaxTipLength = 63;

// Wayland has no minimised state for a program to read: a window asked to minimise may be
// minimised, or left on screen by the compositor, and reads as not minimised either way.
bool minimisedStateKnown()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QString cutTip(const QString& hint)
{
    if (hint.size() <= kMaxTipLength) {
        return hint;
    }
    qsizetype length = kMaxTipLength;
    // Never leave half of a surrogate pair at the end.
    if (hint.at(length - 1).isHighSurrogate()) {
        --length;
    }
    return hint.left(length);
}

} // namespace

TTrayIcon::TTrayIcon(QWidget* owner, TrayBackend* backend, const QList<int>& recheckDelays)
    : QObject(owner), m_owner(owner), m_backend(backend ? backend : new DesktopTrayBackend()),
      m_minimisingReported(minimisedStateKnown())
{
    m_backend->setParent(this);
    connect(m_backend, &TrayBackend::activated, this, &TTrayIcon::handleActivation);
    connect(m_backend, &TrayBackend::availableChanged, this, &TTrayIcon::recheckTray);

    m_icon = QApplication::windowIcon();
    if (m_icon.isNull()) {
        m_icon = QIcon(QStringLiteral(":/nudgelark.png"));
    }
    ModifyIcon();

    m_trayWasAvailable = m_backend->isAvailable();
    // The program may start before the desktop's tray does (a session starting up). A panel on
    // the session bus says when it comes; an XEmbed tray does not, so look again a little later.
    for (const int delay : recheckDelays) {
        QTimer::singleShot(delay, this, &TTrayIcon::recheckTray);
    }
    if (m_owner) {
        m_owner->installEventFilter(this);
    }
}

TTrayIcon::~TTrayIcon()
{
    // The owner may be half destroyed here (this is its child); Qt drops a deleted event filter itself.
    m_backend->setVisible(false);
}

void TTrayIcon::setEnabled(bool enabled)
{
    m_enabled = enabled;
    handMenuToTray();
}

void TTrayIcon::setPopupMenu(QMenu* menu)
{
    m_popupMenu = menu;
    handMenuToTray();
}

void TTrayIcon::handMenuToTray()
{
    // A panel that draws the menu itself would open it whatever Enabled says: it gets none then.
    m_backend->setMenu(m_enabled ? m_popupMenu.data() : nullptr);
}

void TTrayIcon::setNeedsAttention(bool attention)
{
    m_backend->setNeedsAttention(attention);
}

void TTrayIcon::setHint(const QString& hint)
{
    m_hint = hint;
    ModifyIcon();
}

void TTrayIcon::setShowHint(bool showHint)
{
    m_showHint = showHint;
    ModifyIcon();
}

void TTrayIcon::setIcon(const QIcon& icon)
{
    m_icon = icon;
    ModifyIcon();
}

void TTrayIcon::setIconVisible(bool visible)
{
    m_iconVisible = visible;
    m_backend->setVisible(visible);
}

QString TTrayIcon::toolTip() const
{
    if (!m_showHint || m_hint.isEmpty()) {
        return QString();
    }
    return cutTip(m_hint);
}

bool TTrayIcon::trayAvailable() const
{
    return m_backend->isAvailable();
}

void TTrayIcon::ModifyIcon()
{
    m_backend->setIcon(m_icon);
    m_backend->setToolTip(toolTip());
}

void TTrayIcon::RestoreMainForm()
{
    if (!m_owner) {
        return;
    }
    m_minimizedForLackOfTray = false;
    if (m_owner->isMinimized()) {
        m_owner->setWindowState(m_owner->windowState() & ~Qt::WindowMinimized);
    }
    if (m_minimisingReported || !trayAvailable()) {
        setIconVisible(false);
    }
    if (!m_owner) {
        return;
    }
    m_owner->show();
    m_owner->raise();
    m_owner->activateWindow();
}

void TTrayIcon::ShowFromTray()
{
    if (!m_minimisingReported && trayAvailable() && m_owner && m_owner->isVisible()) {
        HideMainForm();
        return;
    }
    RestoreMainForm();
}

void TTrayIcon::HideMainForm()
{
    if (!m_owner) {
        return;
    }
    setIconVisible(true);
    if (!m_owner) {
        return;
    }
    if (trayAvailable()) {
        m_minimizedForLackOfTray = false;
        m_owner->hide();
    } else {
        // Without a tray a hidden window could never be brought back: minimise it instead.
        m_minimizedForLackOfTray = true;
        m_owner->showMinimized();
    }
}

void TTrayIcon::DoMinimizeToTray()
{
    HideMainForm();
    setIconVisible(true);
}

void TTrayIcon::recheckTray()
{
    const bool available = m_backend->isAvailable();
    if (available && !m_trayWasAvailable && m_iconVisible) {
        // Added while there was no tray: add it again now that there is one.
        m_backend->setVisible(false);
        m_backend->setVisible(true);
        if (m_minimizedForLackOfTray && m_owner && (m_owner->isMinimized() || !m_minimisingReported)) {
            m_minimizedForLackOfTray = false;
            m_owner->hide();
        }
    } else if (!available && m_trayWasAvailable && m_iconVisible && m_owner && !m_owner->isVisible()) {
        // The tray went away (a panel crashed) with the window in it: never leave it unreachable.
        m_minimizedForLackOfTray = true;
        m_owner->showMinimized();
    }
    m_trayWasAvailable = available;
}

void TTrayIcon::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    if (!m_enabled) {
        return;
    }
    const QPoint position = QCursor::pos();
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    // A handler may delete the icon (the menu's Exit, for instance): stop as soon as it is gone.
    const QPointer<TTrayIcon> alive(this);
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Q_EMIT MouseDown(Qt::LeftButton, modifiers, position);
        if (alive && m_leftPopup) {
            PopupAtCursor();
        }
        if (alive) {
            Q_EMIT Click();
        }
        if (alive) {
            Q_EMIT MouseUp(Qt::LeftButton, modifiers, position);
        }
        break;
    case QSystemTrayIcon::DoubleClick:
        // The first press and release came as Trigger; this is the second press and release.
        Q_EMIT DblClick();
        if (alive && !m_leftPopup) {
            runDefaultItem();
        }
        if (alive) {
            Q_EMIT MouseUp(Qt::LeftButton, modifiers, position);
        }
        break;
    case QSystemTrayIcon::Context:
        Q_EMIT MouseDown(Qt::RightButton, modifiers, position);
        if (alive) {
            PopupAtCursor();
        }
        if (alive) {
            Q_EMIT MouseUp(Qt::RightButton, modifiers, position);
        }
        break;
    case QSystemTrayIcon::MiddleClick:
        Q_EMIT MouseDown(Qt::MiddleButton, modifiers, position);
        if (alive) {
            Q_EMIT MouseUp(Qt::MiddleButton, modifiers, position);
        }
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void TTrayIcon::runDefaultItem()
{
    if (!m_popupMenu) {
        return;
    }
    if (QAction* item = m_popupMenu->defaultAction()) {
        item->trigger();
    }
}

void TTrayIcon::PopupAtCursor()
{
    if (!m_popupMenu) {
        return;
    }
    if (m_owner && m_owner->isVisible()) {
        m_owner->activateWindow();
    }
    // popup() rather than exec(): the menu must not run a modal loop inside the tray's report,
    // and its items act from the ordinary event loop.
    m_popupMenu->popup(QCursor::pos());
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_owner && event->type() == QEvent::Show && !m_minimisingReported && !m_iconVisible) {
        // A minimised window cannot be seen here, so minimising never takes the window into the
        // tray: the icon stays there while the window shows, and taking the window in is its job.
        setIconVisible(true);
    }
    if (watched == m_owner && event->type() == QEvent::WindowStateChange && m_minimizeToTray &&
        m_owner->isMinimized() && !m_minimizedForLackOfTray) {
        // Hiding a window inside its own state change confuses some window managers: do it next.
        QTimer::singleShot(0, this, [this] {
            if (m_owner && m_owner->isMinimized()) {
                DoMinimizeToTray();
            }
        });
    }
    return QObject::eventFilter(watched, event);
}
