#include "DesktopExec.h"

namespace {

// Characters that a backslash escapes inside a quoted argument.
bool isQuotedEscapable(QChar c)
{
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
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

} // namespace

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
