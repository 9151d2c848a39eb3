#pragma once

#include "ClosingDialog.h"
#include "core/OptionValues.h"

#include <memory>

class Help;
class QFrame;
class SettingsStore;
class TSoundDialog;

/// "Options": delete after notification, start with the session, use sounds, snooze minutes.
class TOptionsDialog final : public ClosingDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TOptionsDialog)

public:
    TOptionsDialog(SettingsStore& settings, TSoundDialog* sounds, Help& help, QString programPath,
                   QWidget* parent = nullptr);
    ~TOptionsDialog() override;

    /// The store the options are kept in.
    const SettingsStore& settings() const { return m_settings; }
    /// Reads the stored options afresh into the values below; with Sound off, "Set sounds >>" is
    /// disabled.
    OptionValues LoadOptions();
    /// The option values last read by LoadOptions.
    const OptionValues& values() const { return m_values; }
    /// What a reading of the stored options does to this dialog: with "Use sounds" stored off,
    /// "Set sounds >>" is disabled (never enabled here, whatever the tick says).
    void followStoredSound(bool sound);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Ui;

    QFrame* buildFrame();

    void SaveOptions();
    void FormActivate();
    void SoundsCBClick();
    void DefSoundAOLClick();
    void OKAOLClick();
    void CancelAOLClick();
    void HelpSBClick();

    std::unique_ptr<Ui> m_ui;
    SettingsStore& m_settings;
    TSoundDialog* m_sounds;
    Help& m_help;
    QString m_programPath;
    OptionValues m_values;
};
