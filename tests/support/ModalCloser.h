#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

class QWidget;

/// Answers the modal windows that come up while a test drives the program: each modal window
/// is handed to the handler (or, without one, closed as its Escape would), and message boxes'
/// texts are logged.
class ModalCloser final : public QObject
{
    Q_OBJECT

public:
    explicit ModalCloser(QObject* parent = nullptr);

    /// Called with each new modal window; returns true when it dealt with the window.
    std::function<bool(QWidget* modal)> handler;
    QStringList messages;

    /// Clicks the button of a message box whose text is caption, with or without its "&"; false when
    /// there is none.
    static bool clickButton(QWidget* box, const QString& caption);

private:
    void poll();

    QTimer m_timer;
    QPointer<QWidget> m_last; // a window at the same address later is a new one
};
