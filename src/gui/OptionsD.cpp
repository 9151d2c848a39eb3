#include "OptionsD.h"

#include "core/Help.h"
#include "core/SettingsStore.h"
#include "gui/DialogButtons.h"
#include "gui/KeyboardAccess.h"
#include "gui/SoundD.h"
#include "platform/Autostart.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

// The controls the handlers read and set; the buttons below them only lead to their handlers.
struct TOptionsDialog::Ui
{
    QCheckBox* DelAfterCB;
    QCheckBox* StartupCB;
    QCheckBox* SoundsCB;
    QPushButton* DefSoundsSB;
    QSpinBox* RepeatNot;
};

TOptionsDialog::TOptionsDialog(SettingsStore& settings, TSoundDialog* sounds, Help& help, QString programPath,
                               QWidget* parent)
    : ClosingDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ui(std::make_unique<Ui>()),
      m_settings(settings), m_sounds(sounds), m_help(help), m_programPath(std::move(programPath))
{
    setObjectName(QStringLiteral("OptionsDialog"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    QFrame* frame = buildFrame();
    QHBoxLayout* buttons = MakeButtonRow(this, {{"OKSB", QStringLiteral("&OK"), [this] { OKAOLClick(); }},
                                                {"HelpSB", QStringLiteral("&Help"), [this] { HelpSBClick(); }},
                                                {"CancelSB", QStringLiteral("&Cancel"), [this] { CancelAOLClick(); }}});
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, &TOptionsDialog::HelpSBClick);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_ui->SoundsCB, &QCheckBox::toggled, this, &TOptionsDialog::SoundsCBClick);
    connect(m_ui->DefSoundsSB, &QPushButton::clicked, this, &TOptionsDialog::DefSoundAOLClick);
    m_ui->DefSoundsSB->setEnabled(false);
}

TOptionsDialog::~TOptionsDialog() = default;

QFrame* TOptionsDialog::buildFrame()
{
    Ui& ui = *m_ui;
    QFont bold = font();
    bold.setBold(true);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(frame);
    ui.DelAfterCB = new QCheckBox(QStringLiteral("Delete after notification"), frame);
    ui.StartupCB = new QCheckBox(QStringLiteral("Run on Windows startup"), frame);
    ui.SoundsCB = new QCheckBox(QStringLiteral("Use sounds"), frame);
    ui.DefSoundsSB = new QPushButton(QStringLiteral("&Set sounds >>"), frame);
    ui.DefSoundsSB->setFlat(true);
    ui.DefSoundsSB->setFont(bold);
    ui.DefSoundsSB->setAutoDefault(false);
    ShowFocusFrame(ui.DefSoundsSB);
    grid->addWidget(ui.DelAfterCB, 0, 0, 1, 2);
    grid->addWidget(ui.StartupCB, 1, 0, 1, 2);
    grid->addWidget(ui.SoundsCB, 2, 0);
    grid->addWidget(ui.DefSoundsSB, 2, 1);
    auto* line = new QFrame(frame);
    line->setFrameShape(QFrame::HLine);
    grid->addWidget(line, 3, 0, 1, 2);
    auto* repeatRow = new QHBoxLayout;
    ui.RepeatNot = new QSpinBox(frame);
    ui.RepeatNot->setRange(1, 15);
    ui.RepeatNot->setValue(15);
    auto* repeatLabel = new QLabel(QStringLiteral("Repeat notification in:"), frame);
    repeatLabel->setBuddy(ui.RepeatNot);
    ui.RepeatNot->setAccessibleDescription(QStringLiteral("minutes"));
    repeatRow->addWidget(repeatLabel);
    repeatRow->addWidget(ui.RepeatNot);
    repeatRow->addWidget(new QLabel(QStringLiteral("minutes"), frame));
    repeatRow->addStretch();
    grid->addLayout(repeatRow, 4, 0, 1, 2);

    ui.DelAfterCB->setObjectName(QStringLiteral("DelAfterCB"));
    ui.StartupCB->setObjectName(QStringLiteral("StartupCB"));
    ui.SoundsCB->setObjectName(QStringLiteral("SoundsCB"));
    ui.DefSoundsSB->setObjectName(QStringLiteral("DefSoundsSB"));
    ui.RepeatNot->setObjectName(QStringLiteral("RepeatNot"));
    return frame;
}

OptionValues TOptionsDialog::LoadOptions()
{
    m_values = ::LoadOptions(m_settings);
    followStoredSound(m_values.Sound);
    return m_values;
}

void TOptionsDialog::followStoredSound(bool sound)
{
    if (!sound) {
        m_ui->DefSoundsSB->setEnabled(false);
    }
}

void TOptionsDialog::SaveOptions()
{
    const Ui& ui = *m_ui;
    ::SaveOptions(m_settings,
                  OptionValues{ui.DelAfterCB->isChecked(), ui.SoundsCB->isChecked(), ui.RepeatNot->value()});
}

void TOptionsDialog::FormActivate()
{
    Ui& ui = *m_ui;
    LoadOptions();
    ui.DelAfterCB->setChecked(m_values.Del);
    ui.SoundsCB->setChecked(m_values.Sound);
    // The tick may already have been as stored while the re-alert check's LoadOptions disabled the
    // button behind it: the button follows the tick whether or not the tick changed.
    SoundsCBClick();
    ui.RepeatNot->setValue(qBound(ui.RepeatNot->minimum(), m_values.Interval, ui.RepeatNot->maximum()));
}

void TOptionsDialog::showEvent(QShowEvent* event)
{
    ClosingDialog::showEvent(event);
    // The dialog opens showing an existing start-with-the-session entry, so that OK never removes it
    // unasked; later activations leave the box to the user until OK or Cancel.
    if (!event->spontaneous() && AutostartEntryExists()) {
        m_ui->StartupCB->setChecked(true);
    }
    FormActivate();
}

void TOptionsDialog::changeEvent(QEvent* event)
{
    ClosingDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) {
        FormActivate();
    }
}

void TOptionsDialog::SoundsCBClick()
{
    m_ui->DefSoundsSB->setEnabled(m_ui->SoundsCB->isChecked());
}

void TOptionsDialog::DefSoundAOLClick()
{
    if (m_sounds) {
        m_sounds->exec();
    }
    FormActivate(); // coming back to this dialog reloads it, as an activation does
}

void TOptionsDialog::OKAOLClick()
{
    SaveOptions();
    if (m_ui->StartupCB->isChecked()) {
        WriteAutostartEntry(m_programPath);
    } else {
        RemoveAutostartEntry();
    }
    accept();
}

void TOptionsDialog::CancelAOLClick()
{
    reject();
}

void TOptionsDialog::HelpSBClick()
{
    m_help.showTopic(QStringLiteral("Opcije"));
}
