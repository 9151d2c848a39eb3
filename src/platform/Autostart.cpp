#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Characters that must be escaped by a backslash inside a quoted argument.
bool isQuotedEscapable(QChar c)
{
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

// The general rule of string values: the backslash escapes and the reserved control characters.
QString escapeStringValue(const QString& text)
{
    QString result;
    result.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            result += QLatin1String("\\\\");
            break;
        case u'\n':
            result += QLatin1String("\\n");
            break;
        case u'\t':
            result += QLatin1String("\\t");
            break;
        case u'\r':
            result += QLatin1String("\\r");
            break;
        default:
            result += c;
        }
    }
    return result;
}

QString unescapeStringValue(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            result += c;
            continue;
        }
        const QChar next = text.at(++i);
        switch (next.unicode()) {
        case u's':
            result += u' ';
            break;
        case u'n':
            result += u'\n';
            break;
        case u't':
            result += u'\t';
            break;
        case u'r':
            result += u'\r';
            break;
        case u'\\':
            result += u'\\';
            break;
        default:
            // Not a string escape: it belongs to the quoting rule, keep it for that step.
            result += c;
            result += next;
        }
    }
    return result;
}

QString expandPercent(const QString& argument)
{
    QString result;
    result.reserve(argument.size());
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument.at(i) == u'%' && i + 1 < argument.size() && argument.at(i + 1) == u'%') {
            ++i;
        }
        result += argument.at(i);
    }
    return result;
}

QString configHome()
{
    // The base directory specification ignores a relative XDG_CONFIG_HOME.
    const QString fromEnvironment = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment)) {
        return fromEnvironment;
    }
    return QDir::homePath() + QLatin1String("/.config");
}

} // namespace

QString AutostartEntryPath()
{
    return configHome() + QLatin1String("/autostart/nudgelark.desktop");
}

bool AutostartEntryExists()
{
    return QFileInfo(AutostartEntryPath()).isFile();
}

QString BuildDesktopExec(const QString& programPath)
{
    QString quoted;
    quoted.reserve(programPath.size() + 8);
    quoted += u'"';
    for (const QChar c : programPath) {
        if (isQuotedEscapable(c)) {
            quoted += u'\\';
        }
        quoted += c;
    }
    quoted += u'"';
    QString value = escapeStringValue(quoted);
    value.replace(QLatin1String("%"), QLatin1String("%%"));
    return value + QLatin1String(" /s");
}

QStringList ParseDesktopExec(const QString& execValue)
{
    const QString text = unescapeStringValue(execValue);
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == u'\\' && i + 1 < text.size() && isQuotedEscapable(text.at(i + 1))) {
                current += text.at(++i);
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument) {
                arguments.append(expandPercent(current));
                current.clear();
                inArgument = false;
            }
        } else if (c == u'"') {
            inQuotes = true;
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.append(expandPercent(current));
    }
    return arguments;
}

void WriteAutostartEntry(const QString& programPath)
{
    const QString path = AutostartEntryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    const QString content = QLatin1String("[Desktop Entry]\n"
                                          "Type=Application\n"
                                          "Version=1.0\n"
                                          "Name=Nudgelark\n"
                                          "Exec=") +
                            BuildDesktopExec(programPath) +
                            QLatin1String("\n"
                                          "Terminal=false\n"
                                          "X-GNOME-Autostart-enabled=true\n");
    file.write(content.toUtf8());
    file.commit();
}

void RemoveAutostartEntry()
{
    QFile::remove(AutostartEntryPath());
}
