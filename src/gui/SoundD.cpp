#include "SoundD.h"

#include "core/EventSounds.h"
#include "core/Help.h"
#include "core/SoundOutput.h"
#include "gui/DialogButtons.h"
#include "gui/HelpMessageBox.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

EventSoundPlayer::EventSoundPlayer(QString iniPath, SoundOutput& output, ErrorReport report)
    : m_iniPath(std::move(iniPath)), m_output(output), m_report(std::move(report))
{}

void EventSoundPlayer::PlayEventSound(QChar flag)
{
    // The stored path, read afresh; an open dialog and its file window keep what the user has there.
    const qsizetype row = SoundKeys().indexOf(SoundKeyForFlag(flag));
    const QString path = row >= 0 ? ReadSoundPaths(m_iniPath).value(row) : QString();
    if (!IsRegularSoundFile(path)) {
        m_report(QStringLiteral("Sound file not found!"), 0);
        return;
    }
    const QString error = m_output.play(path);
    if (!error.isEmpty()) {
        // An unplayable file is reported, and the caller still shows its alert.
        m_report(error, -1);
    }
}

TSoundDialog::TSoundDialog(QString programFolder, QString dataFolder, SoundOutput& output, Help& help, QWidget* parent)
    : ClosingDialog(parent, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint),
      m_folder(std::move(programFolder)), m_dataFolder(std::move(dataFolder)), m_help(help),
      m_player(SoundsIniPath(m_dataFolder), output,
               [this](const QString& message, int helpContext) {
                   ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"), message, QMessageBox::Ok,
                               helpContext >= 0 ? &m_help : nullptr, helpContext);
               }),
      m_chooseFile([this] { return chooseInFileWindow(); })
{
    setObjectName(QStringLiteral("SoundDialog"));
    setWindowTitle(QStringLiteral("Define events sounds"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildRows());
    layout->addLayout(MakeButtonRow(this, {{"OKSB", QStringLiteral("OK"), [this] { OKAOLClick(); }},
                                           {"DefaultSB", QStringLiteral("Default"), [this] { DefaultAOLClick(); }},
                                           {"HelpSB", QStringLiteral("Help"), [this] { HelpAOLClick(); }},
                                           {"CancelSB", QStringLiteral("Cancel"), [this] { CancelAOLClick(); }}}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QFrame* TSoundDialog::buildRows()
{
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(frame);
    auto* heading = new QLabel(QStringLiteral("Event:"), frame);
    grid->addWidget(heading, 0, 0, 1, 3);
    auto* line = new QFrame(frame);
    line->setFrameShape(QFrame::HLine);
    grid->addWidget(line, 1, 0, 1, 3);

    const QString labels[] = {QStringLiteral("on specific date/time:"), QStringLiteral("on Windows startup:"),
                              QStringLiteral("on Windows shutdown:"), QStringLiteral("on Internet connect:"),
                              QStringLiteral("on Internet disconnect:")};
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < EventSoundCount; ++i) {
        QLineEdit* edit = m_paths[i] = new QLineEdit(frame);
        edit->setObjectName(SoundKeys().at(i));
        edit->setMinimumWidth(260);
        QPushButton* browse = m_browses[i] = new QPushButton(QStringLiteral("Browse"), frame);
        browse->setObjectName(QStringLiteral("BrowseSB%1").arg(i + 1));
        browse->setFlat(true);
        browse->setFont(bold);
        browse->setAutoDefault(false);
        grid->addWidget(new QLabel(labels[i], frame), i + 2, 0);
        grid->addWidget(edit, i + 2, 1);
        grid->addWidget(browse, i + 2, 2);
        connect(browse, &QPushButton::clicked, this, [this, browse] { BrowseAOL1Click(browse); });
    }
    return frame;
}

QString TSoundDialog::chooseInFileWindow()
{
    QFileDialog*& open = m_openDialog;
    // The file window is made when first needed: a file window watches its folder all the time.
    if (!open) {
        open = new QFileDialog(this, QStringLiteral("Open sound file"));
        open->setObjectName(QStringLiteral("OpenDialog"));
        open->setNameFilter(QStringLiteral("Sound file (*.wav)"));
        open->setFileMode(QFileDialog::ExistingFile);
        open->setAcceptMode(QFileDialog::AcceptOpen);
        open->setDirectory(m_folder);
    }
    if (open->exec() != QDialog::Accepted || open->selectedFiles().isEmpty()) {
        return {};
    }
    return open->selectedFiles().constFirst();
}

QList<QLineEdit*> TSoundDialog::fields() const
{
    return {m_paths.cbegin(), m_paths.cend()};
}

void TSoundDialog::FormActivate()
{
    // An open file window stays in the folder the user went to.
    if (m_openDialog && !m_openDialog->isVisible()) {
        m_openDialog->setDirectory(m_folder);
    }
    const QStringList paths = ReadSoundPaths(iniPath());
    const QList<QLineEdit*> edits = fields();
    for (int i = 0; i < edits.size(); ++i) {
        edits.at(i)->setText(paths.value(i));
    }
}

void TSoundDialog::showEvent(QShowEvent* event)
{
    m_returningFromOwnWindow = false;
    ClosingDialog::showEvent(event);
    FormActivate();
}

void TSoundDialog::changeEvent(QEvent* event)
{
    ClosingDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isVisible()) {
        return;
    }
    if (!isActiveWindow()) {
        // The file window of Browse (a native one is no widget of ours) and this dialog's message
        // boxes are its own: coming back from them is no new activation, or it would wipe the path
        // just chosen and the edits that a failed OK keeps for another try.
        m_returningFromOwnWindow = m_browsing;
        for (const QWidget* w = QApplication::activeWindow(); w; w = w->parentWidget()) {
            if (w == this) {
                m_returningFromOwnWindow = true;
                break;
            }
        }
        return;
    }
    if (m_returningFromOwnWindow) {
        m_returningFromOwnWindow = false;
        return;
    }
    FormActivate();
}

void TSoundDialog::BrowseAOL1Click(QPushButton* sender)
{
    m_browsing = true;
    const QString chosen = m_chooseFile();
    m_browsing = false;
    if (chosen.isEmpty()) {
        return;
    }
    // The row whose button it was receives the path.
    for (int i = 0; i < EventSoundCount; ++i) {
        if (sender == m_browses[i]) {
            fields().at(i)->setText(chosen);
        }
    }
}

void TSoundDialog::DefaultAOLClick()
{
    const QList<QLineEdit*> edits = fields();
    for (int i = 0; i < edits.size(); ++i) {
        edits.at(i)->setText(DefaultSoundPath(m_folder, i));
    }
}

void TSoundDialog::OKAOLClick()
{
    QStringList paths;
    for (QLineEdit* edit : fields()) {
        if (edit->text().isEmpty()) {
            edit->setText(DefaultSoundPath(m_folder, 0));
        }
        paths.append(edit->text());
    }
    if (!WriteSoundPaths(iniPath(), paths)) {
        ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("Unable to write to %1").arg(iniPath()), QMessageBox::Ok);
        return;
    }
    accept();
}

void TSoundDialog::CancelAOLClick()
{
    reject();
}

void TSoundDialog::HelpAOLClick()
{
    m_help.showTopic(QStringLiteral("Sound"));
}
