#include "core/OnlineRule.h"

bool IsOnlineByAddresses(const QStringList& addresses)
{
    if (addresses.isEmpty()) {
        return false;
    }
    // Only the last address counts, whatever the earlier ones are.
    const QString& last = addresses.constLast();
    return !last.isEmpty() && last != QLatin1String("127.0.0.1");
}
