#pragma once

#include <QSignalSpy>
#include <QTimer>

/// For checks that something did not happen: runs the event loop until a timer of ms, armed now,
/// has fired. Qt fires the timers of a thread in the order they fall due, so by then every timer
/// that falls due within ms has fired, however busy the machine. False if the loop never got there.
inline bool waitOutTimers(int ms)
{
    QTimer witness;
    witness.setSingleShot(true);
    QSignalSpy fired(&witness, &QTimer::timeout);
    witness.start(ms);
    return fired.wait(ms + 60000);
}
