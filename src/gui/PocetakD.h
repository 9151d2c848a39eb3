#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;

/// The splash window: a picture for three seconds, then the main window or the tray.
class TPocetakDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPocetakDialog)

public:
    explicit TPocetakDialog(QWidget* parent = nullptr);

    QLabel* Image1;
    QTimer Timer;
    /// Runs when the splash ends, before it closes: shows the main window or puts it in the tray.
    std::function<void()> onFinished;

private:
    void TimerTimer();
};
