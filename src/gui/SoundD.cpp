#include "SoundD.h"

#include "core/EventSounds.h"
#include "core/SoundOutput.h"
#include "gui/HelpMessageBox.h"
#include "platform/HelpViewer.h"

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
{
}

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

struct TSoundDialog::Ui
{
    QLineEdit* DateTimeE = nullptr;
    QLineEdit* StartupE = nullptr;
    QLineEdit* ShutdownE = nullptr;
    QLineEdit* IConnectE = nullptr;
    QLineEdit* IDisConnectE = nullptr;
    QPushButton* BrowseSB1 = nullptr;
    QPushButton* BrowseSB2 = nullptr;
    QPushButton* BrowseSB3 = nullptr;
    QPushButton* BrowseSB4 = nullptr;
    QPushButton* BrowseSB5 = nullptr;
    QPushButton* OKSB = nullptr;
    QPushButton* DefaultSB = nullptr;
    QPushButton* HelpSB = nullptr;
    QPushButton* CancelSB = nullptr;
    QFileDialog* OpenDialog = nullptr; // made at the first Browse
    QFrame* frame = nullptr;
    QHBoxLayout* buttons = nullptr;
};

TSoundDialog::TSoundDialog(QString programFolder, SoundOutput& output, HelpViewer* help, QWidget* parent)
    : ClosingDialog(parent, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint), m_ui(std::make_unique<Ui>()),
      m_folder(std::move(programFolder)), m_help(help),
      m_player(SoundsIniPath(m_folder), output,
               [this](const QString& message, int helpContext) {
                   ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"), message, QMessageBox::Ok,
                               helpContext >= 0 ? m_help : nullptr, helpContext);
               }),
      m_chooseFile([this] { return chooseInFileWindow(); })
{
    setObjectName(QStringLiteral("SoundDialog"));
    setWindowTitle(QStringLiteral("Define events sounds"));
    setModal(true);

    buildRows();
    buildButtons();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_ui->frame);
    layout->addLayout(m_ui->buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TSoundDialog::~TSoundDialog() = default;

void TSoundDialog::buildRows()
{
    Ui& ui = *m_ui;
    ui.frame = new QFrame(this);
    ui.frame->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(ui.frame);
    auto* heading = new QLabel(QStringLiteral("Event:"), ui.frame);
    grid->addWidget(heading, 0, 0, 1, 3);
    auto* line = new QFrame(ui.frame);
    line->setFrameShape(QFrame::HLine);
    grid->addWidget(line, 1, 0, 1, 3);

    const QString labels[] = {QStringLiteral("on specific date/time:"), QStringLiteral("on Windows startup:"),
                              QStringLiteral("on Windows shutdown:"), QStringLiteral("on Internet connect:"),
                              QStringLiteral("on Internet disconnect:")};
    QLineEdit** edits[] = {&ui.DateTimeE, &ui.StartupE, &ui.ShutdownE, &ui.IConnectE, &ui.IDisConnectE};
    QPushButton** browses[] = {&ui.BrowseSB1, &ui.BrowseSB2, &ui.BrowseSB3, &ui.BrowseSB4, &ui.BrowseSB5};
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < 5; ++i) {
        *edits[i] = new QLineEdit(ui.frame);
        // The field's name is its key in sounds.ini.
        (*edits[i])->setObjectName(SoundKeys().at(i));
        (*edits[i])->setMinimumWidth(260);
        *browses[i] = new QPushButton(QStringLiteral("Browse"), ui.frame);
        (*browses[i])->setObjectName(QStringLiteral("BrowseSB%1").arg(i + 1));
        (*browses[i])->setFlat(true);
        (*browses[i])->setFont(bold);
        (*browses[i])->setAutoDefault(false);
        grid->addWidget(new QLabel(labels[i], ui.frame), i + 2, 0);
        grid->addWidget(*edits[i], i + 2, 1);
        grid->addWidget(*browses[i], i + 2, 2);
        QPushButton* sender = *browses[i];
        connect(sender, &QPushButton::clicked, this, [this, sender] { BrowseAOL1Click(sender); });
    }
}

void TSoundDialog::buildButtons()
{
    Ui& ui = *m_ui;
    QFont bold = font();
    bold.setBold(true);
    ui.OKSB = new QPushButton(QStringLiteral("OK"), this);
    ui.DefaultSB = new QPushButton(QStringLiteral("Default"), this);
    ui.HelpSB = new QPushButton(QStringLiteral("Help"), this);
    ui.CancelSB = new QPushButton(QStringLiteral("Cancel"), this);
    ui.buttons = new QHBoxLayout;
    for (QPushButton* b : {ui.OKSB, ui.DefaultSB, ui.HelpSB, ui.CancelSB}) {
        b->setFlat(true);
        b->setFont(bold);
        b->setAutoDefault(false);
        b->setFixedSize(75, 23);
        ui.buttons->addWidget(b);
    }
    ui.OKSB->setObjectName(QStringLiteral("OKSB"));
    ui.DefaultSB->setObjectName(QStringLiteral("DefaultSB"));
    ui.HelpSB->setObjectName(QStringLiteral("HelpSB"));
    ui.CancelSB->setObjectName(QStringLiteral("CancelSB"));
    connect(ui.OKSB, &QPushButton::clicked, this, &TSoundDialog::OKAOLClick);
    connect(ui.DefaultSB, &QPushButton::clicked, this, &TSoundDialog::DefaultAOLClick);
    connect(ui.HelpSB, &QPushButton::clicked, this, &TSoundDialog::HelpAOLClick);
    connect(ui.CancelSB, &QPushButton::clicked, this, &TSoundDialog::CancelAOLClick);
}

QString TSoundDialog::chooseInFileWindow()
{
    QFileDialog*& open = m_ui->OpenDialog;
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
    return {m_ui->DateTimeE, m_ui->StartupE, m_ui->ShutdownE, m_ui->IConnectE, m_ui->IDisConnectE};
}

void TSoundDialog::FormActivate()
{
    // An open file window stays in the folder the user went to.
    if (m_ui->OpenDialog && !m_ui->OpenDialog->isVisible()) {
        m_ui->OpenDialog->setDirectory(m_folder);
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
    const QPushButton* browses[] = {m_ui->BrowseSB1, m_ui->BrowseSB2, m_ui->BrowseSB3, m_ui->BrowseSB4,
                                    m_ui->BrowseSB5};
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
    if (m_help) {
        m_help->showTopic(QStringLiteral("Sound"));
    }
}
