#pragma once

#include <QObject>
#include <QString>

class QEventLoop;
class QSessionManager;

/// What the program sends back to the session manager (XsmpClient on X11, GnomeSessionClient on
/// GNOME, the logind lock where no session manager speaks to the program; a recording fake in tests).
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
    /// The end waits for the user to answer an alert with this text; empty: it waits no longer.
    virtual void holdEnd(const QString& reason) { Q_UNUSED(reason); }
};

/// The session manager's requests, told apart as the program needs them: a checkpoint only saves
/// the files while the session goes on; the end of the session saves them, runs the shutdown
/// reminders (endQueried) and is answered when they are done; then the session either ends
/// (quitRequested: the program ends) or goes on (endCancelled: the program runs on).
///
/// On X11 the requests come from XsmpClient, which sees the shutdown flag of each save request.
/// Where Qt itself speaks to the session manager, its commitDataRequest stands for the end of the
/// session: Qt answers when the handlers return, so the request stays open in a local event loop
/// until answer(), and the program ends after it.
class SessionEnd final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionEnd)

Q_SIGNALS:
    /// Write the files now. A checkpoint asks for nothing else; the end of the session asks it first.
    void saveRequested();
    /// The session is to end: run the shutdown reminders, then answer(); interactionAllowed tells
    /// whether the user can answer windows meanwhile.
    void endQueried(bool interactionAllowed);
    /// The end of the session was called off: the session goes on, and so does the program.
    void endCancelled();
    /// The session ends now: the program ends.
    void quitRequested();

public:
    /// Listens to the application's commitDataRequest when there is a QGuiApplication.
    explicit SessionEnd(QObject* parent = nullptr);
    /// Answers a request still open.
    ~SessionEnd() override;

    /// Answers go through link (not owned); null: nobody to answer.
    void setLink(SessionManagerLink* link) { m_link = link; }
    bool hasLink() const { return m_link != nullptr; }

    /// The shutdown reminders are done: whatever request is open is answered now.
    void answer();
    /// True from endQueried() until the answer has gone.
    bool isQuerying() const { return m_state == State::Querying; }
    /// From a receiver of saveRequested(): the files could not be written.
    void reportSaveFailed() { m_saveFailed = true; }
    /// Tells the session manager why its end waits (the text of the alert that shows); empty: it
    /// waits no longer.
    void holdEnd(const QString& reason);

    /// The session manager asks for a save; shutdown tells the end of the session from a checkpoint,
    /// and interactionPossible whether windows may be asked for.
    void handleSaveYourself(bool shutdown, bool interactionPossible);
    /// The session manager lets the program show its windows.
    void handleInteract();
    /// The end of the session was called off; the session goes on.
    void handleShutdownCancelled();
    /// The session manager tells the program to end.
    void handleDie();
    /// The session manager went away. Amid the end of the session the program ends on its own:
    /// its shutdown reminders first, if they have not run yet.
    void handleManagerLost();

    /// Qt's commit-data request; manager is null when there is no session manager (tests).
    void handleRequest(QSessionManager* manager);

private:
    enum class State {
        Idle,
        WaitingForInteraction,
        Querying, // the shutdown reminders run; the answer waits for them
        Answered, // waiting for the end or its cancel
        Ended,
    };
    void beginQuery(bool interactionAllowed);
    void finishSave();

    SessionManagerLink* m_link = nullptr;
    QEventLoop* m_loop = nullptr;
    State m_state = State::Idle;
    bool m_interacting = false;
    bool m_saveFailed = false;
    bool m_quitAfterAnswer = false;
};
