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
    if (m_loop) {
        m_loop->quit();
    }
}

void SessionEnd::holdAnswer()
{
    if (m_ending) {
        m_held = true;
    }
}

void SessionEnd::answer()
{
    m_held = false;
    if (m_loop) {
        m_loop->quit();
    }
}

void SessionEnd::handleRequest(QSessionManager* manager)
{
    // A second notice while the first is still held is answered by the first.
    if (m_ending) {
        return;
    }
    m_ending = true;
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
        m_ending = false;
        m_held = false;
    }
}
