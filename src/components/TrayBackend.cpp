#include "components/TrayBackend.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// The sizes panels draw tray icons in, and their doubles for scaled screens.
constexpr int kMarkedSides[] = {16, 22, 24, 32, 44, 48, 64, 96, 128};

QPixmap markedPixmap(const QIcon& icon, int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    icon.paint(&painter, QRect(0, 0, side, side));
    // The dot takes the lower right quarter and a little more, with a white ring that keeps it
    // apart from the icon on any panel colour.
    const qreal diameter = qMax(8.0, side * 0.56);
    const qreal ring = qMax(1.0, side / 16.0);
    const QRectF dot(side - diameter, side - diameter, diameter, diameter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(dot);
    painter.setBrush(QColor(0xd0, 0x10, 0x1a));
    painter.drawEllipse(dot.adjusted(ring, ring, -ring, -ring));
    if (diameter >= 10.0) {
        const qreal stroke = qMax(1.5, diameter / 7.0);
        const qreal x = dot.center().x() - stroke / 2;
        const qreal top = dot.top() + diameter * 0.2;
        const qreal bottom = dot.bottom() - diameter * 0.2;
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(x, top, stroke, (bottom - top) - stroke * 1.8));
        painter.drawRect(QRectF(x, bottom - stroke, stroke, stroke));
    }
    return pixmap;
}

} // namespace

QIcon markedForAttention(const QIcon& icon)
{
    QIcon marked;
    if (icon.isNull()) {
        return marked;
    }
    for (const int side : kMarkedSides) {
        marked.addPixmap(markedPixmap(icon, side));
    }
    return marked;
}

SystemTrayBackend::SystemTrayBackend(QObject* parent) : TrayBackend(parent)
{
    // No context menu is handed to QSystemTrayIcon: the tray icon opens its menu itself, so that
    // the order of its mouse events stays its own.
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayBackend::activated);
    m_trayWatch.setInterval(1000);
    connect(&m_trayWatch, &QTimer::timeout, this, &SystemTrayBackend::lookAtTray);
}

void SystemTrayBackend::setIcon(const QIcon& icon)
{
    m_plain = icon;
    m_icon.setIcon(m_attention ? markedForAttention(icon) : icon);
}

void SystemTrayBackend::setVisible(bool visible)
{
    m_icon.setVisible(visible);
    if (visible) {
        m_trayThere = isAvailable();
        m_trayWatch.start();
    } else {
        m_trayWatch.stop();
    }
}

void SystemTrayBackend::setNeedsAttention(bool attention)
{
    if (attention == m_attention) {
        return;
    }
    m_attention = attention;
    setIcon(m_plain);
}

void SystemTrayBackend::lookAtTray()
{
    const bool there = isAvailable();
    if (there != m_trayThere) {
        m_trayThere = there;
        Q_EMIT availableChanged();
    }
}
