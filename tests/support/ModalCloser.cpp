#include "ModalCloser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>

ModalCloser::ModalCloser(QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &ModalCloser::poll);
    m_timer.start();
}

bool ModalCloser::clickButton(QWidget* box, const QString& caption)
{
    for (QAbstractButton* button : box->findChildren<QAbstractButton*>()) {
        // "&OK" is the caption "OK" with its Alt key.
        if (QString(button->text()).remove(u'&') == QString(caption).remove(u'&') && button->isVisible()) {
            button->click();
            return true;
        }
    }
    return false;
}

void ModalCloser::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
        m_last = nullptr;
        return;
    }
    if (modal == m_last) {
        return; // the handler chose to leave it open for now
    }
    m_last = modal;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        messages.append(box->text());
    }
    if (handler && handler(modal)) {
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    }
}
