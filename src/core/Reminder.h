#pragma once

#include <QDateTime>
#include <QString>

/// One reminder: the row of the main list, every field held as text in its stored form.
struct Reminder
{
    QString name;
    QString date = QStringLiteral("0");
    QString time = QStringLiteral("0");
    QString repeat = QStringLiteral("0");
    QString events;
    QString what;
    QString ponovno = QStringLiteral("0"); // time of day of a pending pause, "0" when none
    bool checked = false;

    // Run-time only, never written to disk.
    QDateTime pausedAt; // the full instant of the pause behind ponovno, so a snooze survives midnight
    quint64 id = 0;     // identity of the row while the program runs, given by the model

    bool operator==(const Reminder& other) const
    {
        return name == other.name && date == other.date && time == other.time && repeat == other.repeat &&
               events == other.events && what == other.what && checked == other.checked;
    }
};

Q_DECLARE_TYPEINFO(Reminder, Q_RELOCATABLE_TYPE);

/// The fields of a row; the six after Name are the row's sub-items 0 to 5.
enum class Field { Name, Date, Time, Repeat, Events, What, Ponovno };
