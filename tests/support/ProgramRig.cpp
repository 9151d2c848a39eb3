#include "ProgramRig.h"

#include "app/Application.h"
#include "gui/FormMain.h"

#include <QCoreApplication>
#include <QUuid>

ProgramRig::ProgramRig()
    : instanceName(QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::Id128)), tray(new FakeTrayBackend)
{}

ProgramRig::~ProgramRig()
{
    windows.reset(); // the tray icon owns the tray once the windows exist
    if (tray && !tray->parent()) {
        delete tray;
    }
}

ProgramSeams ProgramRig::seams(const QStringList& arguments)
{
    ProgramSeams seams;
    seams.programFolder = dir.path();
    seams.programPath = dir.filePath(QStringLiteral("nudgelark"));
    seams.arguments = arguments;
    seams.clock = &clock;
    seams.hostAddresses = &addresses;
    seams.settings = &settings;
    seams.soundOutput = &sound;
    seams.help = &help;
    seams.trayBackend = tray;
    seams.notifications = &notifications;
    seams.wakeTimer = wakeTimer;
    seams.instanceName = instanceName;
    return seams;
}

void ProgramRig::start(const QStringList& arguments)
{
    windows = std::make_unique<ProgramWindows>(seams(arguments));
}

int ProgramRig::run(const QStringList& arguments, SessionEnd* session)
{
    ProgramSeams pieces = seams(arguments);
    pieces.session = session;
    return RunProgram(pieces);
}
