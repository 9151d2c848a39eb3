#include "platform/SessionEnd.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QSessionManager>

SessionEnd::SessionEnd(QObject* parent) : QObject(parent)
{
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(
            application, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager& manager) { handleRequest(&manager); }, Qt::DirectConnection);
    }
}

SessionEnd::~SessionEnd()
{
    answer();
}

void SessionEnd::answer()
{
    if (m_loop) {
        m_loop->quit();
        return;
    }
    if (m_state == State::WaitingForInteraction || m_state == State::Querying) {
        finishSave();
        if (m_quitAfterAnswer) {
            m_quitAfterAnswer = false;
            m_state = State::Ended;
            Q_EMIT quitRequested();
        }
    }
}

void SessionEnd::holdEnd(const QString& reason)
{
    if (m_link) {
        m_link->holdEnd(reason);
    }
}

void SessionEnd::handleSaveYourself(bool shutdown, bool interactionPossible)
{
    // The protocol sends no second request while one is open; the open one is answered first.
    if (m_state == State::WaitingForInteraction || m_state == State::Querying || m_state == State::Ended) {
        return;
    }
    m_state = State::Idle;
    m_saveFailed = false;
    Q_EMIT saveRequested();
    if (!shutdown) {
        finishSave(); // a checkpoint: the session goes on
        return;
    }
    if (interactionPossible && m_link && m_link->requestInteraction()) {
        m_state = State::WaitingForInteraction;
        return;
    }
    beginQuery(false);
}

void SessionEnd::handleInteract()
{
    if (m_state != State::WaitingForInteraction) {
        return;
    }
    m_interacting = true;
    beginQuery(true);
}

void SessionEnd::handleShutdownCancelled()
{
    switch (m_state) {
    case State::WaitingForInteraction:
        m_state = State::Idle;
        if (m_link) {
            m_link->saveDone(!m_saveFailed);
        }
        break;
    case State::Querying:
        // The alert that shows stays for the user; the manager's request is answered now.
        finishSave();
        m_state = State::Idle;
        Q_EMIT endCancelled();
        break;
    case State::Answered:
        m_state = State::Idle;
        Q_EMIT endCancelled();
        break;
    case State::Idle:
    case State::Ended:
        break;
    }
}

void SessionEnd::handleDie()
{
    if (m_state == State::Ended) {
        return; // the program is ending already
    }
    // After Die nothing more is sent to the manager.
    m_state = State::Ended;
    m_interacting = false;
    Q_EMIT quitRequested();
}

void SessionEnd::handleManagerLost()
{
    m_link = nullptr;
    switch (m_state) {
    case State::WaitingForInteraction:
        // Nobody else's turn to wait for: the shutdown reminders show now, then the program ends.
        m_quitAfterAnswer = true;
        m_interacting = false;
        beginQuery(true);
        break;
    case State::Querying:
        m_quitAfterAnswer = true;
        break;
    case State::Answered:
        m_state = State::Ended;
        Q_EMIT quitRequested();
        break;
    case State::Idle:
    case State::Ended:
        break; // the session goes on without a manager
    }
}

void SessionEnd::beginQuery(bool interactionAllowed)
{
    m_state = State::Querying;
    Q_EMIT endQueried(interactionAllowed);
}

void SessionEnd::finishSave()
{
    if (m_state == State::WaitingForInteraction || m_state == State::Querying) {
        m_state = State::Answered;
    }
    if (!m_link) {
        m_interacting = false;
        return;
    }
    if (m_interacting) {
        m_interacting = false;
        m_link->interactionDone();
    }
    m_link->holdEnd(QString());
    m_link->saveDone(!m_saveFailed);
}

void SessionEnd::handleRequest(QSessionManager* manager)
{
    // A second notice while the first is still open is answered by the first.
    if (m_state != State::Idle) {
        return;
    }
    bool interactionAllowed = false;
    if (manager) {
        // The program is started by its autostart entry; a copy restored by the session would be
        // a second instance.
        manager->setRestartHint(QSessionManager::RestartNever);
        interactionAllowed = manager->allowsInteraction();
    }

    const QPointer<SessionEnd> alive(this);
    beginQuery(interactionAllowed);
    if (alive && m_state == State::Querying) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        if (alive) {
            m_loop = nullptr;
        }
    }
    if (manager && interactionAllowed) {
        manager->release();
    }
    if (alive) {
        // Qt's request tells no cancel: the end goes on, and the program ends once this returns.
        m_state = State::Ended;
        QMetaObject::invokeMethod(this, &SessionEnd::quitRequested, Qt::QueuedConnection);
    }
}
