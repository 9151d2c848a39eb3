#pragma once

#include "core/ReminderEngine.h"

#include <QStringList>
#include <functional>

/// Records, in one log, what the engine asks of the alert window and the sound player.
class RecordingAlerts final : public AlertPresenter
{
public:
    RecordingAlerts(ReminderModel& model, QStringList& log);
    bool isAlertShowing() const override { return m_showing || externallyShowing; }
    bool showAlert(quint64 rowId) override;

    /// Runs while an alert is "open", as the user's time in front of it.
    std::function<void(quint64 rowId)> whileOpen;
    bool externallyShowing = false;
    /// What showAlert answers: false stands for an alert closed without the user's answer.
    bool answers = true;

private:
    ReminderModel& m_model;
    QStringList& m_log;
    bool m_showing = false;
};

class RecordingSounds final : public EventSoundSink
{
public:
    explicit RecordingSounds(QStringList& log);
    void playEventSound(QChar flag) override;

    /// Runs while the sound's error box would be open.
    std::function<void()> whilePlaying;

private:
    QStringList& m_log;
};
