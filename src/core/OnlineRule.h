#pragma once

#include <QStringList>

/// Online when the last address of the computer's own list is not empty and not "127.0.0.1".
bool IsOnlineByAddresses(const QStringList& addresses);
