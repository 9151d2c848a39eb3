#pragma once

#include "components/TrayBackend.h"

#include <QIcon>
#include <QStringList>
#include <QWidget>

/// A tray that is there or not as the test says, remembering what reached it. With a log, each add
/// and remove is logged together with the owner window's state at that moment.
class FakeTrayBackend final : public TrayBackend
{
public:
    explicit FakeTrayBackend(bool available = true, QStringList* log = nullptr) : m_log(log), m_available(available) {}

    bool isAvailable() const override { return m_available; }
    void setIcon(const QIcon& icon) override { lastIcon = icon; }
    void setToolTip(const QString& tip) override
    {
        lastTip = tip;
        ++tipWrites;
    }
    void setVisible(bool visible) override
    {
        shown = visible;
        if (!m_log) {
            return;
        }
        QString entry = visible ? QStringLiteral("tray add") : QStringLiteral("tray remove");
        if (owner) {
            entry += owner->isVisible() ? QStringLiteral(" [shown") : QStringLiteral(" [hidden");
            entry += owner->isMinimized() ? QStringLiteral(" minimised]") : QStringLiteral("]");
        }
        m_log->append(entry);
    }
    void setMenu(QMenu* m) override { menu = m; }
    void setNeedsAttention(bool attention) override { needsAttention = attention; }

    /// The tray reports a click or a menu request.
    void report(QSystemTrayIcon::ActivationReason reason) { Q_EMIT activated(reason); }
    /// The tray comes or goes without a word, as an XEmbed tray does.
    void setAvailable(bool available) { m_available = available; }
    /// The tray comes or goes and says so, as a panel on the session bus does.
    void announce(bool available)
    {
        m_available = available;
        Q_EMIT availableChanged();
    }

    QWidget* owner = nullptr;
    QIcon lastIcon;
    QString lastTip;
    int tipWrites = 0;
    bool shown = false;
    QMenu* menu = nullptr;
    bool needsAttention = false;

private:
    QStringList* m_log;
    bool m_available;
};
