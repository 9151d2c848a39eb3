#pragma once

#include "core/Help.h"
#include "core/SettingsStore.h"
#include "core/SoundOutput.h"
#include "gui/Program.h"
#include "support/FakeClock.h"
#include "support/FakeHostAddressSource.h"
#include "support/FakeNotifications.h"
#include "support/FakeTrayBackend.h"
#include "support/FakeWakeTimer.h"
#include "support/ModalCloser.h"

#include <QPointer>
#include <QTemporaryDir>

/// Sound output that only records what it was asked to play.
class FakeSoundOutput final : public SoundOutput
{
public:
    QStringList played;
    QString error;
    QString play(const QString& path) override
    {
        played.append(path);
        return error;
    }
    void stop() override {}
};

/// Help that only records what it was asked to open: a topic's name, "contents" or "context N".
class RecordingHelp final : public Help
{
public:
    QStringList asked;
    void showTopic(const QString& topic) override { asked.append(topic); }
    void showContents() override { asked.append(QStringLiteral("contents")); }
    void showContext(int context) override { asked.append(QStringLiteral("context %1").arg(context)); }
    void close() override {}
};

/// The whole program's windows over a temporary program folder and fakes.
struct ProgramRig
{
    ProgramRig();
    ~ProgramRig();
    QString path(const QString& name) const { return dir.filePath(name); }
    /// Creates the windows as the entry does, with this command line.
    void start(const QStringList& arguments = {});
    /// Runs the whole program as the entry does, message loop and all, until it ends; returns its
    /// exit code. Its windows are found by their object names while it runs.
    int run(const QStringList& arguments = {}, SessionEnd* session = nullptr);

    QTemporaryDir dir;
    FakeClock clock;
    FakeHostAddressSource addresses;
    MemorySettingsStore settings;
    FakeSoundOutput sound;
    FakeNotifications notifications;
    RecordingHelp help;
    /// The single-instance guard's name; each rig is an instance of its own unless a test gives
    /// two rigs the same name.
    QString instanceName;
    QPointer<FakeTrayBackend> tray;
    /// The main window's wake; unless a test asks for this one, a timer that looks every second
    /// on the fake clock.
    FakeWakeTimer* wakeTimer = nullptr;
    ModalCloser closer;
    std::unique_ptr<ProgramWindows> windows;

private:
    ProgramSeams seams(const QStringList& arguments);
};
