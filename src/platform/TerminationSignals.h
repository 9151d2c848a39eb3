#pragma once

#include <QObject>

class QSocketNotifier;

/// Turns SIGTERM, SIGHUP and SIGINT into a signal on the GUI thread; one watcher at a time.
class TerminationSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

Q_SIGNALS:
    void terminationRequested(int signal);

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    /// Puts the handlers back that were in place before.
    ~TerminationSignals() override;

    /// False when the handlers could not be installed (another watcher is active, or no socket pair).
    bool isActive() const { return m_active; }

private:
    void readSignals();

    QSocketNotifier* m_notifier = nullptr;
    bool m_active = false;
};
