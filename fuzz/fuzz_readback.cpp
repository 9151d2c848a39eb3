// Lists of rows built from the input: every row that RowReadsBack accepts goes into one list, which
// is saved to the two files' bytes and loaded again. The load must give back the same rows, field
// for field, in the same order, with their texts.
//
// Input: rows split at the byte 0xFF, a row's fields at 0xFE, in the order What, Name, Events, Date,
// Time, Repeat, flags; a field left out takes what the editor would write. A field's first byte
// picks how the rest becomes text: UTF-8, Latin-1, raw UTF-16 (so lone surrogates come too), or
// pieces that the two files give a meaning to, one byte each. The flags field's first byte, when
// odd, checks the row.
#include "core/ReminderFile.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

// Separators, line ends, block lines and field texts, so that short inputs reach them.
const char16_t* const Pieces[] = {
    u" - ",    u" ",      u"-",    u"\r",         u"\n", u"\r\n",     u"==",       u"-0-",       u"-1-",    u"-2-",
    u"-3-",    u"-10-",   u"-01-", u"#",          u"0",  u"1",        u"1,",       u"0,",        u"\t",     u"\f",
    u"\u00e9", u"\u20ac", u"\xa0", u"\U0001F600", u"a",  u"08.12.26", u"09:30:00", u"#08.12.26", u"\u2028", u"\u0085",
};

QString pieces(QByteArrayView bytes)
{
    QString text;
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        constexpr size_t count = sizeof(Pieces) / sizeof(Pieces[0]);
        if (u < count) {
            text += QStringView(Pieces[u]);
        } else {
            text += QChar(char16_t(u - count)); // the other characters, NUL among them
        }
    }
    return text;
}

QString fieldText(QByteArrayView bytes)
{
    if (bytes.isEmpty()) {
        return {};
    }
    const QByteArrayView rest = bytes.sliced(1);
    switch (static_cast<unsigned char>(bytes.front()) % 4) {
    case 0:
        return QString::fromUtf8(rest);
    case 1:
        return QString::fromLatin1(rest);
    case 2:
        return QString(reinterpret_cast<const QChar*>(rest.data()), rest.size() / 2);
    default:
        return pieces(rest);
    }
}

Reminder rowFrom(QByteArrayView bytes)
{
    Reminder r;
    r.name = QStringLiteral("Name");
    r.date = QStringLiteral("#08.12.26");
    r.events = QStringLiteral("2,");
    QString* const texts[] = {&r.what, &r.name, &r.events, &r.date, &r.time, &r.repeat};
    int field = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size() && field < 7; ++i) {
        if (i < bytes.size() && static_cast<unsigned char>(bytes[i]) != 0xFE) {
            continue;
        }
        const QByteArrayView piece = bytes.sliced(start, i - start);
        start = i + 1;
        if (field < 6) {
            *texts[field] = fieldText(piece);
        } else {
            r.checked = !piece.isEmpty() && (piece.front() & 1);
        }
        ++field;
    }
    return r;
}

[[noreturn]] void fail(const char* what, qsizetype row)
{
    std::fprintf(stderr, "accepted row %lld does not read back: %s\n", static_cast<long long>(row), what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<Reminder> accepted;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= input.size(); ++i) {
        if (i < input.size() && static_cast<unsigned char>(input[i]) != 0xFF) {
            continue;
        }
        const Reminder r = rowFrom(input.sliced(start, i - start));
        start = i + 1;
        if (RowReadsBack(r)) {
            accepted.append(r);
        }
    }
    QList<Reminder> back = ParseDataFile(EncodeDataFile(accepted));
    ApplyTextFile(back, EncodeTextFile(accepted));
    if (back.size() != accepted.size()) {
        fail("row count", back.size());
    }
    for (qsizetype i = 0; i < back.size(); ++i) {
        const Reminder& a = accepted.at(i);
        const Reminder& b = back.at(i);
        if (a.name != b.name || a.date != b.date || a.time != b.time || a.repeat != b.repeat) {
            fail("Name, Date, Time or Repeat", i);
        }
        if (a.events != b.events || a.checked != b.checked) {
            fail("Events or the check", i);
        }
        if (a.what != b.what) {
            fail("What", i);
        }
        if (b.ponovno != u"0") {
            fail("Ponovno", i);
        }
    }
    return 0;
}
