#include "EditorFields.h"

#include "DateText.h"
#include "ReminderFile.h"

void ApplyDateTimeRule(EditorFields& f)
{
    f.specDateEnabled = f.dateTime;
    f.specTimeEnabled = f.dateTime;
    f.label3Enabled = f.dateTime;
    f.repeatEnabled = f.dateTime;
}

void ApplySpecDateRule(EditorFields& f)
{
    f.label1Enabled = f.specDate;
    f.dateEnabled = f.specDate;
}

void ApplySpecTimeRule(EditorFields& f)
{
    f.label5Enabled = f.specTime;
    f.timeEnabled = f.specTime;
}

void SetDateTimeBox(EditorFields& f, bool on)
{
    if (f.dateTime != on) {
        f.dateTime = on;
        ApplyDateTimeRule(f);
    }
}

void SetSpecDateBox(EditorFields& f, bool on)
{
    if (f.specDate != on) {
        f.specDate = on;
        ApplySpecDateRule(f);
    }
}

void SetSpecTimeBox(EditorFields& f, bool on)
{
    if (f.specTime != on) {
        f.specTime = on;
        ApplySpecTimeRule(f);
    }
}

EditorFields ResetEditorFields(EditorFields f)
{
    f.what.clear();
    SetDateTimeBox(f, false);
    f.startup = false;
    f.shutdown = false;
    f.iConnect = false;
    f.iDisConnect = false;
    f.dateEnabled = false;
    f.timeEnabled = false;
    f.name.clear();
    SetSpecDateBox(f, false);
    SetSpecTimeBox(f, false);
    f.repeat.clear();
    return f;
}

EditorFields FieldsForRow(EditorFields f, const Reminder& row, const QDateTime& now)
{
    f.what = row.what;
    f.date = now.date();
    f.time = now.time();
    f.repeat = row.repeat;
    f.name = row.name;
    if (IsFixedDate(row.date)) {
        SetSpecDateBox(f, true);
        f.specDateEnabled = true;
        const QDate date = ParseDate(row.date, now.date().year());
        if (date.isValid()) {
            f.date = date;
        }
    }
    if (row.time != u"0") {
        SetSpecTimeBox(f, true);
        f.specTimeEnabled = true;
        const QTime time = ParseTime(row.time);
        if (time.isValid()) {
            f.time = time;
        }
    }
    if (HasEventFlag(row.events, EventKind::DateTime)) {
        SetDateTimeBox(f, true);
    }
    // The rule of "on specific date/time" runs once more, whatever the box's state: without the
    // flag it disables the two boxes just enabled.
    ApplyDateTimeRule(f);
    f.startup = HasEventFlag(row.events, EventKind::Startup);
    f.shutdown = HasEventFlag(row.events, EventKind::Shutdown);
    f.iConnect = HasEventFlag(row.events, EventKind::IConnect);
    f.iDisConnect = HasEventFlag(row.events, EventKind::IDisConnect);
    return f;
}

QString RepeatFieldValue(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? QString::number(value) : QStringLiteral("0");
}

bool RepeatInRange(const QString& text, bool specificDate)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return true;
    }
    bool ok = false;
    const qlonglong n = trimmed.toLongLong(&ok);
    if (!ok) {
        // Text that is not a whole number (set from a hand-edited data file): refused like a step out of range.
        return false;
    }
    if (specificDate && n > 1000) {
        return false;
    }
    return n <= 1440;
}

EventFlagSet ReadFlags(const EditorFields& f)
{
    return {RepeatFieldValue(f.repeat) != u"0", f.dateTime, f.startup, f.shutdown, f.iConnect, f.iDisConnect};
}

Reminder RowFromFields(const EditorFields& f, EditorMode mode, QDate today)
{
    Reminder r;
    r.name = f.name;
    r.date = u'#' + FormatDate(today);
    // New mode writes the date and time boxes as they stand; Edit mode only under "on specific date/time".
    const bool takeDateTime = mode == EditorMode::New || f.dateTime;
    if (takeDateTime && f.specDate) {
        r.date = FormatDate(f.date);
    }
    if (takeDateTime && f.specTime) {
        r.time = FormatTime(f.time);
    }
    const QString step = RepeatFieldValue(f.repeat);
    if (takeDateTime && step != u"0") {
        r.repeat = step;
    }
    r.events = BuildEventsText(ReadFlags(f));
    r.what = f.what;
    return r;
}

EditorRefusal RefusalFor(const EditorFields& f, EditorMode mode, const Reminder& row)
{
    if (f.name.isEmpty()) {
        return EditorRefusal::NoName;
    }
    if (mode == EditorMode::New && f.what.isEmpty()) {
        return EditorRefusal::NoText;
    }
    const std::optional<Field> field = FieldNotReadingBack(row);
    if (!field) {
        return EditorRefusal::None;
    }
    if (*field == Field::Name) {
        return EditorRefusal::NameUnsavable;
    }
    return *field == Field::What ? EditorRefusal::TextUnsavable : EditorRefusal::RowUnsavable;
}

QString RefusalMessage(EditorRefusal refusal)
{
    switch (refusal) {
    case EditorRefusal::None:
        return {};
    case EditorRefusal::NoName:
        return QStringLiteral("Reminder name not specified!");
    case EditorRefusal::NoText:
        return QStringLiteral("Reminde text not specified!");
    case EditorRefusal::NameUnsavable:
        return QStringLiteral("Reminder name contains characters that cannot be saved!");
    case EditorRefusal::TextUnsavable:
        return QStringLiteral("Reminder text contains a line that cannot be saved!");
    case EditorRefusal::RowUnsavable:
        break;
    }
    return QStringLiteral("Reminder cannot be saved as entered!");
}

QString InvalidRepeatMessage()
{
    return QStringLiteral("Invalid repeat interval!");
}
