// The text forms of dates and times, and the trigger rules over a row built from them.
#include "core/DateText.h"
#include "core/TriggerRules.h"

#include <QByteArray>
#include <QString>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList parts = text.split(u'|');
    const QDate date = ParseDate(parts.value(0), 2026);
    const QTime time = ParseTime(parts.value(0));
    const bool inWindow = date.isValid() && date.year() >= 1976 && date.year() <= 2075;
    if (inWindow && ParseDate(FormatDate(date), 2026) != date) {
        std::abort();
    }
    if (time.isValid() && ParseTime(FormatTime(time)) != time) {
        std::abort();
    }
    Reminder r;
    r.date = parts.value(0);
    r.time = parts.value(1, QStringLiteral("0"));
    r.repeat = parts.value(2, QStringLiteral("0"));
    r.events = parts.value(3, QStringLiteral("1,0,"));
    r.ponovno = parts.value(4, QStringLiteral("0"));
    const QDateTime now(QDate(2026, 12, 8), QTime(23, 59, 30));
    ClassifyRow(r, 2026);
    if (const auto due = DueInstant(r, now)) {
        Reminder stepped = r;
        ApplyRepeatStep(stepped, *due);
    }
    ShouldFire(r, now);
    Reminder caught = r;
    CatchUpRow(caught, now);
    AlertOnText(r);
    SnoozeDue(r, now, 5);
    return 0;
}
