#include "SoundD.h"

#include "core/EventSounds.h"
#include "core/Help.h"
#include "core/SoundOutput.h"
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

TSoundDialog::TSoundDialog(QString programFolder, SoundOutput& output, Help& help, QWidget* parent)
    : ClosingDialog(parent, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint),
      m_folder(std::move(programFolder)), m_output(output), m_help(help)
{
    setObjectName(QStringLiteral("SoundDialog"));
    setWindowTitle(QStringLiteral("Define events sounds"));
    setModal(true);

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
    QLineEdit** edits[] = {&DateTimeE, &StartupE, &ShutdownE, &IConnectE, &IDisConnectE};
    QPushButton** browses[] = {&BrowseSB1, &BrowseSB2, &BrowseSB3, &BrowseSB4, &BrowseSB5};
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < 5; ++i) {
        *edits[i] = new QLineEdit(frame);
        (*edits[i])->setObjectName(SoundKeys().at(i));
        (*edits[i])->setMinimumWidth(260);
        *browses[i] = new QPushButton(QStringLiteral("Browse"), frame);
        (*browses[i])->setObjectName(QStringLiteral("BrowseSB%1").arg(i + 1));
        (*browses[i])->setFlat(true);
        (*browses[i])->setFont(bold);
        (*browses[i])->setAutoDefault(false);
        grid->addWidget(new QLabel(labels[i], frame), i + 2, 0);
        grid->addWidget(*edits[i], i + 2, 1);
        grid->addWidget(*browses[i], i + 2, 2);
        QPushButton* sender = *browses[i];
        connect(sender, &QPushButton::clicked, this, [this, sender] { BrowseAOL1Click(sender); });
    }

    OKSB = new QPushButton(QStringLiteral("OK"), this);
    DefaultSB = new QPushButton(QStringLiteral("Default"), this);
    HelpSB = new QPushButton(QStringLiteral("Help"), this);
    CancelSB = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {OKSB, DefaultSB, HelpSB, CancelSB}) {
        b->setFlat(true);
        b->setFont(bold);
        b->setAutoDefault(false);
        b->setFixedSize(75, 23);
        buttons->addWidget(b);
    }
    OKSB->setObjectName(QStringLiteral("OKSB"));
    DefaultSB->setObjectName(QStringLiteral("DefaultSB"));
    HelpSB->setObjectName(QStringLiteral("HelpSB"));
    CancelSB->setObjectName(QStringLiteral("CancelSB"));
    connect(OKSB, &QPushButton::clicked, this, &TSoundDialog::OKAOLClick);
    connect(DefaultSB, &QPushButton::clicked, this, &TSoundDialog::DefaultAOLClick);
    connect(HelpSB, &QPushButton::clicked, this, &TSoundDialog::HelpAOLClick);
    connect(CancelSB, &QPushButton::clicked, this, &TSoundDialog::CancelAOLClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    chooseFile = [this]() -> QString {
        // The file window is made when first needed: a file window watches its folder all the time.
        if (!OpenDialog) {
            OpenDialog = new QFileDialog(this, QStringLiteral("Open sound file"));
            OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
            OpenDialog->setNameFilter(QStringLiteral("Sound file (*.wav)"));
            OpenDialog->setFileMode(QFileDialog::ExistingFile);
            OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
            OpenDialog->setDirectory(m_folder);
        }
        if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty()) {
            return {};
        }
        return OpenDialog->selectedFiles().constFirst();
    };
}

void TSoundDialog::FormActivate()
{
    // An open file window stays in the folder the user went to.
    if (OpenDialog && !OpenDialog->isVisible()) {
        OpenDialog->setDirectory(m_folder);
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
    const QString chosen = chooseFile();
    m_browsing = false;
    if (chosen.isEmpty()) {
        return;
    }
    const QPushButton* browses[] = {BrowseSB1, BrowseSB2, BrowseSB3, BrowseSB4, BrowseSB5};
    for (int i = 0; i < 5; ++i) {
        if (sender == browses[i]) {
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

void TSoundDialog::PlayEventSound(QChar flag)
{
    // The stored path, read afresh; an open dialog and its file window keep what the user has there.
    const qsizetype row = SoundKeys().indexOf(SoundKeyForFlag(flag));
    const QString path = row >= 0 ? ReadSoundPaths(iniPath()).value(row) : QString();
    if (!IsRegularSoundFile(path)) {
        ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("Sound file not found!"),
                    QMessageBox::Ok, &m_help, 0);
        return;
    }
    const QString error = m_output.play(path);
    if (!error.isEmpty()) {
        // An unplayable file is reported, and the caller still shows its alert.
        ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"), error, QMessageBox::Ok);
    }
}
