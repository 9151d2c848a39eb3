#pragma once

#include "ClosingDialog.h"

#include <functional>

class Help;
class QFileDialog;
class QLineEdit;
class QPushButton;
class SoundOutput;

/// "Define events sounds": the .wav file of each kind of event, kept in sounds.ini; also the
/// program's sound player.
class TSoundDialog final : public ClosingDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSoundDialog)

public:
    TSoundDialog(QString programFolder, SoundOutput& output, Help& help, QWidget* parent = nullptr);

    QString iniPath() const { return m_folder + QStringLiteral("/sounds.ini"); }

    QLineEdit* DateTimeE;
    QLineEdit* StartupE;
    QLineEdit* ShutdownE;
    QLineEdit* IConnectE;
    QLineEdit* IDisConnectE;
    QPushButton* BrowseSB1;
    QPushButton* BrowseSB2;
    QPushButton* BrowseSB3;
    QPushButton* BrowseSB4;
    QPushButton* BrowseSB5;
    QPushButton* OKSB;
    QPushButton* DefaultSB;
    QPushButton* HelpSB;
    QPushButton* CancelSB;
    QFileDialog* OpenDialog = nullptr; // made at the first Browse

    /// Reloads the five paths from sounds.ini into the fields.
    void FormActivate();
    void BrowseAOL1Click(QPushButton* sender);
    void DefaultAOLClick();
    void OKAOLClick();
    void CancelAOLClick();
    void HelpAOLClick();
    /// Plays the sound of the event whose flag is given ("1" to "5"); reports a missing or
    /// unplayable file in a message box and returns.
    void PlayEventSound(QChar flag);

    /// Chooses a file for Browse; tests put their own in place of the file dialog.
    std::function<QString()> chooseFile;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QList<QLineEdit*> fields() const { return {DateTimeE, StartupE, ShutdownE, IConnectE, IDisConnectE}; }

    QString m_folder;
    SoundOutput& m_output;
    Help& m_help;
    bool m_returningFromOwnWindow = false;
    bool m_browsing = false;
};
