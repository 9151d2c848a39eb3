#include "components/TrayBackend.h"

SystemTrayBackend::SystemTrayBackend(QObject* parent) : TrayBackend(parent)
{
    // No context menu is handed to QSystemTrayIcon: the tray icon opens its menu itself, so that
    // the order of its mouse events stays its own.
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayBackend::activated);
}
