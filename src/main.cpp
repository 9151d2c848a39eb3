#include "gui/Program.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nudgelark"));
    QApplication::setApplicationVersion(QStringLiteral(NUDGELARK_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/nudgelark.png")));
    // The program ends only through the main window's close, which saves the reminders.
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return RunProgram(app, arguments);
}
