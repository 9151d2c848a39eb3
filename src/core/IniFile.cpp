#include "IniFile.h"

#include "TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

QStringView trimmed(QStringView text)
{
    return TrimBlanks(text);
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Names and values are written on one line: a line break inside them would start a new line.
QString oneLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line) {
        if (c == u'\r' || c == u'\n') {
            c = u' ';
        }
    }
    return line;
}

} // namespace

bool IniFile::load(const QString& path)
{
    m_lines.clear();
    QFile file(path);
    if (!file.exists()) {
        return true;
    }
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return false;
    }
    setBytes(bytes);
    return true;
}

void IniFile::setBytes(const QByteArray& bytes)
{
    QString text;
    // Windows writes profile files in UTF-16 when the file began with its byte order mark.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        text = decoder.decode(bytes);
    } else {
        text = DecodeText(bytes);
    }
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    m_lines.clear();
    for (QStringView line : SplitLines(text)) {
        m_lines.append(line.toString());
    }
}

bool IniFile::sectionName(QStringView line, QStringView* name)
{
    const QStringView text = trimmed(line);
    if (!text.startsWith(u'[')) {
        return false;
    }
    const qsizetype close = text.lastIndexOf(u']');
    *name = trimmed(close > 0 ? text.sliced(1, close - 1) : text.sliced(1));
    return true;
}

bool IniFile::keyLine(QStringView line, KeyLine* out)
{
    const QStringView text = trimmed(line);
    if (text.isEmpty() || text.startsWith(u';')) {
        return false;
    }
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0) {
        out->key = text;
        out->value = {};
    } else {
        out->key = trimmed(text.first(eq));
        out->value = trimmed(text.sliced(eq + 1));
    }
    return true;
}

qsizetype IniFile::findKey(QStringView section, QStringView key) const
{
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        QStringView name;
        if (sectionName(m_lines.at(i), &name)) {
            inSection = sameName(name, section);
            continue;
        }
        KeyLine entry;
        if (inSection && keyLine(m_lines.at(i), &entry) && sameName(entry.key, key)) {
            return i;
        }
    }
    return -1;
}

QString IniFile::value(QStringView section, QStringView key) const
{
    const qsizetype i = findKey(trimmed(section), trimmed(key));
    KeyLine entry;
    if (i < 0 || !keyLine(m_lines.at(i), &entry)) {
        return {};
    }
    qsizetype length = qMin(entry.value.size(), MaxValueLength);
    // The cut never splits a character made of two UTF-16 units.
    if (length < entry.value.size() && length > 0 && entry.value[length - 1].isHighSurrogate()) {
        --length;
    }
    return entry.value.first(length).toString();
}

bool IniFile::contains(QStringView section, QStringView key) const
{
    return findKey(trimmed(section), trimmed(key)) >= 0;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString sectionText = oneLine(trimmed(section).toString());
    const QString keyText = oneLine(trimmed(key).toString());
    const QString valueText = oneLine(value);

    const qsizetype existing = findKey(sectionText, keyText);
    if (existing >= 0) {
        KeyLine entry;
        keyLine(m_lines.at(existing), &entry);
        m_lines[existing] = entry.key.toString() + u'=' + valueText;
        return;
    }

    // The new key goes after the last non-blank line of the first section of that name.
    qsizetype insertAt = -1;
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        QStringView name;
        if (sectionName(m_lines.at(i), &name)) {
            if (inSection) {
                break;
            }
            inSection = sameName(name, sectionText);
            if (inSection) {
                insertAt = i + 1;
            }
            continue;
        }
        if (inSection && !trimmed(m_lines.at(i)).isEmpty()) {
            insertAt = i + 1;
        }
    }
    const QString line = keyText + u'=' + valueText;
    if (insertAt >= 0) {
        m_lines.insert(insertAt, line);
        return;
    }
    if (!m_lines.isEmpty() && !trimmed(m_lines.constLast()).isEmpty()) {
        m_lines.append(QString());
    }
    m_lines.append(u'[' + sectionText + u']');
    m_lines.append(line);
}

QByteArray IniFile::toBytes() const
{
    return JoinLines(m_lines);
}

bool IniFile::save(const QString& path) const
{
    QSaveFile file(path);
    // Where the folder is closed to us but the file itself may be written, write it in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
