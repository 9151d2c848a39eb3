#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

/// Decodes file bytes as UTF-8 (the locale's encoding here); a file that is not valid UTF-8 is
/// read as Windows-1252, so an old file never fails to load.
QString DecodeText(const QByteArray& bytes);
/// Decodes Windows-1252 (Latin-1 with its own 0x80-0x9F).
QString DecodeWindows1252(QByteArrayView bytes);
/// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(QByteArrayView bytes);
/// Splits at CR LF, a bare CR and a bare LF; a final line end gives no extra empty line.
QList<QStringView> SplitLines(QStringView text);
/// Each line followed by CR LF, encoded in the locale's encoding.
QByteArray JoinLines(const QStringList& lines);

/// The lines of a file kept as byte ranges, decoded on demand in the file's encoding.
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
    QString decode(QByteArrayView bytes) const;
    QString decodeLine(qsizetype i) const { return decode(line(i)); }
    /// Lines first..end-1 joined with single CRs.
    QString joinWithCr(qsizetype first, qsizetype end) const;

private:
    const char* m_data;
    bool m_utf8;
    std::vector<Span> m_lines;
};

/// The text without the blanks (spaces and tabs) around it, as Windows trims names and values.
QStringView TrimBlanks(QStringView text);

/// Appends text encoded in the locale's encoding to out.
void AppendEncoded(QByteArray& out, QStringView text);
