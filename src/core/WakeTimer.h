#pragma once

#include <QDateTime>
#include <QObject>

/// Wakes the program once at an instant of the wall clock.
class WakeTimer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WakeTimer)

Q_SIGNALS:
    /// The armed instant has come, or a timer that cannot wait that long has waited as long as it can.
    void fired();
    /// The wall clock was set, forwards or back, or its time zone changed: whatever was planned must be
    /// planned again.
    void clockChanged();

public:
    explicit WakeTimer(QObject* parent = nullptr) : QObject(parent) {}

    /// Arms the one wake at instant, replacing the one armed before; an instant that has passed fires at once.
    virtual void arm(const QDateTime& instant) = 0;
    virtual void disarm() = 0;
    virtual bool isArmed() const = 0;
};
