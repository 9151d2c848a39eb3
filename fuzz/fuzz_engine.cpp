// Whatever rows a load produces: the start-up catch-up, then one engine tick at a moment taken
// from the input. Every alert the tick shows must be for a row it marked as fired.
#include "core/ReminderEngine.h"
#include "core/ReminderFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <cstdlib>

namespace {

class FixedClock final : public Clock
{
public:
    QDateTime now() const override { return instant; }
    QDateTime instant;
};

class CountingAlerts final : public AlertPresenter
{
public:
    explicit CountingAlerts(ReminderModel& model) : m_model(model) {}
    bool isAlertShowing() const override { return false; }
    void showAlert(quint64 rowId) override
    {
        if (m_model.rowOfId(rowId) < 0 || m_model.selectedRow() != m_model.rowOfId(rowId)) {
            std::abort();
        }
        ++shown;
    }
    int shown = 0;

private:
    ReminderModel& m_model;
};

class SilentSounds final : public EventSoundSink
{
public:
    void playEventSound(QChar) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) {
        return 0;
    }
    quint32 seconds = 0;
    std::memcpy(&seconds, data, 4);
    const QByteArray input(reinterpret_cast<const char*>(data) + 4, qsizetype(size - 4));
    const qsizetype split = input.indexOf('\0');
    QList<Reminder> rows = ParseDataFile(split < 0 ? input : input.left(split));
    ApplyTextFile(rows, split < 0 ? QByteArray() : input.mid(split + 1));

    FixedClock clock;
    // Any moment between 1990 and 2126.
    clock.instant = QDateTime(QDate(1990, 1, 1), QTime(0, 0)).addSecs(qint64(seconds));
    ReminderEngine::catchUp(rows, clock.instant);
    ReminderModel model;
    model.setRows(rows);
    CountingAlerts alerts(model);
    SilentSounds sounds;
    ReminderEngine engine(model, clock, alerts, sounds);
    engine.scanDateTime();
    engine.scanSystemEvent(u'4', false, false);
    engine.checkPausedAlerts(0);
    return 0;
}
