#include "RecordingFakes.h"

RecordingAlerts::RecordingAlerts(ReminderModel& model, QStringList& log)
    : m_model(model)
    , m_log(log)
{
}

bool RecordingAlerts::showAlert(quint64 rowId)
{
    const int row = m_model.rowOfId(rowId);
    const int selected = m_model.selectedRow();
    m_log.append(QStringLiteral("alert:") + (row >= 0 ? m_model.at(row).name : QStringLiteral("?")) +
                 (selected == row ? QString() : QStringLiteral("(not selected)")));
    m_showing = true;
    if (whileOpen) {
        whileOpen(rowId);
    }
    m_showing = false;
    return answers;
}

RecordingSounds::RecordingSounds(QStringList& log)
    : m_log(log)
{
}

void RecordingSounds::playEventSound(QChar flag)
{
    m_log.append(QStringLiteral("sound:") + flag);
    if (whilePlaying) {
        whilePlaying();
    }
}
