#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

enum class TFoundAction { faRestoreAndQuit, faRestore, faQuit, faNone };

/// Guards the number of running instances of the application for the current user.
///
/// Each instance listens on the first free slot of a per-user local socket name built from the
/// toolkit's application class and the application's display name; the others are counted by
/// connecting to the slots. A "raise" request over the socket brings an instance forward; other
/// requests go to requestHandler, whose answer goes back to the asker. The count and the listen
/// are one step: a per-user lock file keeps instances that start at the same moment in turn.
class TPrevInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPrevInstance)
    Q_PROPERTY(int AllowedInstances READ AllowedInstances WRITE setAllowedInstances)

Q_SIGNALS:
    /// Another instance asked this one to come forward.
    void RaiseRequested();

public:
    using AllowedInstancesExceededEvent =
        std::function<void(TPrevInstance* sender, int instanceCount, TFoundAction& action)>;

    /// namePrefix keeps test instances apart from the real ones.
    explicit TPrevInstance(QObject* parent = nullptr, const QString& namePrefix = QString());
    ~TPrevInstance() override;

    int AllowedInstances() const { return m_allowedInstances; }
    void setAllowedInstances(int count) { m_allowedInstances = count; }
    TFoundAction FoundAction() const { return m_foundAction; }
    void setFoundAction(TFoundAction action) { m_foundAction = action; }

    /// Raised before FoundAction is carried out; a change to the action stays in FoundAction.
    AllowedInstancesExceededEvent OnAllowedInstancesExceeded;
    /// Ends the process for the quit actions; by default at once, with exit code 0.
    std::function<void()> quitHook;
    /// Answers a request another process sent with sendRequest(); none: such requests go unanswered.
    std::function<QByteArray(const QByteArray& request)> requestHandler;

    /// Counts the running instances, this one included, and acts when there are too many.
    void CheckInstances();

    /// The count of the last check (0 when the application has no class or title).
    int instanceCount() const { return m_instanceCount; }
    /// The slot this instance listens on, -1 when none.
    int ownSlot() const { return m_ownSlot; }
    /// The socket name of a slot.
    QString slotName(int slot) const;

    /// Sends request to the first running instance and waits for its answer. False when no
    /// instance answered (none runs, or it did not answer within timeoutMs).
    bool sendRequest(const QByteArray& request, QByteArray& answer, int timeoutMs = 30000) const;
    /// Looks for the instances of an application of this class rather than of this process's own
    /// (a command-line helper looking for the windowed program).
    void setClassName(const QString& className) { m_className = className; }

    static constexpr int kSlotCount = 16;

private:
    void onNewConnection();
    void serve(QLocalSocket* socket);
    struct Probe
    {
        int others = 0;
        int lastMatch = -1;
        QList<int> freeSlots;
    };
    Probe probeSlots() const;
    bool listenOnFreeSlot(const QList<int>& freeSlots);
    void restoreInstance(int slot);
    QString baseName() const;

    QString m_namePrefix;
    QString m_className;
    QLocalServer* m_server = nullptr;
    int m_allowedInstances = 1;
    TFoundAction m_foundAction = TFoundAction::faRestoreAndQuit;
    int m_instanceCount = 0;
    int m_ownSlot = -1;
};
