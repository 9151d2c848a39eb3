#include "EventFlags.h"

bool HasEventFlag(QStringView text, QChar flag)
{
    return text.contains(flag);
}

QString BuildEventsText(const EventFlagSet& flags)
{
    QString events;
    for (int i = 1; i <= 5; ++i) {
        if (flags[i]) {
            events += QChar(u'0' + i);
            events += u',';
        }
    }
    if (flags[0]) {
        events += QStringLiteral("0,");
    }
    return events;
}
