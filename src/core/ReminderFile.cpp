#include "ReminderFile.h"

#include "LargePages.h"
#include "TextCodec.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace {

// The pieces of one data-file line, handed to out one by one; the same pieces make the line
// buffer's text and the file's bytes.
template <typename Out>
void emitDataLine(const Reminder& r, Out&& out)
{
    out(r.name);
    out(FieldSeparator);
    out(r.date);
    out(FieldSeparator);
    out(r.time);
    out(FieldSeparator);
    out(r.repeat);
    out(FieldSeparator);
    out(r.events);
    out(FieldSeparator);
    out(r.checked ? QStringView(u"1") : QStringView(u"0"));
}

template <typename Out>
void emitTextBlock(qsizetype index, const Reminder& r, Out&& line)
{
    line(QString(u'-' + QString::number(index) + u'-'));
    line(r.what);
    line(QStringView(u"=="));
}

// Short field texts repeat from row to row ("0", "1,", the floating date of today): rows share
// one copy of a text equal to the previous row's, which saves memory and allocations.
class RepeatedText
{
public:
    QString take(const ByteLines& lines, QByteArrayView bytes)
    {
        if (bytes.size() == 1 && bytes[0] == '0') {
            return zero();
        }
        if (bytes.size() <= 16 && m_valid && bytes == QByteArrayView(m_bytes)) {
            return m_text;
        }
        m_text = lines.decode(bytes);
        m_bytes = bytes; // a view into the file's bytes, which outlive the parse
        m_valid = bytes.size() <= 16;
        return m_text;
    }
    static QString zero()
    {
        static const QString z = QStringLiteral("0");
        return z;
    }

private:
    QByteArrayView m_bytes;
    QString m_text;
    bool m_valid = false;
};

bool isBlank(QByteArrayView line)
{
    for (char c : line) {
        if (c != ' ' && c != '\t' && c != '\f' && c != '\v') {
            return false;
        }
    }
    return true;
}

// The row number N of a block header "-N-" (decimal, no leading zeros), or -1.
qsizetype headerNumber(QByteArrayView line)
{
    if (line.size() < 3 || line.size() > 20 || line.front() != '-' || line.back() != '-') {
        return -1;
    }
    const QByteArrayView digits = line.sliced(1, line.size() - 2);
    if (digits.size() > 1 && digits.front() == '0') {
        return -1;
    }
    qsizetype n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return -1;
        }
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

QStringList BuildDataLines(const QList<Reminder>& rows)
{
    QStringList lines;
    lines.reserve(rows.size());
    for (const Reminder& r : rows) {
        QString line;
        emitDataLine(r, [&line](QStringView piece) { line += piece; });
        lines.append(line);
    }
    return lines;
}

QStringList BuildTextBlocks(const QList<Reminder>& rows)
{
    QStringList lines;
    lines.reserve(rows.size() * 3);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        emitTextBlock(i, rows.at(i), [&lines](QStringView line) { lines.append(line.toString()); });
    }
    return lines;
}

QString JoinEditorText(const QStringList& lines)
{
    return lines.join(u'\r');
}

QByteArray EncodeDataFile(const QList<Reminder>& rows)
{
    QByteArray out;
    out.reserve(rows.size() * 64);
    for (const Reminder& r : rows) {
        emitDataLine(r, [&out](QStringView piece) { AppendEncoded(out, piece); });
        out.append("\r\n", 2);
    }
    return out;
}

QByteArray EncodeTextFile(const QList<Reminder>& rows)
{
    QByteArray out;
    out.reserve(rows.size() * 64);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        emitTextBlock(i, rows.at(i), [&out](QStringView line) {
            AppendEncoded(out, line);
            out.append("\r\n", 2);
        });
    }
    return out;
}

QList<Reminder> ParseDataFile(const QByteArray& bytes)
{
    const ByteLines lines(bytes);
    QList<Reminder> rows;
    rows.reserve(lines.size());
    AdviseLargePages(rows.data(), lines.size() * qsizetype(sizeof(Reminder)));
    RepeatedText dates;
    RepeatedText times;
    RepeatedText repeats;
    RepeatedText events;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArrayView line = lines.line(i);
        if (isBlank(line)) {
            continue;
        }
        const std::string_view text(line.data(), size_t(line.size()));
        QByteArrayView fields[5];
        size_t pos = 0;
        int found = 0;
        for (; found < 5; ++found) {
            const size_t sep = text.find(" - ", pos);
            if (sep == std::string_view::npos) {
                break;
            }
            fields[found] = line.sliced(qsizetype(pos), qsizetype(sep - pos));
            pos = sep + 3;
        }
        Reminder& r = rows.emplace_back();
        if (found == 5) {
            r.name = lines.decode(fields[0]);
            r.date = dates.take(lines, fields[1]);
            r.time = times.take(lines, fields[2]);
            r.repeat = repeats.take(lines, fields[3]);
            r.events = events.take(lines, fields[4]);
            r.checked = std::memchr(text.data() + pos, '1', text.size() - pos) != nullptr;
            // A hand-edited line may leave a field blank: no blank date, time or step reaches the engine.
            for (QString* field : {&r.date, &r.time, &r.repeat}) {
                if (field->trimmed().isEmpty()) {
                    *field = RepeatedText::zero();
                }
            }
        } else {
            // A short line: it keeps its name; a blank or partial date never reaches the engine.
            r.name = lines.decode(found > 0 ? fields[0] : line);
            r.date = r.time = r.repeat = RepeatedText::zero();
        }
    }
    return rows;
}

void ApplyTextFile(QList<Reminder>& rows, const QByteArray& bytes)
{
    const ByteLines lines(bytes);
    const qsizetype rowCount = rows.size();
    const qsizetype lineCount = lines.size();
    // The first header line of each row, and for each line the next "==" at or after it.
    std::vector<qsizetype> headerAt(size_t(rowCount), -1);
    std::vector<qsizetype> nextEnd(size_t(lineCount) + 1, lineCount);
    for (qsizetype i = lineCount - 1; i >= 0; --i) {
        const QByteArrayView line = lines.line(i);
        nextEnd[size_t(i)] = line == QByteArrayView("==") ? i : nextEnd[size_t(i) + 1];
        const qsizetype n = headerNumber(line);
        if (n >= 0 && n < rowCount) {
            headerAt[size_t(n)] = i; // walking backwards leaves the first occurrence
        }
    }
    for (qsizetype n = 0; n < rowCount; ++n) {
        const qsizetype first = headerAt[size_t(n)] < 0 ? 0 : headerAt[size_t(n)] + 1;
        rows[n].what = lines.joinWithCr(first, nextEnd[size_t(first)]);
    }
}
