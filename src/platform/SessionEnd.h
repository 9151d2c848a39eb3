#pragma once

#include <QObject>

class QEventLoop;
class QSessionManager;

/// The session manager's notice that the session ends (QGuiApplication::commitDataRequest; XSMP on
/// X11), held open until the program has done its last work.
///
/// Qt 6.4 answers the session manager when the commitDataRequest handlers return; it has no way to
/// answer later. So the notice is held by not returning: endRequested() is emitted inside the
/// request, its receivers may run modal windows, and after holdAnswer() a local event loop keeps
/// the request open until answer() is called. Qt blocks the user's input during a shutdown unless
/// the session manager grants interaction (QSessionManager::allowsInteraction(), asked here
/// before the signal); without that grant windows show but cannot be used until the answer.
class SessionEnd final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionEnd)

Q_SIGNALS:
    /// The session ends; interactionAllowed tells whether the user can answer windows meanwhile.
    void endRequested(bool interactionAllowed);

public:
    /// Listens to the application's commitDataRequest when there is a QGuiApplication.
    explicit SessionEnd(QObject* parent = nullptr);
    ~SessionEnd() override;

    /// From a receiver of endRequested(): keep the session manager waiting until answer().
    void holdAnswer();
    /// Lets the held answer go.
    void answer();
    /// True from endRequested() until the answer has gone.
    bool isEnding() const { return m_ending; }

    /// Handles one notice; manager is null when there is no session manager (tests).
    void handleRequest(QSessionManager* manager);

private:
    QEventLoop* m_loop = nullptr;
    bool m_ending = false;
    bool m_held = false;
};
