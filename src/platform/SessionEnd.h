#pragma once

#include <QObject>

class QEventLoop;
class QSessionManager;

/// What the program sends back to the session manager (XsmpClient on X11; a recording fake in tests).
class SessionManagerLink
{
public:
    virtual ~SessionManagerLink() = default;
    /// Asks to show windows to the user while the session ends; false when the request could not go.
    virtual bool requestInteraction() = 0;
    /// The windows shown at the end of the session are done.
    virtual void interactionDone() = 0;
    /// The save asked for is done; success is false when the files could not be written.
    virtual void saveDone(bool success) = 0;
};

/// The session manager's requests, told apart as the program needs them: a checkpoint only saves
/// the files while the session goes on; the end of the session saves them, then runs the program's
/// last work (endRequested) and is answered when that is done.
///
/// On X11 the requests come from XsmpClient, which sees the shutdown flag of each save request.
/// Where Qt itself speaks to the session manager, its commitDataRequest stands for the end of the
/// session: Qt answers when the handlers return, so a held answer keeps the request open in a local
/// event loop until answer().
class SessionEnd final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionEnd)

Q_SIGNALS:
    /// Write the files now. A checkpoint asks for nothing else; the end of the session asks it first.
    void saveRequested();
    /// The session ends; interactionAllowed tells whether the user can answer windows meanwhile.
    void endRequested(bool interactionAllowed);

public:
    /// Listens to the application's commitDataRequest when there is a QGuiApplication.
    explicit SessionEnd(QObject* parent = nullptr);
    /// Answers a request still open.
    ~SessionEnd() override;

    /// Answers go through link (not owned); null: nobody to answer.
    void setLink(SessionManagerLink* link) { m_link = link; }

    /// From a receiver of endRequested(): keep the session manager waiting until answer().
    void holdAnswer();
    /// The program's last work is done: whatever request is open is answered now.
    void answer();
    /// True from endRequested() until the answer has gone.
    bool isEnding() const { return m_state == State::Ending; }
    /// From a receiver of saveRequested(): the files could not be written.
    void reportSaveFailed() { m_saveFailed = true; }

    /// The session manager asks for a save; shutdown tells the end of the session from a checkpoint,
    /// and interactionPossible whether windows may be asked for.
    void handleSaveYourself(bool shutdown, bool interactionPossible);
    /// The session manager lets the program show its windows.
    void handleInteract();
    /// The end of the session was called off; the session goes on.
    void handleShutdownCancelled();
    /// The session manager tells the program to end.
    void handleDie();

    /// Qt's commit-data request; manager is null when there is no session manager (tests).
    void handleRequest(QSessionManager* manager);

private:
    enum class State {
        Idle,
        WaitingForInteraction,
        Ending,
        Ended,
    };
    void beginEnd(bool interactionAllowed);
    void finishSave();

    SessionManagerLink* m_link = nullptr;
    QEventLoop* m_loop = nullptr;
    State m_state = State::Idle;
    bool m_held = false;
    bool m_interacting = false;
    bool m_saveFailed = false;
};
