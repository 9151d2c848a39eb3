#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cstring>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; the five unassigned bytes keep their C1 value.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = (u >= 0x80 && u < 0xA0) ? QChar(cp1252High[u - 0x80]) : QChar(char16_t(u));
    }
    return text;
}

QString DecodeText(const QByteArray& bytes)
{
    if (bytes.isValidUtf8()) {
        return QString::fromUtf8(bytes);
    }
    QString text;
    text.reserve(bytes.size());
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (p < end) {
        const char* eol = p;
        while (eol < end && *eol != '\r' && *eol != '\n') {
            ++eol;
        }
        const QByteArrayView line(p, eol - p);
        text += ByteLines::decode(line, line.isValidUtf8());
        if (eol == end) {
            break;
        }
        text += QLatin1Char(*eol);
        p = eol + 1;
    }
    return text;
}

void AppendEncoded(QByteArray& out, QStringView text)
{
    const qsizetype used = out.size();
    const qsizetype needed = used + text.size() * 3;
    if (out.capacity() < needed) {
        out.reserve(qMax(needed, out.capacity() * 2));
    }
    // Plain ASCII is copied straight; anything else goes through the UTF-8 encoder.
    const char16_t* src = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    out.resize(used + n);
    char* dst = out.data() + used;
    for (; i < n && src[i] < 0x80; ++i) {
        dst[i] = char(src[i]);
    }
    if (i < n) {
        out.resize(used + i);
        out.append(text.sliced(i).toUtf8());
    }
}

QList<QStringView> SplitLines(QStringView text)
{
    QList<QStringView> lines;
    const qsizetype n = text.size();
    const QChar* data = text.data();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = data[i].unicode();
        if (c == u'\r' || c == u'\n') {
            lines.append(text.sliced(start, i - start));
            if (c == u'\r' && i + 1 < n && data[i + 1] == u'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < n) {
        lines.append(text.sliced(start));
    }
    return lines;
}

QByteArray JoinLines(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines) {
        AppendEncoded(out, line);
        out.append("\r\n", 2);
    }
    return out;
}

ByteLines::ByteLines(const QByteArray& bytes) : m_data(bytes.constData()), m_allUtf8(bytes.isValidUtf8())
{
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    m_lines.reserve(size_t(bytes.size() / 24 + 1));
    const char* lf = nullptr; // the next LF at or after p, or end when there is none
    while (p < end) {
        // The nearer of the next CR and the next LF ends the line. A text's lines are kept apart by
        // bare CRs, so one LF ends several lines: it is looked for once.
        if (!lf || lf < p) {
            lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            if (!lf) {
                lf = end;
            }
        }
        const char* limit = lf;
        const auto* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(limit - p)));
        const char* eol = cr ? cr : limit;
        m_lines.push_back({qsizetype(p - m_data), qsizetype(eol - p)});
        if (eol == end) {
            break;
        }
        p = eol + 1;
        if (*eol == '\r' && p < end && *p == '\n') {
            ++p;
        }
    }
    if (!m_allUtf8) {
        // One stray byte decides for its own line only.
        m_lineUtf8.reserve(m_lines.size());
        for (qsizetype i = 0; i < size(); ++i) {
            m_lineUtf8.push_back(line(i).isValidUtf8());
        }
    }
}

QString ByteLines::decode(QByteArrayView bytes, bool utf8)
{
    return utf8 ? QString::fromUtf8(bytes) : DecodeWindows1252(bytes);
}

QString ByteLines::joinWithCr(qsizetype first, qsizetype end) const
{
    if (first >= end) {
        return {};
    }
    // Texts written by the program keep their lines apart with single CRs and in one encoding:
    // decode them in one go.
    const bool utf8 = isUtf8(first);
    bool contiguous = true;
    for (qsizetype i = first; i + 1 < end && contiguous; ++i) {
        const Span& a = m_lines[i];
        contiguous = m_lines[i + 1].start == a.start + a.length + 1 && m_data[a.start + a.length] == '\r' &&
                     isUtf8(i + 1) == utf8;
    }
    if (contiguous) {
        const qsizetype start = m_lines[first].start;
        const Span& last = m_lines[end - 1];
        return decode({m_data + start, last.start + last.length - start}, utf8);
    }
    QString joined;
    for (qsizetype i = first; i < end; ++i) {
        if (i > first) {
            joined += u'\r';
        }
        joined += decodeLine(i);
    }
    return joined;
}

QStringView TrimBlanks(QStringView text)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}
