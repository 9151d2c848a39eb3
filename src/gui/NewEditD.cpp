#include "NewEditD.h"

#include "core/Help.h"
#include "core/ReminderFile.h"
#include "core/ReminderModel.h"
#include "gui/HelpMessageBox.h"
#include "gui/WindowLook.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFocusEvent>
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
#include <algorithm>

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

// A control's size: the described one, or what its text needs in the window's font if that is more.
QSize atLeast(QWidget* w, int width, int height)
{
    return w->sizeHint().expandedTo(QSize(width, height));
}

void place(QWidget* w, int left, int top, QSize size)
{
    w->setGeometry(left, top, size.width(), size.height());
}

int bottomOf(const QWidget* w)
{
    return w->y() + w->height();
}

int rightOf(const QWidget* w)
{
    return w->x() + w->width();
}

} // namespace

// The controls that the fields are loaded into and read from; labels, frames and buttons that
// only lead to their handlers are not kept.
struct TNewEditDialog::Ui
{
    QLineEdit* NameE;
    QTextEdit* WhatRE;
    QCheckBox* rDateTime;
    QCheckBox* rStartup;
    QCheckBox* rShutdown;
    QCheckBox* rIConnect;
    QCheckBox* rIDisConnect;
    QCheckBox* specDateCB;
    QCheckBox* specTimeCB;
    QLabel* Label3;
    QLineEdit* RepeatE;
    QLabel* Label5;
    QTimeEdit* Vrijeme;
    QLabel* Label1;
    QDateEdit* Kalendar;
};

TNewEditDialog::TNewEditDialog(NewEditHost host, QWidget* parent)
    : ClosingDialog(parent, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint), m_ui(std::make_unique<Ui>()),
      m_host(std::move(host))
{
    setObjectName(QStringLiteral("NewEditDialog"));
    setMode(Mode::New);
    setModal(true);

    auto* outer = new QFrame(this);
    outer->setObjectName(QStringLiteral("OuterFrame"));
    outer->setFrameShape(QFrame::StyledPanel);
    outer->setGeometry(8, 8, 377, 289);
    auto* inner = new QFrame(this);
    inner->setObjectName(QStringLiteral("InnerFrame"));
    inner->setFrameShape(QFrame::StyledPanel);
    inner->setGeometry(16, 176, 361, 113);

    buildTexts();
    buildEventBoxes();
    buildDateAndTime();
    buildButtons();
    layOut();
    connectRules();
    setTabOrders();

    // FormCreate
    m_ui->Kalendar->setDate(now().date());
}

TNewEditDialog::~TNewEditDialog() = default;

void TNewEditDialog::buildTexts()
{
    Ui& ui = *m_ui;
    label(QStringLiteral("Reminder name:"), "Label4", this, 16, 16);
    ui.NameE = new QLineEdit(this);
    ui.NameE->setObjectName(QStringLiteral("NameE"));
    ui.NameE->setGeometry(16, 32, 361, 21);
    label(QStringLiteral("What to  do:"), "Label2", this, 192, 54);
    ui.WhatRE = new QTextEdit(this);
    ui.WhatRE->setObjectName(QStringLiteral("WhatRE"));
    ui.WhatRE->setAcceptRichText(false);
    ui.WhatRE->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.WhatRE->setTabChangesFocus(true);
    ui.WhatRE->setGeometry(192, 66, 185, 97);
}

void TNewEditDialog::buildEventBoxes()
{
    Ui& ui = *m_ui;
    auto* group = new QGroupBox(QStringLiteral(" Reminde when "), this);
    group->setObjectName(QStringLiteral("WhenGB"));
    group->setGeometry(16, 61, 153, 102);
    ui.rDateTime = checkBox(QStringLiteral("on specific date/time"), "rDateTime", group, 8, 16);
    ui.rStartup = checkBox(QStringLiteral("on Windows startup"), "rStartup", group, 8, 32);
    ui.rShutdown = checkBox(QStringLiteral("on Windows shutdown"), "rShutdown", group, 8, 48);
    ui.rIConnect = checkBox(QStringLiteral("on internet connected"), "rIConnect", group, 8, 64);
    ui.rIDisConnect = checkBox(QStringLiteral("on internet disconnected"), "rIDisConnect", group, 8, 80);
}

void TNewEditDialog::buildDateAndTime()
{
    Ui& ui = *m_ui;
    ui.specDateCB = checkBox(QStringLiteral("on specific date"), "specDateCB", this, 24, 184);
    ui.specTimeCB = checkBox(QStringLiteral("on specific time"), "specTimeCB", this, 24, 208);
    ui.Label3 = label(QStringLiteral("Reminde again in:"), "Label3", this, 168, 184);
    ui.RepeatE = new QLineEdit(QStringLiteral("0"), this);
    ui.RepeatE->setObjectName(QStringLiteral("RepeatE"));
    ui.RepeatE->setGeometry(168, 200, 121, 21);
    ui.RepeatE->setMaxLength(4);
    // Pasted text is held to digits too, so the range check always reads a whole number.
    ui.RepeatE->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), ui.RepeatE));
    ui.Label5 = label(QStringLiteral("Time:"), "Label5", this, 24, 238);
    ui.Vrijeme = new QTimeEdit(this);
    ui.Vrijeme->setObjectName(QStringLiteral("Vrijeme"));
    ui.Vrijeme->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    ui.Vrijeme->setGeometry(24, 254, 97, 21);
    ui.Label1 = label(QStringLiteral("Date:"), "Label1", this, 168, 238);
    ui.Kalendar = new QDateEdit(this);
    ui.Kalendar->setObjectName(QStringLiteral("Kalendar"));
    ui.Kalendar->setCalendarPopup(true);
    ui.Kalendar->setGeometry(168, 254, 169, 21);
    // Everything that follows a box starts disabled, as the unticked boxes say.
    showEnabling(EditorFields{});
}

void TNewEditDialog::buildButtons()
{
    const QFont buttonFont = ScaledPixelFont(QStringLiteral("Tahoma"), 11);
    const std::tuple<const char*, QString, int, void (TNewEditDialog::*)()> specs[] = {
        {"OKSB", QStringLiteral("OK"), 33, &TNewEditDialog::OKAOLClick},
        {"HelpSB", QStringLiteral("Help"), 161, &TNewEditDialog::HelpSBClick},
        {"CancelSB", QStringLiteral("Cancel"), 289, &TNewEditDialog::CancelAOLClick},
    };
    for (const auto& [name, caption, left, handler] : specs) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setFont(buttonFont);
        b->setFlat(true);
        b->setAutoDefault(false);
        b->setGeometry(left, 304, 75, 23);
        // Flat buttons take no focus: a click on Cancel or Help does not leave the field being
        // edited, so it does not run that field's check.
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, handler);
    }
}

// Every control keeps its described place and size where its text fits in the window's font.
// Where it does not, the control grows, what stands below or to the right of it moves on by as
// much, and the frames and the window grow with it; the window stays fixed-size.
void TNewEditDialog::layOut()
{
    const auto get = [this](const char* name) { return findChild<QWidget*>(QLatin1String(name)); };
    QWidget* label4 = get("Label4");
    QWidget* nameE = get("NameE");
    QWidget* label2 = get("Label2");
    QWidget* whatRE = get("WhatRE");
    auto* group = findChild<QGroupBox*>(QStringLiteral("WhenGB"));
    QWidget* outer = get("OuterFrame");
    QWidget* inner = get("InnerFrame");

    // The name, the event boxes beside the text, the text.
    label4->resize(label4->sizeHint());
    place(nameE, 16, qMax(32, bottomOf(label4)), atLeast(nameE, 361, 21));
    const int nameBottom = bottomOf(nameE);
    int boxTop = qMax(16, group->contentsRect().top());
    int groupWidth = 153;
    for (QWidget* box : group->findChildren<QCheckBox*>()) {
        const QSize size = box->sizeHint();
        place(box, 8, boxTop, size);
        boxTop += qMax(16, size.height());
        groupWidth = qMax(groupWidth, rightOf(box) + group->width() - 1 - group->contentsRect().right());
    }
    const int groupTop = qMax(61, nameBottom + 8);
    const int groupHeight = qMax(102, boxTop + 6);
    const int textLeft = qMax(192, 16 + groupWidth + 23);
    place(label2, textLeft, qMax(54, nameBottom + 1), label2->sizeHint());
    const int textTop = qMax(66, bottomOf(label2));
    const int topBottom = qMax(groupTop + groupHeight, textTop + 97);
    group->setGeometry(16, groupTop, groupWidth, topBottom - groupTop);

    // The date, time and repeat controls in their frame: two columns, the pickers under them.
    const int frameTop = topBottom + 13;
    QWidget* specDate = get("specDateCB");
    QWidget* specTime = get("specTimeCB");
    QWidget* label5 = get("Label5");
    QWidget* vrijeme = get("Vrijeme");
    place(specDate, 24, frameTop + 8, specDate->sizeHint());
    place(specTime, 24, qMax(frameTop + 32, bottomOf(specDate) + 2), specTime->sizeHint());
    label5->resize(label5->sizeHint());
    vrijeme->resize(atLeast(vrijeme, 97, 21));
    const int column = std::max(
        {168, rightOf(specDate) + 8, rightOf(specTime) + 8, 24 + label5->width() + 8, 24 + vrijeme->width() + 8});
    QWidget* label3 = get("Label3");
    QWidget* repeatE = get("RepeatE");
    place(label3, column, frameTop + 8, label3->sizeHint());
    place(repeatE, column, qMax(frameTop + 24, bottomOf(label3)), atLeast(repeatE, 121, 21));
    const int rowTop = std::max({frameTop + 62, bottomOf(specTime) + 4, bottomOf(repeatE) + 4});
    QWidget* label1 = get("Label1");
    QWidget* kalendar = get("Kalendar");
    place(label5, 24, rowTop, label5->size());
    place(label1, column, rowTop, label1->sizeHint());
    const int pickerTop = std::max({rowTop + 16, bottomOf(label5), bottomOf(label1)});
    place(vrijeme, 24, pickerTop, vrijeme->size());
    place(kalendar, column, pickerTop, atLeast(kalendar, 169, 21));

    // The right edge: the name and the text reach it, the frames end at it.
    const int right = std::max({377, textLeft + 185, rightOf(kalendar) + 40, rightOf(repeatE) + 40});
    nameE->resize(right - 16, nameE->height());
    whatRE->setGeometry(textLeft, textTop, right - textLeft, topBottom - textTop);
    const int frameHeight = qMax(113, bottomOf(kalendar) + 14 - frameTop);
    inner->setGeometry(16, frameTop, right - 16, frameHeight);
    outer->setGeometry(8, 8, right, frameTop + frameHeight - 8);

    // OK, Help and Cancel: 128 pixels apart from 33, or centred once they need more room.
    QSize buttonSize(75, 23);
    const QList<QPushButton*> buttons = {findChild<QPushButton*>(QStringLiteral("OKSB")),
                                         findChild<QPushButton*>(QStringLiteral("HelpSB")),
                                         findChild<QPushButton*>(QStringLiteral("CancelSB"))};
    for (const QPushButton* b : buttons) {
        buttonSize = buttonSize.expandedTo(CaptionFit(b, QSize(75, 23)));
    }
    const int step = qMax(128, buttonSize.width() + 16);
    const int row = 2 * step + buttonSize.width();
    const int width = std::max({394, right + 17, row + 32});
    const int first = width == 394 && 33 + row <= 393 ? 33 : (width - row) / 2;
    const int buttonTop = bottomOf(outer) + 7;
    for (int i = 0; i < 3; ++i) {
        place(buttons.at(i), first + i * step, buttonTop, buttonSize);
    }
    setFixedSize(width, buttonTop + buttonSize.height() + 5);
}

void TNewEditDialog::connectRules()
{
    Ui& ui = *m_ui;
    // The enabling rules follow each box's state, whoever changes it; they do not cascade.
    connect(ui.rDateTime, &QCheckBox::toggled, this, &TNewEditDialog::rDateTimeClick);
    connect(ui.specDateCB, &QCheckBox::toggled, this, &TNewEditDialog::specDateCBClick);
    connect(ui.specTimeCB, &QCheckBox::toggled, this, &TNewEditDialog::specTimeCBClick);

    ui.RepeatE->installEventFilter(this);
    ui.Vrijeme->installEventFilter(this);
    for (QObject* child : ui.Vrijeme->children()) {
        child->installEventFilter(this);
    }
}

void TNewEditDialog::setTabOrders()
{
    Ui& ui = *m_ui;
    // Tab order: name, text, date, time, the event boxes, the two date/time boxes, the step.
    const QList<QWidget*> order = {ui.NameE,        ui.WhatRE,     ui.Kalendar,   ui.Vrijeme,
                                   ui.rDateTime,    ui.rStartup,   ui.rShutdown,  ui.rIConnect,
                                   ui.rIDisConnect, ui.specDateCB, ui.specTimeCB, ui.RepeatE};
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order.at(i - 1), order.at(i));
    }
}

bool TNewEditDialog::eventFilter(QObject* watched, QEvent* event)
{
    Ui& ui = *m_ui;
    if (watched == ui.RepeatE && event->type() == QEvent::KeyPress) {
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
    if (watched == ui.RepeatE && event->type() == QEvent::FocusOut) {
        auto* focus = static_cast<QFocusEvent*>(event);
        if (focus->reason() != Qt::ActiveWindowFocusReason && focus->reason() != Qt::PopupFocusReason) {
            RepeatEExit();
        }
    }
    if (event->type() == QEvent::FocusIn && (watched == ui.Vrijeme || watched->parent() == ui.Vrijeme)) {
        VrijemeExit();
    }
    return ClosingDialog::eventFilter(watched, event);
}

QDateTime TNewEditDialog::now() const
{
    return m_host.now ? m_host.now() : QDateTime::currentDateTime();
}

void TNewEditDialog::setMode(Mode mode, const QString& name)
{
    m_mode = mode;
    setWindowTitle(mode == Mode::Edit ? editCaption(name) : newCaption());
}

void TNewEditDialog::openNew()
{
    setMode(Mode::New);
    m_ui->Vrijeme->setTime(now().time());
    exec();
}

void TNewEditDialog::openEdit(quint64 rowId)
{
    const int row = m_host.model->rowOfId(rowId);
    if (row < 0) {
        return;
    }
    const Reminder r = m_host.model->at(row);
    setMode(Mode::Edit, r.name);
    m_editRowId = rowId;
    loadFields(FieldsForRow(readFields(), r, now()));
    exec();
}

void TNewEditDialog::followClock(const QTime& time)
{
    m_ui->Vrijeme->setTime(time);
}

void TNewEditDialog::loadFields(const EditorFields& f)
{
    Ui& ui = *m_ui;
    ui.NameE->setText(f.name);
    setWhatText(f.what);
    ui.RepeatE->setText(f.repeat);
    if (f.date.isValid()) {
        ui.Kalendar->setDate(f.date);
    }
    if (f.time.isValid()) {
        ui.Vrijeme->setTime(f.time);
    }
    // Each tick runs its box's rule on the way; the enabled states end as the fields say.
    ui.specDateCB->setChecked(f.specDate);
    ui.specTimeCB->setChecked(f.specTime);
    ui.rDateTime->setChecked(f.dateTime);
    ui.rStartup->setChecked(f.startup);
    ui.rShutdown->setChecked(f.shutdown);
    ui.rIConnect->setChecked(f.iConnect);
    ui.rIDisConnect->setChecked(f.iDisConnect);
    showEnabling(f);
}

EditorFields TNewEditDialog::readFields() const
{
    const Ui& ui = *m_ui;
    EditorFields f;
    f.name = ui.NameE->text();
    f.what = JoinEditorText(whatLines());
    f.repeat = ui.RepeatE->text();
    f.dateTime = ui.rDateTime->isChecked();
    f.startup = ui.rStartup->isChecked();
    f.shutdown = ui.rShutdown->isChecked();
    f.iConnect = ui.rIConnect->isChecked();
    f.iDisConnect = ui.rIDisConnect->isChecked();
    f.specDate = ui.specDateCB->isChecked();
    f.specTime = ui.specTimeCB->isChecked();
    f.specDateEnabled = ui.specDateCB->isEnabledTo(this);
    f.specTimeEnabled = ui.specTimeCB->isEnabledTo(this);
    f.label3Enabled = ui.Label3->isEnabledTo(this);
    f.repeatEnabled = ui.RepeatE->isEnabledTo(this);
    f.label1Enabled = ui.Label1->isEnabledTo(this);
    f.dateEnabled = ui.Kalendar->isEnabledTo(this);
    f.label5Enabled = ui.Label5->isEnabledTo(this);
    f.timeEnabled = ui.Vrijeme->isEnabledTo(this);
    f.date = ui.Kalendar->date();
    f.time = ui.Vrijeme->time();
    return f;
}

void TNewEditDialog::showEnabling(const EditorFields& f)
{
    Ui& ui = *m_ui;
    ui.specDateCB->setEnabled(f.specDateEnabled);
    ui.specTimeCB->setEnabled(f.specTimeEnabled);
    ui.Label3->setEnabled(f.label3Enabled);
    ui.RepeatE->setEnabled(f.repeatEnabled);
    ui.Label1->setEnabled(f.label1Enabled);
    ui.Kalendar->setEnabled(f.dateEnabled);
    ui.Label5->setEnabled(f.label5Enabled);
    ui.Vrijeme->setEnabled(f.timeEnabled);
}

void TNewEditDialog::rDateTimeClick()
{
    EditorFields f = readFields();
    ApplyDateTimeRule(f);
    showEnabling(f);
}

void TNewEditDialog::specDateCBClick()
{
    EditorFields f = readFields();
    ApplySpecDateRule(f);
    showEnabling(f);
}

void TNewEditDialog::specTimeCBClick()
{
    EditorFields f = readFields();
    ApplySpecTimeRule(f);
    showEnabling(f);
}

void TNewEditDialog::reportInvalidRepeat()
{
    ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"), InvalidRepeatMessage(), QMessageBox::Ok,
                m_host.help, 6);
    m_ui->RepeatE->clear();
    m_ui->RepeatE->setFocus();
}

bool TNewEditDialog::checkRepeat()
{
    if (m_inRepeatExit || !isVisible() || RepeatInRange(m_ui->RepeatE->text(), m_ui->specDateCB->isChecked())) {
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

void TNewEditDialog::ResetFields()
{
    loadFields(ResetEditorFields(readFields()));
    m_ui->NameE->setFocus();
}

QStringList TNewEditDialog::whatLines() const
{
    QStringList lines;
    const QTextDocument* document = m_ui->WhatRE->document();
    if (document->isEmpty()) {
        return lines;
    }
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // Soft line breaks inside a block count as line breaks too.
        lines.append(block.text().split(QChar::LineSeparator));
    }
    return lines;
}

void TNewEditDialog::setWhatText(const QString& what)
{
    QString text = what;
    text.replace(u'\r', u'\n');
    m_ui->WhatRE->setPlainText(text);
}

void TNewEditDialog::OKAOLClick()
{
    // OK takes no focus, so a step typed just before it has not been checked yet: pressing OK
    // leaves the field, and the check runs as it would on any other way out.
    if (m_ui->RepeatE->hasFocus() && !checkRepeat()) {
        return;
    }
    const EditorFields fields = readFields();
    const Reminder r = RowFromFields(fields, m_mode, now().date());
    const EditorRefusal refusal = RefusalFor(fields, m_mode, r);
    if (refusal != EditorRefusal::None) {
        refuse(refusal);
        return;
    }
    ReminderModel& model = *m_host.model;
    if (m_mode == Mode::New) {
        model.append(r);
    } else if (const int row = model.rowOfId(m_editRowId); row >= 0) {
        model.changeRow(row, r);
    }
    accept();
}

// The message of a refusal, with the field it puts the focus into; the dialog stays open and the
// fields keep their text.
void TNewEditDialog::refuse(EditorRefusal refusal)
{
    const std::pair<EditorRefusal, QWidget*> focusFor[] = {
        {EditorRefusal::NoName, m_ui->NameE},
        {EditorRefusal::NoText, m_ui->WhatRE},
        {EditorRefusal::NameUnsavable, m_ui->NameE},
        {EditorRefusal::TextUnsavable, m_ui->WhatRE},
    };
    const QString message = RefusalMessage(refusal);
    QWidget* focus = nullptr;
    for (const auto& [kind, field] : focusFor) {
        if (kind == refusal) {
            focus = field;
        }
    }
    ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"), message, QMessageBox::Ok);
    if (focus) {
        focus->setFocus();
    }
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
    setMode(Mode::New);
    m_editRowId = 0;
    if (m_host.startTimer) {
        m_host.startTimer();
    }
}
