#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// The fixed text forms of dates ("dd.mm.yy") and times ("HH:mm:ss"), whatever the locale says.

/// "dd.mm.yy", two digits each.
QString FormatDate(QDate date);
/// "HH:mm:ss", 24-hour clock.
QString FormatTime(QTime time);
/// Reads "d.m.yy" (one or two digits for day and month); a two-digit year falls in the hundred
/// years that start 50 years before currentYear; four digits are the year itself. Anything else
/// gives an invalid date.
QDate ParseDate(QStringView text, int currentYear);
/// Reads "H:m:s" (hours 0-23); anything else gives an invalid time.
QTime ParseTime(QStringView text);
/// True for a floating date, "#" followed by a date.
inline bool IsFloatingDate(QStringView date)
{
    return date.startsWith(u'#');
}
/// True for a fixed date: not "0" and not floating.
inline bool IsFixedDate(QStringView date)
{
    return date != u"0" && !IsFloatingDate(date);
}
