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

void SessionEnd::holdAnswer()
{
    if (m_state == State::Ending) {
        m_held = true;
    }
}

void SessionEnd::answer()
{
    m_held = false;
    if (m_loop) {
        m_loop->quit();
        return;
    }
    if (m_state == State::WaitingForInteraction || m_state == State::Ending) {
        finishSave();
    }
}

void SessionEnd::handleSaveYourself(bool shutdown, bool interactionPossible)
{
    // The protocol sends no second request while one is open; the open one is answered first.
    if (m_state == State::WaitingForInteraction || m_state == State::Ending) {
        return;
    }
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
    beginEnd(false);
}

void SessionEnd::handleInteract()
{
    if (m_state != State::WaitingForInteraction) {
        return;
    }
    m_interacting = true;
    beginEnd(true);
}

void SessionEnd::handleShutdownCancelled()
{
    // Once the program's last work has begun it runs to its end: the program never refuses the end
    // of the session. Before that, the session simply goes on, the files saved.
    if (m_state == State::WaitingForInteraction) {
        m_state = State::Idle;
        if (m_link) {
            m_link->saveDone(!m_saveFailed);
        }
    }
}

void SessionEnd::handleDie()
{
    if (m_state == State::Ending || m_state == State::Ended) {
        return; // the program is ending already
    }
    // Told to end without a save request that ended the session first: nothing is left to answer.
    m_state = State::Ended;
    m_interacting = false;
    Q_EMIT endRequested(false);
}

void SessionEnd::beginEnd(bool interactionAllowed)
{
    m_state = State::Ending;
    m_held = false;
    const QPointer<SessionEnd> alive(this);
    Q_EMIT endRequested(interactionAllowed);
    if (alive && m_state == State::Ending && !m_held) {
        finishSave();
    }
}

void SessionEnd::finishSave()
{
    if (m_state == State::WaitingForInteraction || m_state == State::Ending) {
        m_state = State::Ended;
    }
    if (!m_link) {
        m_interacting = false;
        return;
    }
    if (m_interacting) {
        m_interacting = false;
        m_link->interactionDone();
    }
    m_link->saveDone(!m_saveFailed);
}

void SessionEnd::handleRequest(QSessionManager* manager)
{
    // A second notice while the first is still held is answered by the first.
    if (m_state != State::Idle) {
        return;
    }
    m_state = State::Ending;
    m_held = false;
    bool interactionAllowed = false;
    if (manager) {
        // The program is started by its autostart entry; a copy restored by the session would be
        // a second instance.
        manager->setRestartHint(QSessionManager::RestartNever);
        interactionAllowed = manager->allowsInteraction();
    }

    const QPointer<SessionEnd> alive(this);
    Q_EMIT endRequested(interactionAllowed);
    if (alive && m_held) {
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
        m_state = State::Idle;
        m_held = false;
    }
}
