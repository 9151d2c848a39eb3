#include "components/DesktopTrayBackend.h"

#include "components/SniTrayBackend.h"

#include <QMenu>

DesktopTrayBackend::DesktopTrayBackend(QObject* parent)
    : DesktopTrayBackend(
          QDBusConnection::sessionBus(), QString(), [] { return new SystemTrayBackend(); }, parent)
{}

DesktopTrayBackend::DesktopTrayBackend(const QDBusConnection& bus, const QString& itemBusAddress,
                                       TrayFactory makeXEmbedTray, QObject* parent)
    : TrayBackend(parent), m_makeXEmbed(std::move(makeXEmbedTray))
{
    if (bus.isConnected()) {
        m_sni = new SniTrayBackend(bus, itemBusAddress, this);
        connect(m_sni, &TrayBackend::activated, this, &TrayBackend::activated);
        connect(m_sni, &TrayBackend::availableChanged, this, &DesktopTrayBackend::follow);
        m_usingSni = m_sni->watcherPresent();
    }
}

DesktopTrayBackend::~DesktopTrayBackend() = default;

bool DesktopTrayBackend::usesStatusNotifierItem() const
{
    return m_sni && m_sni->watcherPresent();
}

bool DesktopTrayBackend::isAvailable() const
{
    if (usesStatusNotifierItem()) {
        return m_sni->isAvailable();
    }
    // Asking Qt is safe now: with no watcher on the bus it settles on the XEmbed tray.
    return const_cast<DesktopTrayBackend*>(this)->xembed()->isAvailable();
}

void DesktopTrayBackend::setIcon(const QIcon& icon)
{
    m_icon = icon;
    if (m_sni) {
        m_sni->setIcon(icon);
    }
    if (m_xembed) {
        m_xembed->setIcon(icon);
    }
}

void DesktopTrayBackend::setToolTip(const QString& tip)
{
    m_tip = tip;
    if (m_sni) {
        m_sni->setToolTip(tip);
    }
    if (m_xembed) {
        m_xembed->setToolTip(tip);
    }
}

void DesktopTrayBackend::setVisible(bool visible)
{
    m_visible = visible;
    applyVisible();
}

void DesktopTrayBackend::setMenu(QMenu* menu)
{
    m_menu = menu;
    if (m_sni) {
        m_sni->setMenu(menu);
    }
    if (m_xembed) {
        m_xembed->setMenu(menu);
    }
}

void DesktopTrayBackend::setNeedsAttention(bool attention)
{
    m_needsAttention = attention;
    if (m_sni) {
        m_sni->setNeedsAttention(attention);
    }
    if (m_xembed) {
        m_xembed->setNeedsAttention(attention);
    }
}

TrayBackend* DesktopTrayBackend::xembed()
{
    if (!m_xembed) {
        m_xembed = m_makeXEmbed();
        m_xembed->setParent(this);
        connect(m_xembed, &TrayBackend::activated, this, &TrayBackend::activated);
        connect(m_xembed, &TrayBackend::availableChanged, this, &TrayBackend::availableChanged);
        m_xembed->setIcon(m_icon);
        m_xembed->setToolTip(m_tip);
        m_xembed->setMenu(m_menu);
        m_xembed->setNeedsAttention(m_needsAttention);
    }
    return m_xembed;
}

void DesktopTrayBackend::follow()
{
    const bool sni = usesStatusNotifierItem();
    if (sni != m_usingSni) {
        m_usingSni = sni;
        applyVisible();
    }
    Q_EMIT availableChanged();
}

void DesktopTrayBackend::applyVisible()
{
    if (m_usingSni) {
        if (m_xembed) {
            m_xembed->setVisible(false);
        }
        m_sni->setVisible(m_visible);
        return;
    }
    if (m_sni) {
        m_sni->setVisible(false);
    }
    if (m_visible || m_xembed) {
        xembed()->setVisible(m_visible);
    }
}
