#include "PocetakD.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

TPocetakDialog::TPocetakDialog(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_image1(new QLabel(this)), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("PocetakDialog"));
    setAccessibleName(QStringLiteral("Nudgelark"));
    setAccessibleDescription(QStringLiteral("Nudgelark is starting"));
    setFixedSize(335, 159);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setAccessibleName(QStringLiteral("Nudgelark"));
    m_image1->setGeometry(0, 0, 335, 159);
    m_image1->setPixmap(QPixmap(QStringLiteral(":/splash.png")));
    m_timer->setObjectName(QStringLiteral("Timer"));
    m_timer->setInterval(3000);
    connect(m_timer, &QTimer::timeout, this, &TPocetakDialog::TimerTimer);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TPocetakDialog::showSplash()
{
    m_timer->start();
    exec();
}

void TPocetakDialog::TimerTimer()
{
    if (m_onFinished) {
        m_onFinished();
    }
    m_timer->stop();
    m_finished = true;
    finish();
}

void TPocetakDialog::endNow()
{
    m_timer->stop();
    finish();
}

void TPocetakDialog::finish()
{
    m_ending = true;
    accept();
    m_ending = false;
}

void TPocetakDialog::done(int result)
{
    // Escape rejects, the close box and Alt+F4 reject through the close event: none of them ends
    // the splash before its time, or the program would start with no window on screen.
    if (m_ending) {
        QDialog::done(result);
    }
}

void TPocetakDialog::closeEvent(QCloseEvent* event)
{
    if (m_ending) {
        event->accept();
    } else {
        event->ignore();
    }
}
