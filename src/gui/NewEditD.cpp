#include "NewEditD.h"

#include "core/DateText.h"
#include "core/Help.h"
#include "core/ReminderFile.h"
#include "core/ReminderModel.h"
#include "gui/HelpMessageBox.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimeEdit>

namespace {

QCheckBox* checkBox(const QString& caption, const char* name, QWidget* parent, int left, int top)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->move(left, top);
    box->adjustSize();
    return box;
}

QLabel* label(const QString& caption, const char* name, QWidget* parent, int left, int top)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    l->move(left, top);
    l->adjustSize();
    return l;
}

// The event boxes were laid out for a narrower font than most systems fall back to: the group first
// takes the free room up to maxRight, then the boxes take a narrower face of their font and, only
// when that is not enough, a smaller size, until the widest caption fits.
void fitEventBoxes(QGroupBox* group, const QList<QCheckBox*>& boxes, int maxRight)
{
    const auto widest = [&boxes] {
        int w = 0;
        for (QCheckBox* box : boxes) {
            box->adjustSize();
            w = qMax(w, box->x() + box->width());
        }
        return w;
    };
    const int rightMargin = group->width() - 1 - group->contentsRect().right();
    const int room = maxRight - group->x();
    group->resize(qBound(group->width(), widest() + rightMargin, room), group->height());
    QFont font = boxes.constFirst()->font();
    while (widest() + rightMargin > group->width() && QFontInfo(font).pixelSize() > 8) {
        if (font.stretch() == QFont::SemiCondensed) {
            font.setStretch(QFont::Condensed);
        } else if (font.stretch() != QFont::Condensed) {
            font.setStretch(QFont::SemiCondensed);
        } else if (font.pointSizeF() > 0) {
            font.setStretch(QFont::AnyStretch);
            font.setPointSizeF(font.pointSizeF() - 0.5);
        } else {
            font.setStretch(QFont::AnyStretch);
            font.setPixelSize(font.pixelSize() - 1);
        }
        for (QCheckBox* box : boxes) {
            box->setFont(font);
        }
    }
}

} // namespace

TNewEditDialog::TNewEditDialog(NewEditHost host, QWidget* parent)
    : ClosingDialog(parent, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint)
    , m_host(std::move(host))
{
    setObjectName(QStringLiteral("NewEditDialog"));
    setWindowTitle(newCaption());
    setModal(true);
    setFixedSize(394, 332);

    auto* outer = new QFrame(this);
    outer->setFrameShape(QFrame::StyledPanel);
    outer->setGeometry(8, 8, 377, 289);
    auto* inner = new QFrame(this);
    inner->setFrameShape(QFrame::StyledPanel);
    inner->setGeometry(16, 176, 361, 113);

    Label4 = label(QStringLiteral("Reminder name:"), "Label4", this, 16, 16);
    NameE = new QLineEdit(this);
    NameE->setObjectName(QStringLiteral("NameE"));
    NameE->setGeometry(16, 32, 361, 21);
    Label2 = label(QStringLiteral("What to  do:"), "Label2", this, 192, 54);
    WhatRE = new QTextEdit(this);
    WhatRE->setObjectName(QStringLiteral("WhatRE"));
    WhatRE->setAcceptRichText(false);
    WhatRE->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    WhatRE->setTabChangesFocus(true);
    WhatRE->setGeometry(192, 66, 185, 97);

    WhenGB = new QGroupBox(QStringLiteral(" Reminde when "), this);
    WhenGB->setObjectName(QStringLiteral("WhenGB"));
    WhenGB->setGeometry(16, 61, 153, 102);
    rDateTime = checkBox(QStringLiteral("on specific date/time"), "rDateTime", WhenGB, 8, 16);
    rStartup = checkBox(QStringLiteral("on Windows startup"), "rStartup", WhenGB, 8, 32);
    rShutdown = checkBox(QStringLiteral("on Windows shutdown"), "rShutdown", WhenGB, 8, 48);
    rIConnect = checkBox(QStringLiteral("on internet connected"), "rIConnect", WhenGB, 8, 64);
    rIDisConnect = checkBox(QStringLiteral("on internet disconnected"), "rIDisConnect", WhenGB, 8, 80);
    fitEventBoxes(WhenGB, {rDateTime, rStartup, rShutdown, rIConnect, rIDisConnect}, WhatRE->x() - 8);

    specDateCB = checkBox(QStringLiteral("on specific date"), "specDateCB", this, 24, 184);
    specTimeCB = checkBox(QStringLiteral("on specific time"), "specTimeCB", this, 24, 208);
    Label3 = label(QStringLiteral("Reminde again in:"), "Label3", this, 168, 184);
    RepeatE = new QLineEdit(QStringLiteral("0"), this);
    RepeatE->setObjectName(QStringLiteral("RepeatE"));
    RepeatE->setGeometry(168, 200, 121, 21);
    RepeatE->setMaxLength(4);
    // Pasted text is held to digits too, so the range check always reads a whole number.
    RepeatE->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), RepeatE));
    Label5 = label(QStringLiteral("Time:"), "Label5", this, 24, 238);
    Vrijeme = new QTimeEdit(this);
    Vrijeme->setObjectName(QStringLiteral("Vrijeme"));
    Vrijeme->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    Vrijeme->setGeometry(24, 254, 97, 21);
    Label1 = label(QStringLiteral("Date:"), "Label1", this, 168, 238);
    Kalendar = new QDateEdit(this);
    Kalendar->setObjectName(QStringLiteral("Kalendar"));
    Kalendar->setCalendarPopup(true);
    Kalendar->setGeometry(168, 254, 169, 21);

    QFont buttonFont(QStringLiteral("Tahoma"));
    buttonFont.setPixelSize(11);
    buttonFont.setBold(true);
    OKSB = new QPushButton(QStringLiteral("OK"), this);
    HelpSB = new QPushButton(QStringLiteral("Help"), this);
    CancelSB = new QPushButton(QStringLiteral("Cancel"), this);
    const int lefts[] = {33, 161, 289};
    int i = 0;
    for (QPushButton* b : {OKSB, HelpSB, CancelSB}) {
        b->setFont(buttonFont);
        b->setFlat(true);
        b->setAutoDefault(false);
        // Flat buttons take no focus: a click on Cancel or Help does not leave the field being
        // edited, so it does not run that field's check.
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(lefts[i++], 304, 75, 23);
    }
    OKSB->setObjectName(QStringLiteral("OKSB"));
    HelpSB->setObjectName(QStringLiteral("HelpSB"));
    CancelSB->setObjectName(QStringLiteral("CancelSB"));

    for (QWidget* w : {static_cast<QWidget*>(specDateCB), static_cast<QWidget*>(specTimeCB),
                       static_cast<QWidget*>(Label3), static_cast<QWidget*>(RepeatE), static_cast<QWidget*>(Label5),
                       static_cast<QWidget*>(Vrijeme), static_cast<QWidget*>(Label1),
                       static_cast<QWidget*>(Kalendar)}) {
        w->setEnabled(false);
    }

    // The enabling rules follow each box's state, whoever changes it; they do not cascade.
    connect(rDateTime, &QCheckBox::toggled, this, &TNewEditDialog::rDateTimeClick);
    connect(specDateCB, &QCheckBox::toggled, this, [this](bool on) {
        Label1->setEnabled(on);
        Kalendar->setEnabled(on);
    });
    connect(specTimeCB, &QCheckBox::toggled, this, [this](bool on) {
        Label5->setEnabled(on);
        Vrijeme->setEnabled(on);
    });

    connect(OKSB, &QPushButton::clicked, this, &TNewEditDialog::OKAOLClick);
    connect(CancelSB, &QPushButton::clicked, this, &TNewEditDialog::CancelAOLClick);
    connect(HelpSB, &QPushButton::clicked, this, &TNewEditDialog::HelpSBClick);

    RepeatE->installEventFilter(this);
    Vrijeme->installEventFilter(this);
    for (QObject* child : Vrijeme->children()) {
        child->installEventFilter(this);
    }

    // Tab order: name, text, date, time, the event boxes, the two date/time boxes, the step.
    setTabOrder(NameE, WhatRE);
    setTabOrder(WhatRE, Kalendar);
    setTabOrder(Kalendar, Vrijeme);
    setTabOrder(Vrijeme, rDateTime);
    setTabOrder(rDateTime, rStartup);
    setTabOrder(rStartup, rShutdown);
    setTabOrder(rShutdown, rIConnect);
    setTabOrder(rIConnect, rIDisConnect);
    setTabOrder(rIDisConnect, specDateCB);
    setTabOrder(specDateCB, specTimeCB);
    setTabOrder(specTimeCB, RepeatE);

    // FormCreate
    Kalendar->setDate(m_host.today ? m_host.today() : QDate::currentDate());
}

bool TNewEditDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == RepeatE && event->type() == QEvent::KeyPress) {
        // RepeatEKeyPress: backspace and digits pass; any other typed character becomes a
        // carriage return, which the one-line field does not insert.
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (!text.isEmpty() && !key->matches(QKeySequence::Paste)) {
            const QChar c = text.at(0);
            if (c != u'\b' && !(c >= u'0' && c <= u'9') && c.isPrint()) {
                return true;
            }
        }
    }
    if (watched == RepeatE && event->type() == QEvent::FocusOut) {
        auto* focus = static_cast<QFocusEvent*>(event);
        if (focus->reason() != Qt::ActiveWindowFocusReason && focus->reason() != Qt::PopupFocusReason) {
            RepeatEExit();
        }
    }
    if (event->type() == QEvent::FocusIn && (watched == Vrijeme || watched->parent() == Vrijeme)) {
        VrijemeExit();
    }
    return ClosingDialog::eventFilter(watched, event);
}

QString TNewEditDialog::repeatText() const
{
    // The field holds digits only; "00" or "007" is written as the number it means.
    const QString text = RepeatE->text();
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? QString::number(value) : QStringLiteral("0");
}

void TNewEditDialog::reportInvalidRepeat()
{
    ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("Invalid repeat interval!"),
                QMessageBox::Ok, m_host.help, 6);
    RepeatE->clear();
    RepeatE->setFocus();
}

bool TNewEditDialog::repeatInRange() const
{
    bool ok = false;
    const QString text = RepeatE->text().trimmed();
    const qlonglong n = text.isEmpty() ? 0 : text.toLongLong(&ok);
    if (!text.isEmpty() && !ok) {
        // Text that is not a whole number (set from a hand-edited data file): refused like a step out of range.
        return false;
    }
    if (specDateCB->isChecked() && n > 1000) {
        return false;
    }
    return n <= 1440;
}

bool TNewEditDialog::checkRepeat()
{
    if (m_inRepeatExit || !isVisible() || repeatInRange()) {
        return true;
    }
    m_inRepeatExit = true; // the message box takes the focus away from the field once more
    reportInvalidRepeat();
    m_inRepeatExit = false;
    return false;
}

void TNewEditDialog::RepeatEExit()
{
    checkRepeat();
}

void TNewEditDialog::VrijemeExit()
{
    if (m_host.stopTimer) {
        m_host.stopTimer();
    }
}

void TNewEditDialog::rDateTimeClick()
{
    const bool on = rDateTime->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(specDateCB), static_cast<QWidget*>(specTimeCB),
                       static_cast<QWidget*>(Label3), static_cast<QWidget*>(RepeatE)}) {
        w->setEnabled(on);
    }
}

void TNewEditDialog::ReadFlags()
{
    EventFlags[0] = repeatText() != QStringLiteral("0");
    EventFlags[1] = rDateTime->isChecked();
    EventFlags[2] = rStartup->isChecked();
    EventFlags[3] = rShutdown->isChecked();
    EventFlags[4] = rIConnect->isChecked();
    EventFlags[5] = rIDisConnect->isChecked();
}

void TNewEditDialog::ResetFields()
{
    WhatRE->clear();
    for (QCheckBox* box : {rDateTime, rStartup, rShutdown, rIConnect, rIDisConnect}) {
        box->setChecked(false);
    }
    Kalendar->setEnabled(false);
    Vrijeme->setEnabled(false);
    NameE->clear();
    specDateCB->setChecked(false);
    specTimeCB->setChecked(false);
    RepeatE->clear();
    NameE->setFocus();
}

QStringList TNewEditDialog::whatLines() const
{
    QStringList lines;
    if (WhatRE->document()->isEmpty()) {
        return lines;
    }
    for (QTextBlock block = WhatRE->document()->begin(); block.isValid(); block = block.next()) {
        // Soft line breaks inside a block count as line breaks too.
        lines.append(block.text().split(QChar::LineSeparator));
    }
    return lines;
}

void TNewEditDialog::setWhatText(const QString& what)
{
    QString text = what;
    text.replace(u'\r', u'\n');
    WhatRE->setPlainText(text);
}

void TNewEditDialog::OKAOLClick()
{
    // OK takes no focus, so a step typed just before it has not been checked yet: pressing OK
    // leaves the field, and the check runs as it would on any other way out.
    if (RepeatE->hasFocus() && !checkRepeat()) {
        return;
    }
    if (NameE->text().isEmpty()) {
        ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("Reminder name not specified!"), QMessageBox::Ok);
        NameE->setFocus();
        return;
    }
    ReadFlags();
    ReminderModel& model = *m_host.model;
    const QDate today = m_host.today ? m_host.today() : QDate::currentDate();
    Reminder r;
    r.name = NameE->text();
    if (!isEditMode()) {
        if (WhatRE->toPlainText().isEmpty()) {
            ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"),
                        QStringLiteral("Reminde text not specified!"), QMessageBox::Ok);
            WhatRE->setFocus();
            return;
        }
        r.date = specDateCB->isChecked() ? FormatDate(Kalendar->date()) : u'#' + FormatDate(today);
        r.time = specTimeCB->isChecked() ? FormatTime(Vrijeme->time()) : QStringLiteral("0");
        r.repeat = repeatText();
        r.events = BuildEventsText(EventFlags);
        r.what = JoinEditorText(whatLines());
        if (!checkReadsBack(r)) {
            return;
        }
        model.append(r);
        accept();
        return;
    }
    const int row = model.rowOfId(m_editRowId);
    r.date = u'#' + FormatDate(today);
    if (rDateTime->isChecked()) {
        if (specDateCB->isChecked()) {
            r.date = FormatDate(Kalendar->date());
        }
        if (specTimeCB->isChecked()) {
            r.time = FormatTime(Vrijeme->time());
        }
        if (repeatText() != QStringLiteral("0")) {
            r.repeat = repeatText();
        }
    }
    r.events = BuildEventsText(EventFlags);
    r.what = JoinEditorText(whatLines());
    if (!checkReadsBack(r)) {
        return;
    }
    if (row >= 0) {
        model.changeRow(row, r);
    }
    accept();
}

// A row that would not read back from the data files as it was typed is refused, its field
// focused with its text kept.
bool TNewEditDialog::checkReadsBack(const Reminder& r)
{
    const std::optional<Field> field = FieldNotReadingBack(r);
    if (!field) {
        return true;
    }
    QString message = QStringLiteral("Reminder cannot be saved as entered!");
    QWidget* focus = nullptr;
    if (*field == Field::Name) {
        message = QStringLiteral("Reminder name contains characters that cannot be saved!");
        focus = NameE;
    } else if (*field == Field::What) {
        message = QStringLiteral("Reminder text contains a line that cannot be saved!");
        focus = WhatRE;
    }
    ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"), message, QMessageBox::Ok);
    if (focus) {
        focus->setFocus();
    }
    return false;
}

void TNewEditDialog::CancelAOLClick()
{
    if (m_host.startTimer) {
        m_host.startTimer();
    }
    if (m_host.startSecondTimer) {
        m_host.startSecondTimer();
    }
    reject();
}

void TNewEditDialog::HelpSBClick()
{
    m_host.help->showTopic(QStringLiteral("Kreiranje"));
}

void TNewEditDialog::FormClose()
{
    m_inRepeatExit = true; // the reset empties the step field: no range check on the way out
    ResetFields();
    m_inRepeatExit = false;
    setWindowTitle(newCaption());
    m_editRowId = 0;
    if (m_host.startTimer) {
        m_host.startTimer();
    }
}
