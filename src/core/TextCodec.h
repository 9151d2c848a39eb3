#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

/// Decodes file bytes line by line: a line that is valid UTF-8 (the locale's encoding here) is UTF-8,
/// a line that is not is read as Windows-1252, so an old or hand-edited line never fails to load and
/// never changes how its neighbours read. Line ends are kept as they are.
QString DecodeText(const QByteArray& bytes);
/// Decodes Windows-1252 (Latin-1 with its own 0x80-0x9F).
QString DecodeWindows1252(QByteArrayView bytes);
/// Splits at CR LF, a bare CR and a bare LF; a final line end gives no extra empty line.
QList<QStringView> SplitLines(QStringView text);
/// Each line followed by CR LF, encoded in the locale's encoding.
QByteArray JoinLines(const QStringList& lines);

/// The lines of a file kept as byte ranges, decoded on demand, each line in its own encoding
/// (UTF-8 when the line is valid UTF-8, Windows-1252 otherwise).
class ByteLines
{
public:
    struct Span
    {
        qsizetype start;
        qsizetype length;
    };
    explicit ByteLines(const QByteArray& bytes);

    qsizetype size() const { return qsizetype(m_lines.size()); }
    QByteArrayView line(qsizetype i) const { return {m_data + m_lines[i].start, m_lines[i].length}; }
    /// True when line i reads as UTF-8.
    bool isUtf8(qsizetype i) const { return m_allUtf8 || m_lineUtf8[size_t(i)]; }
    /// Decodes bytes taken from a line, in that line's encoding.
    static QString decode(QByteArrayView bytes, bool utf8);
    QString decodeLine(qsizetype i) const { return decode(line(i), isUtf8(i)); }
    /// Lines first..end-1 joined with single CRs.
    QString joinWithCr(qsizetype first, qsizetype end) const;

private:
    const char* m_data;
    bool m_allUtf8;
    std::vector<Span> m_lines;
    std::vector<bool> m_lineUtf8; // per line, filled only when the file as a whole is not UTF-8
};

/// The text without the blanks (spaces and tabs) around it, as Windows trims names and values.
QStringView TrimBlanks(QStringView text);

/// Appends text encoded in the locale's encoding to out.
void AppendEncoded(QByteArray& out, QStringView text);
