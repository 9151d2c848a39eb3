#include "PocetakD.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

TPocetakDialog::TPocetakDialog(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint), Image1(new QLabel(this))
{
    setObjectName(QStringLiteral("PocetakDialog"));
    setFixedSize(335, 159);
    Image1->setGeometry(0, 0, 335, 159);
    Image1->setPixmap(QPixmap(QStringLiteral(":/splash.png")));
    Timer.setInterval(3000);
    connect(&Timer, &QTimer::timeout, this, &TPocetakDialog::TimerTimer);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TPocetakDialog::TimerTimer()
{
    if (onFinished) {
        onFinished();
    }
    Timer.stop();
    m_finished = true;
    finish();
}

void TPocetakDialog::endNow()
{
    Timer.stop();
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
