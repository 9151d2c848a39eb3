#pragma once

#include "ClosingDialog.h"
#include "core/EventSounds.h"

#include <array>
#include <functional>

class Help;
class QFileDialog;
class QFrame;
class QLineEdit;
class QPushButton;
class SoundOutput;

/// The program's sound player: plays the sound of one kind of event, its path read afresh from
/// sounds.ini on every call, and reports a file it cannot play.
class EventSoundPlayer final
{
public:
    /// Tells the user of a failure, modally: the message, and the help context of its box (-1 for
    /// a box without Help).
    using ErrorReport = std::function<void(const QString& message, int helpContext)>;

    EventSoundPlayer(QString iniPath, SoundOutput& output, ErrorReport report);

    /// Plays the sound of the event whose flag is given ("1" to "5"). No regular file at its path
    /// (any other flag included) reports "Sound file not found!"; a file the output cannot play
    /// reports the output's error. Returns once playback has started or the report is answered.
    void PlayEventSound(QChar flag);

private:
    QString m_iniPath;
    SoundOutput& m_output;
    ErrorReport m_report;
};

/// "Define events sounds": the .wav file of each kind of event, kept in sounds.ini; it also carries
/// the program's sound player.
class TSoundDialog final : public ClosingDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSoundDialog)

public:
    /// The shipped sounds are in programFolder, sounds.ini in dataFolder.
    TSoundDialog(QString programFolder, QString dataFolder, SoundOutput& output, Help& help, QWidget* parent = nullptr);

    QString iniPath() const { return SoundsIniPath(m_dataFolder); }
    /// The sound player; its reports show as message boxes over this dialog.
    EventSoundPlayer& player() { return m_player; }
    /// Chooses a file for Browse (the file window unless replaced): the chosen path, empty for none.
    void setFileChooser(std::function<QString()> chooser) { m_chooseFile = std::move(chooser); }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFrame* buildRows();
    QString chooseInFileWindow();

    /// Reloads the five paths from sounds.ini into the fields.
    void FormActivate();
    void BrowseAOL1Click(QPushButton* sender);
    void DefaultAOLClick();
    void OKAOLClick();
    void CancelAOLClick();
    void HelpAOLClick();
    QList<QLineEdit*> fields() const;

    // One row per kind of event, in flag order: the path field (named after its key in sounds.ini)
    // and its Browse button.
    std::array<QLineEdit*, EventSoundCount> m_paths{};
    std::array<QPushButton*, EventSoundCount> m_browses{};
    QFileDialog* m_openDialog = nullptr; // made at the first Browse
    QString m_folder;
    QString m_dataFolder;
    Help& m_help;
    EventSoundPlayer m_player;
    std::function<QString()> m_chooseFile;
    bool m_returningFromOwnWindow = false;
    bool m_browsing = false;
};
