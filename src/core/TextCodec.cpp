#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; the five unassigned bytes keep their C1 value.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString DecodeWindows1252(const QByteArray& bytes)
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
    QStringDecoder decoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return DecodeWindows1252(bytes);
    }
    return text;
}

QByteArray EncodeText(QStringView text)
{
    QStringEncoder encoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
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
    qsizetype total = 0;
    for (const QString& line : lines) {
        total += line.size() + 2;
    }
    QString all;
    all.reserve(total);
    for (const QString& line : lines) {
        all += line;
        all += QStringLiteral("\r\n");
    }
    return EncodeText(all);
}
