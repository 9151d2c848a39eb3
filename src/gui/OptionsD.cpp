#include "OptionsD.h"

#include "core/Help.h"
#include "core/SettingsStore.h"
#include "gui/SoundD.h"
#include "platform/Autostart.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

TOptionsDialog::TOptionsDialog(SettingsStore& settings, TSoundDialog* sounds, Help& help, QString programPath,
                               QWidget* parent)
    : ClosingDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_settings(settings),
      m_sounds(sounds), m_help(help), m_programPath(std::move(programPath))
{
    setObjectName(QStringLiteral("OptionsDialog"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    QFont bold = font();
    bold.setBold(true);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(frame);
    DelAfterCB = new QCheckBox(QStringLiteral("Delete after notification"), frame);
    StartupCB = new QCheckBox(QStringLiteral("Run on Windows startup"), frame);
    SoundsCB = new QCheckBox(QStringLiteral("Use sounds"), frame);
    DefSoundsSB = new QPushButton(QStringLiteral("Set sounds >>"), frame);
    DefSoundsSB->setFlat(true);
    DefSoundsSB->setFont(bold);
    DefSoundsSB->setAutoDefault(false);
    grid->addWidget(DelAfterCB, 0, 0, 1, 2);
    grid->addWidget(StartupCB, 1, 0, 1, 2);
    grid->addWidget(SoundsCB, 2, 0);
    grid->addWidget(DefSoundsSB, 2, 1);
    auto* line = new QFrame(frame);
    line->setFrameShape(QFrame::HLine);
    grid->addWidget(line, 3, 0, 1, 2);
    auto* repeatRow = new QHBoxLayout;
    RepeatNot = new QSpinBox(frame);
    RepeatNot->setRange(1, 15);
    RepeatNot->setValue(15);
    repeatRow->addWidget(new QLabel(QStringLiteral("Repeat notification in:"), frame));
    repeatRow->addWidget(RepeatNot);
    repeatRow->addWidget(new QLabel(QStringLiteral("minutes"), frame));
    repeatRow->addStretch();
    grid->addLayout(repeatRow, 4, 0, 1, 2);

    DelAfterCB->setObjectName(QStringLiteral("DelAfterCB"));
    StartupCB->setObjectName(QStringLiteral("StartupCB"));
    SoundsCB->setObjectName(QStringLiteral("SoundsCB"));
    DefSoundsSB->setObjectName(QStringLiteral("DefSoundsSB"));
    RepeatNot->setObjectName(QStringLiteral("RepeatNot"));

    OKSB = new QPushButton(QStringLiteral("OK"), this);
    HelpSB = new QPushButton(QStringLiteral("Help"), this);
    CancelSB = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {OKSB, HelpSB, CancelSB}) {
        b->setFlat(true);
        b->setFont(bold);
        b->setAutoDefault(false);
        b->setFixedSize(75, 23);
        buttons->addWidget(b);
    }
    OKSB->setObjectName(QStringLiteral("OKSB"));
    HelpSB->setObjectName(QStringLiteral("HelpSB"));
    CancelSB->setObjectName(QStringLiteral("CancelSB"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(SoundsCB, &QCheckBox::toggled, this, &TOptionsDialog::SoundsCBClick);
    connect(DefSoundsSB, &QPushButton::clicked, this, &TOptionsDialog::DefSoundAOLClick);
    connect(OKSB, &QPushButton::clicked, this, &TOptionsDialog::OKAOLClick);
    connect(HelpSB, &QPushButton::clicked, this, &TOptionsDialog::HelpSBClick);
    connect(CancelSB, &QPushButton::clicked, this, &TOptionsDialog::CancelAOLClick);
    DefSoundsSB->setEnabled(false);
}

OptionValues TOptionsDialog::LoadOptions()
{
    const OptionValues values = ::LoadOptions(m_settings);
    Del = values.Del;
    Sound = values.Sound;
    Interval = values.Interval;
    if (!Sound) {
        DefSoundsSB->setEnabled(false);
    }
    return values;
}

void TOptionsDialog::SaveOptions()
{
    ::SaveOptions(m_settings, OptionValues{DelAfterCB->isChecked(), SoundsCB->isChecked(), RepeatNot->value()});
}

void TOptionsDialog::FormActivate()
{
    LoadOptions();
    DelAfterCB->setChecked(Del);
    SoundsCB->setChecked(Sound);
    // The tick may already have been as stored while the re-alert check's LoadOptions disabled the
    // button behind it: the button follows the tick whether or not the tick changed.
    SoundsCBClick();
    RepeatNot->setValue(qBound(RepeatNot->minimum(), Interval, RepeatNot->maximum()));
}

void TOptionsDialog::showEvent(QShowEvent* event)
{
    ClosingDialog::showEvent(event);
    // The dialog opens showing an existing start-with-the-session entry, so that OK never removes it
    // unasked; later activations leave the box to the user until OK or Cancel.
    if (!event->spontaneous() && AutostartEntryExists()) {
        StartupCB->setChecked(true);
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
    DefSoundsSB->setEnabled(SoundsCB->isChecked());
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
    if (StartupCB->isChecked()) {
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
