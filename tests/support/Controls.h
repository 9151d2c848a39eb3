#pragma once

#include <QByteArray>
#include <QObject>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <source_location>

/// The control, timer or action called name inside window (searched through all its children), as
/// the window's own code names it. A missing one fails the test where it was asked for, and ends
/// the run there: every caller goes on to use what it asked for.
template <class T>
T* child(QObject* window, const char* name, std::source_location where = std::source_location::current())
{
    T* found = window ? window->findChild<T*>(QLatin1String(name)) : nullptr;
    if (!found) {
        const QByteArray message = QByteArray("no ") + T::staticMetaObject.className() + " named \"" + name + "\" in " +
                                   (window ? window->objectName().toUtf8() : QByteArray("no window"));
        QTest::qFail(message.constData(), where.file_name(), int(where.line()));
        std::abort();
    }
    return found;
}

/// Fires a timer's timeout now, as if its interval had run out; the timer itself is left as it is.
inline void fire(QTimer* timer)
{
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}
