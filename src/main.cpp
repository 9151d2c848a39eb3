#include "gui/Program.h"
#ifdef NUDGELARK_XSMP
#include "platform/XsmpClient.h"
#endif

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>

int main(int argc, char** argv)
{
    // The media framework reports a missing audio server on every sound; the program plays on
    // without one, so that is no news for the user's terminal or journal.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.multimedia*=false"));
#ifdef NUDGELARK_XSMP
    // Taken before the application object exists, so that Qt does not speak to the session manager too.
    const QByteArray sessionManager = XsmpClient::takeAddress();
#else
    const QByteArray sessionManager;
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nudgelark"));
    QApplication::setApplicationVersion(QStringLiteral(NUDGELARK_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/nudgelark.png")));
    // The program ends only through the main window's close, which saves the reminders.
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return RunProgram(arguments, sessionManager);
}
