#pragma once

#include <QString>
#include <array>

/// What fires a reminder; the value is the flag character in a reminder's Events text.
enum class EventKind : char {
    DateTime = '1',
    Startup = '2',
    Shutdown = '3',
    IConnect = '4',
    IDisConnect = '5',
};

/// The repeat flag's character in the Events text.
inline constexpr QChar RepeatFlag = u'0';

/// True when the character flag occurs anywhere in text; false for an empty text.
bool HasEventFlag(QStringView text, QChar flag);
inline bool HasEventFlag(QStringView text, EventKind kind)
{
    return HasEventFlag(text, QChar(char16_t(kind)));
}

/// The editor's six flags: index 0 the repeat flag, 1 to 5 DateTime .. IDisConnect.
using EventFlagSet = std::array<bool, 6>;

/// Builds the Events text: "1," .. "5," for each set kind in order, then "0," when repeating.
QString BuildEventsText(const EventFlagSet& flags);
