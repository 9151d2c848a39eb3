#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QTimer;

/// The splash window: a picture for three seconds, then the main window or the tray. Only its
/// timer ends it (or the end of the program, endNow()): Escape, Alt+F4 and the close box do not.
class TPocetakDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPocetakDialog)

public:
    explicit TPocetakDialog(QWidget* parent = nullptr);

    /// Runs when the splash ends, before it closes: shows the main window or puts it in the tray.
    void setOnFinished(std::function<void()> finished) { m_onFinished = std::move(finished); }
    /// Starts the splash's timer and shows the splash modally; returns when the splash has closed.
    void showSplash();

    /// Ends the splash at once, showing nothing: the program is ending.
    void endNow();
    /// True once the splash has run its time through its timer.
    bool hasFinished() const { return m_finished; }

    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void TimerTimer();
    void finish();

    QLabel* m_image1;
    QTimer* m_timer;
    std::function<void()> m_onFinished;
    bool m_ending = false;
    bool m_finished = false;
};
