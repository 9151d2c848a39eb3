#pragma once

#include "ClosingDialog.h"
#include "core/OptionValues.h"

class Help;
class QCheckBox;
class QPushButton;
class QSpinBox;
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

    QCheckBox* DelAfterCB;
    QCheckBox* StartupCB;
    QCheckBox* SoundsCB;
    QPushButton* DefSoundsSB;
    QSpinBox* RepeatNot;
    QPushButton* OKSB;
    QPushButton* HelpSB;
    QPushButton* CancelSB;

    // The option values last read by LoadOptions.
    bool Del = true;
    bool Sound = false;
    int Interval = 0;

    /// Reads the stored options afresh; with Sound off, "Set sounds >>" is disabled.
    OptionValues LoadOptions();
    void SaveOptions();

    void FormActivate();
    void SoundsCBClick();
    void DefSoundAOLClick();
    void OKAOLClick();
    void CancelAOLClick();
    void HelpSBClick();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    SettingsStore& m_settings;
    TSoundDialog* m_sounds;
    Help& m_help;
    QString m_programPath;
};
