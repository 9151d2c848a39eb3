#include "PocetakD.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

TPocetakDialog::TPocetakDialog(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , Image1(new QLabel(this))
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
    accept();
}
