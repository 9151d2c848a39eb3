#include "ReminderFile.h"

#include "EventFlags.h"

#include <vector>

QStringList BuildDataLines(const QList<Reminder>& rows)
{
    QStringList lines;
    lines.reserve(rows.size());
    for (const Reminder& r : rows) {
        lines.append(r.name % FieldSeparator % r.date % FieldSeparator % r.time % FieldSeparator % r.repeat %
                     FieldSeparator % r.events % FieldSeparator % (r.checked ? u'1' : u'0'));
    }
    return lines;
}

QStringList BuildTextBlocks(const QList<Reminder>& rows)
{
    QStringList lines;
    lines.reserve(rows.size() * 3);
    const QString end = QStringLiteral("==");
    for (qsizetype i = 0; i < rows.size(); ++i) {
        lines.append(u'-' + QString::number(i) + u'-');
        lines.append(rows.at(i).what);
        lines.append(end);
    }
    return lines;
}

QString JoinEditorText(const QStringList& lines)
{
    return lines.join(u'\r');
}

QList<Reminder> ParseDataLines(const QList<QStringView>& lines)
{
    QList<Reminder> rows;
    rows.reserve(lines.size());
    for (QStringView line : lines) {
        if (line.trimmed().isEmpty()) {
            continue;
        }
        Reminder r;
        QString* fields[] = {&r.name, &r.date, &r.time, &r.repeat, &r.events};
        QStringView rest = line;
        bool complete = true;
        for (QString* field : fields) {
            const qsizetype sep = rest.indexOf(FieldSeparator);
            if (sep < 0) {
                complete = false;
                if (field == &r.name) {
                    r.name = rest.toString();
                }
                break;
            }
            *field = rest.first(sep).toString();
            rest = rest.sliced(sep + FieldSeparator.size());
        }
        if (complete) {
            r.checked = HasEventFlag(rest, u'1');
        } else {
            // A short line: never let a blank or partial date reach the engine.
            r.date = r.time = r.repeat = QStringLiteral("0");
            r.events.clear();
            r.checked = false;
        }
        rows.append(std::move(r));
    }
    return rows;
}

namespace {

// The row number N of a block header "-N-" (decimal, no leading zeros), or -1.
qsizetype headerNumber(QStringView line)
{
    if (line.size() < 3 || line.front() != u'-' || line.back() != u'-') {
        return -1;
    }
    const QStringView digits = line.sliced(1, line.size() - 2);
    if (digits.size() > 1 && digits.front() == u'0') {
        return -1;
    }
    if (digits.size() > 18) {
        return -1;
    }
    qsizetype n = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') {
            return -1;
        }
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

} // namespace

void ApplyTextBlocks(QList<Reminder>& rows, const QList<QStringView>& lines)
{
    const qsizetype rowCount = rows.size();
    const qsizetype lineCount = lines.size();
    // First line of each row's header, and for each line the next "==" at or after it.
    std::vector<qsizetype> headerAt(rowCount, -1);
    for (qsizetype i = 0; i < lineCount; ++i) {
        const qsizetype n = headerNumber(lines.at(i));
        if (n >= 0 && n < rowCount && headerAt[n] < 0) {
            headerAt[n] = i;
        }
    }
    std::vector<qsizetype> nextEnd(lineCount + 1, lineCount);
    for (qsizetype i = lineCount - 1; i >= 0; --i) {
        nextEnd[i] = lines.at(i) == u"==" ? i : nextEnd[i + 1];
    }
    for (qsizetype n = 0; n < rowCount; ++n) {
        const qsizetype first = headerAt[n] < 0 ? 0 : headerAt[n] + 1;
        const qsizetype end = nextEnd[first];
        QString what;
        for (qsizetype i = first; i < end; ++i) {
            if (i > first) {
                what += u'\r';
            }
            what += lines.at(i);
        }
        rows[n].what = std::move(what);
    }
}
