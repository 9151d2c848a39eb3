#include "ReminderFile.h"

#include "LargePages.h"
#include "TextCodec.h"

#include <cstring>
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

// Short field texts repeat from row to row ("0", "1,", the floating date of today, a few times of
// day): rows share one copy of a text met on one of the last lines, which saves memory and allocations.
class RepeatedText
{
public:
    QString take(QByteArrayView bytes, bool utf8)
    {
        if (bytes.size() == 1 && bytes[0] == '0') {
            return zero();
        }
        if (bytes.size() > MaxSharedBytes) {
            return ByteLines::decode(bytes, utf8);
        }
        for (const Entry& e : m_recent) {
            if (e.used && e.utf8 == utf8 && e.bytes == bytes) {
                return e.text;
            }
        }
        Entry& e = m_recent[m_next];
        m_next = (m_next + 1) % Entries;
        e.text = ByteLines::decode(bytes, utf8);
        e.bytes = bytes; // a view into the file's bytes, which outlive the parse
        e.utf8 = utf8;
        e.used = true;
        return e.text;
    }
    static QString zero()
    {
        static const QString z = QStringLiteral("0");
        return z;
    }

private:
    static constexpr qsizetype MaxSharedBytes = 16;
    static constexpr int Entries = 8;
    struct Entry
    {
        QByteArrayView bytes;
        QString text;
        bool utf8 = true;
        bool used = false;
    };
    Entry m_recent[Entries];
    int m_next = 0;
};

// True when text, read from bytes, is nothing but white space. Looking at the bytes settles it
// for every field that holds a printable ASCII character, without a trimmed copy.
bool isBlankText(QByteArrayView bytes, const QString& text)
{
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80 && u != ' ' && (u < 0x09 || u > 0x0D)) {
            return false;
        }
    }
    return text.trimmed().isEmpty();
}

// The fields of one data-file line: the text up to each of the first five separators, then what
// remains. A short line has fewer fields; the one after its last separator is still a field.
struct LineFields
{
    QByteArrayView field[6];
    int count = 0;
};

LineFields splitDataLine(QByteArrayView line)
{
    LineFields f;
    const char* const text = line.data();
    const qsizetype size = line.size();
    qsizetype field = 0;
    // The hyphen of " - " is looked for: names are full of blanks, hyphens are rare.
    qsizetype from = 1;
    while (f.count < 5 && from < size - 1) {
        const auto* hyphen = static_cast<const char*>(std::memchr(text + from, '-', size_t(size - 1 - from)));
        if (!hyphen) {
            break;
        }
        const qsizetype at = hyphen - text;
        if (text[at - 1] == ' ' && text[at + 1] == ' ') {
            f.field[f.count++] = line.sliced(field, at - 1 - field);
            field = at + 2;
            from = field + 1;
        } else {
            from = at + 1;
        }
    }
    f.field[f.count++] = line.sliced(field);
    return f;
}

bool isBlank(QByteArrayView line)
{
    for (char c : line) {
        if (c != ' ' && c != '\t' && c != '\f' && c != '\v') {
            return false;
        }
    }
    return true;
}

bool isBlockEnd(QByteArrayView line)
{
    return line == QByteArrayView("==");
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
    RepeatedText repeated[4]; // Date, Time, Repeat, Events
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArrayView line = lines.line(i);
        if (isBlank(line)) {
            continue;
        }
        const LineFields f = splitDataLine(line);
        const bool utf8 = lines.isUtf8(i);
        Reminder& r = rows.emplace_back();
        r.name = ByteLines::decode(f.field[0], utf8);
        // A field a hand-edited line leaves out keeps its default ("0", empty Events, unchecked),
        // and a blank date, time or step reads as "0": none reaches the engine.
        QString* const texts[3] = {&r.date, &r.time, &r.repeat};
        for (int k = 1; k <= 3 && k < f.count; ++k) {
            *texts[k - 1] = repeated[k - 1].take(f.field[k], utf8);
            if (isBlankText(f.field[k], *texts[k - 1])) {
                *texts[k - 1] = RepeatedText::zero();
            }
        }
        if (f.count > 4) {
            r.events = repeated[3].take(f.field[4], utf8);
        }
        if (f.count > 5) {
            r.checked = std::memchr(f.field[5].data(), '1', size_t(f.field[5].size())) != nullptr;
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
        nextEnd[size_t(i)] = isBlockEnd(line) ? i : nextEnd[size_t(i) + 1];
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

std::optional<Field> FieldNotReadingBack(const Reminder& r)
{
    // A name is one line of text; a tab or a control character is no part of one, even where the
    // reader would keep it.
    for (QChar c : r.name) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph) {
            return Field::Name;
        }
    }
    const QList<Reminder> one{r};
    const QList<Reminder> back = ParseDataFile(EncodeDataFile(one));
    const Reminder read = back.isEmpty() ? Reminder{} : back.first();
    const std::pair<Field, bool> same[] = {
        {Field::Name, read.name == r.name},
        {Field::Date, read.date == r.date},
        {Field::Time, read.time == r.time},
        {Field::Repeat, read.repeat == r.repeat},
        // Where Events ends decides where the check field starts.
        {Field::Events, read.events == r.events && read.checked == r.checked && back.size() == 1},
    };
    for (const auto& [field, equal] : same) {
        if (!equal) {
            return field;
        }
    }
    const QByteArray block = EncodeTextFile(one);
    const ByteLines lines(block);
    // In a long enough list any "-N-" heads some row's block, so no text line may read as one.
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        if (isBlockEnd(lines.line(i)) || headerNumber(lines.line(i)) >= 0) {
            return Field::What;
        }
    }
    QList<Reminder> texts(1);
    ApplyTextFile(texts, block);
    if (texts.first().what != r.what) {
        return Field::What;
    }
    return std::nullopt;
}
