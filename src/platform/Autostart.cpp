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
