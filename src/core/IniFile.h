#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// A Windows-style INI file (sections, Key=value lines) that keeps every line it does not change.
/// Section and key names match without regard to case; values are plain text without quotes.
class IniFile
{
public:
    /// The longest value text that value() gives, as the Windows profile functions read.
    static constexpr qsizetype MaxValueLength = 2047;

    IniFile() = default;

    /// Reads the file at path; a missing file gives an empty file. False when the file exists but
    /// cannot be read (then the content is empty).
    bool load(const QString& path);
    /// Takes the content from bytes in UTF-8, or in Windows-1252 when they are not valid UTF-8.
    void setBytes(const QByteArray& bytes);

    /// The value of key in section, blanks around it removed, cut to MaxValueLength; empty when missing.
    QString value(QStringView section, QStringView key) const;
    bool contains(QStringView section, QStringView key) const;
    /// Replaces the key's value where it stands, or appends the key to the end of its section, or
    /// appends the section with the key to the end of the file. Line breaks in value become blanks.
    void setValue(const QString& section, const QString& key, const QString& value);

    /// The file's lines as they will be written.
    const QStringList& lines() const { return m_lines; }
    /// The content in UTF-8, each line ended by CR LF.
    QByteArray toBytes() const;
    /// Writes the content to path through a temporary file; false when it cannot be written.
    bool save(const QString& path) const;

private:
    struct KeyLine
    {
        QStringView key;
        QStringView value;
    };
    static bool sectionName(QStringView line, QStringView* name);
    static bool keyLine(QStringView line, KeyLine* out);
    qsizetype findKey(QStringView section, QStringView key) const;

    QStringList m_lines;
};
