#include "EventFlags.h"

bool HasEventFlag(QStringView text, QChar flag)
{
    // A plain walk: the texts are a few characters long and this runs for every row every second.
    for (QChar c : text) {
        if (c == flag) {
            return true;
        }
    }
    return false;
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
