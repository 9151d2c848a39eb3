#include "FormMain.h"

#include "components/INetDetector.h"
#include "components/PrevInst.h"
#include "components/TrayIcon.h"
#include "core/DateText.h"
#include "core/EventFlags.h"
#include "core/Help.h"
#include "core/TriggerRules.h"
#include "gui/AboutD.h"
#include "gui/AlertAttention.h"
#include "gui/AlertD.h"
#include "gui/HelpMessageBox.h"
#include "gui/OptionsD.h"
#include "gui/SoundD.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QCloseEvent>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QTimeEdit>
#include <cstdio>

namespace {

QFont tahomaBold(int pixelHeight)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelHeight);
    font.setBold(true);
    return font;
}

} // namespace

TMainForm::TMainForm(ProgramSeams context, QWidget* parent)
    : QMainWindow(parent)
    , m_context(std::move(context))
    , m_store(m_context.programFolder)
    , m_engine(m_model, *m_context.clock, *this, *this)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Nudgelark"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_startInTray = !m_context.arguments.isEmpty() && m_context.arguments.first() == QStringLiteral("/s");

    auto* central = new QWidget(this);
    central->setFixedSize(345, 168);
    setCentralWidget(central);

    LView = new QListView(central);
    LView->setObjectName(QStringLiteral("LView"));
    LView->setGeometry(8, 8, 233, 153);
    LView->setViewMode(QListView::ListMode);
    LView->setFlow(QListView::TopToBottom);
    LView->setWrapping(true);
    LView->setResizeMode(QListView::Adjust);
    LView->setSelectionMode(QAbstractItemView::SingleSelection);
    LView->setSelectionBehavior(QAbstractItemView::SelectRows);
    LView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont listFont(QStringLiteral("Tahoma"), 8);
    listFont.setBold(true);
    LView->setFont(listFont);
    QPalette white = LView->palette();
    white.setColor(QPalette::Base, Qt::white);
    LView->setPalette(white);
    LView->setFrameShape(QFrame::Box);
    LView->setModel(&m_model);
    LView->setSelectionModel(m_model.selectionModel());

    struct ButtonSpec
    {
        QPushButton*& button;
        const char* name;
        QString caption;
        int top;
        void (TMainForm::*handler)();
    };
    const ButtonSpec buttons[] = {
        {NewSB, "NewSB", QStringLiteral("New reminder"), 8, &TMainForm::NewRAOLClick},
        {ViewSB, "ViewSB", QStringLiteral("View"), 40, &TMainForm::ViewAOLClick},
        {EditSB, "EditSB", QStringLiteral("Edit"), 72, &TMainForm::EditAOLClick},
        {DeleteSB, "DeleteSB", QStringLiteral("Delete"), 104, &TMainForm::DeleteAOLClick},
        {CloseSB, "CloseSB", QStringLiteral("Close"), 136, &TMainForm::CloseAOLClick},
    };
    for (const ButtonSpec& spec : buttons) {
        spec.button = new QPushButton(spec.caption, central);
        spec.button->setObjectName(QLatin1String(spec.name));
        spec.button->setGeometry(248, spec.top, 89, 23);
        spec.button->setFlat(true);
        spec.button->setFont(tahomaBold(11));
        connect(spec.button, &QPushButton::clicked, this, spec.handler);
    }
    QPalette red = DeleteSB->palette();
    red.setColor(QPalette::ButtonText, Qt::red);
    DeleteSB->setPalette(red);

    QStyle* st = style();
    QMenu* reminderMenu = menuBar()->addMenu(QStringLiteral("Reminder"));
    reminderMenu->setObjectName(QStringLiteral("M_Reminder"));
    reminderMenu->addAction(st->standardIcon(QStyle::SP_FileIcon), QStringLiteral("&New"), this,
                            &TMainForm::NewRAOLClick)->setObjectName(QStringLiteral("M_R_New"));
    reminderMenu->addAction(st->standardIcon(QStyle::SP_FileDialogContentsView), QStringLiteral("&View"), this,
                            &TMainForm::ViewAOLClick)->setObjectName(QStringLiteral("M_R_View"));
    reminderMenu->addAction(st->standardIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("E&dit"), this,
                            &TMainForm::EditAOLClick)->setObjectName(QStringLiteral("M_R_Edit"));
    reminderMenu->addAction(st->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("Delete"), this,
                            &TMainForm::DeleteAOLClick)->setObjectName(QStringLiteral("M_R_Del"));
    reminderMenu->addSeparator();
    reminderMenu->addAction(st->standardIcon(QStyle::SP_FileDialogListView), QStringLiteral("Options"), this,
                            &TMainForm::M_H_OptionsClick)->setObjectName(QStringLiteral("M_H_Options"));
    reminderMenu->addSeparator();
    reminderMenu->addAction(st->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("E&xit"), this,
                            &TMainForm::CloseAOLClick)->setObjectName(QStringLiteral("M_R_Exit"));
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("Help"));
    helpMenu->setObjectName(QStringLiteral("M_Help"));
    helpMenu->addAction(st->standardIcon(QStyle::SP_DialogHelpButton), QStringLiteral("Contents"), this,
                        &TMainForm::M_H_ContentsClick)->setObjectName(QStringLiteral("M_H_Contents"));
    helpMenu->addSeparator();
    helpMenu->addAction(st->standardIcon(QStyle::SP_MessageBoxInformation), QStringLiteral("About"), this,
                        &TMainForm::M_H_AboutClick)->setObjectName(QStringLiteral("M_H_About"));
    setFixedSize(345, 168 + menuBar()->sizeHint().height());

    popMenu = new QMenu(this);
    popMenu->setObjectName(QStringLiteral("popMenu"));
    Show1 = popMenu->addAction(QStringLiteral("Show"), this, &TMainForm::Show1Click);
    Show1->setObjectName(QStringLiteral("Show1"));
    popMenu->setDefaultAction(Show1);
    popMenu->addSeparator();
    Exit1 = popMenu->addAction(QStringLiteral("Exit"), this, &TMainForm::Exit1Click);
    Exit1->setObjectName(QStringLiteral("Exit1"));

    Timer.setInterval(1000);
    SecondTimer.setInterval(1000);
    StartupTimer.setInterval(1000);
    InetTimer.setInterval(60000);
    connect(&Timer, &QTimer::timeout, this, &TMainForm::TimerTimer);
    connect(&SecondTimer, &QTimer::timeout, this, &TMainForm::SecondTimerTimer);
    connect(&StartupTimer, &QTimer::timeout, this, &TMainForm::StartupTimerTimer);
    connect(&InetTimer, &QTimer::timeout, this, &TMainForm::InetTimerTimer);

    // Changes are written at the end of the turn in which they happen (the changes of one turn
    // together), so a killed program loses nothing: when a Wayland compositor goes away, Qt ends
    // the program at once, without a close.
    m_autosaveTimer.setSingleShot(true);
    m_autosaveTimer.setInterval(0);
    connect(&m_autosaveTimer, &QTimer::timeout, this, &TMainForm::autosave);
    connect(&m_model, &ReminderModel::contentChanged, this, [this] { enableTimer(m_autosaveTimer); });
    connect(&m_engine, &ReminderEngine::idle, this, [this] {
        if (m_closeWhenIdle) {
            m_closeWhenIdle = false;
            QTimer::singleShot(0, this, &TMainForm::finishShutdown);
        }
    });

    NetDetector = new TINetDetector(*m_context.hostAddresses, this);
    NetDetector->setEnabled(false);
    NetDetector->setDispatchInterval(3000);
    connect(NetDetector, &TINetDetector::Changed, this, &TMainForm::NetDetectorChanged);

    TrayIcon = new TTrayIcon(this, m_context.trayBackend);
    TrayIcon->setHint(QStringLiteral("Nudgelark"));
    TrayIcon->setPopupMenu(popMenu);
    TrayIcon->setStartMinimized(true);
    TrayIcon->setIconVisible(false);

    // The guard has already let this instance start; the window comes forward whenever another
    // instance asks, already while the data files load.
    PrevInstance = m_context.instanceGuard;
    if (PrevInstance) {
        connect(PrevInstance, &TPrevInstance::RaiseRequested, this, [this] {
            QWidget* target = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
            if (target == this && !isVisible()) {
                TrayIcon->RestoreMainForm();
            }
            if (target->isMinimized()) {
                target->showNormal();
            }
            target->raise();
            target->activateWindow();
        });
    }
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::setWindows(TAlertDialog* alert, TNewEditDialog* editor, TOptionsDialog* options,
                           TSoundDialog* sounds, TAboutDialog* about)
{
    AlertDialog = alert;
    NewEditDialog = editor;
    OptionsDialog = options;
    SoundDialog = sounds;
    AboutDialog = about;
    connect(AlertDialog, &TAlertDialog::pauseRequested, this, [this] {
        // Pause acts on the row whose alert it is; an alert of no row only closes.
        if (m_model.rowOfId(m_alertRowId) >= 0) {
            m_engine.pause(m_alertRowId);
            enableTimer(SecondTimer);
        }
    });
    connect(AlertDialog, &TAlertDialog::helpRequested, this,
            [this](const QString& topic) { m_context.help->showTopic(topic); });
}

NewEditHost TMainForm::editorHost()
{
    NewEditHost host;
    host.model = &m_model;
    host.startTimer = [this] { enableTimer(Timer); };
    host.stopTimer = [this] { Timer.stop(); };
    host.startSecondTimer = [this] { enableTimer(SecondTimer); };
    host.today = [this] { return m_context.clock->now().date(); };
    host.help = m_context.help;
    return host;
}

void TMainForm::enableTimer(QTimer& timer)
{
    if (!timer.isActive()) {
        timer.start();
    }
}

void TMainForm::FormCreate()
{
    const ReminderStore::LoadResult loaded = m_store.load();
    if (loaded.status == ReminderStore::LoadStatus::Failed) {
        ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("Cannot open file %1").arg(loaded.failedPath), QMessageBox::Ok);
        return;
    }
    if (loaded.status == ReminderStore::LoadStatus::Loaded) {
        QList<Reminder> rows = loaded.rows;
        FormActivate(rows);
        m_model.setRows(std::move(rows));
    }
}

// The start-up catch-up: run once after a complete load, never on window activation.
void TMainForm::FormActivate(QList<Reminder>& rows)
{
    Timer.stop();
    ReminderEngine::catchUp(rows, m_context.clock->now());
}

bool TMainForm::FormClose()
{
    m_autosaveTimer.stop();
    const QString failed = m_store.save(m_model.rows());
    if (!failed.isEmpty()) {
        const QString message = QStringLiteral("Cannot create file %1").arg(failed);
        if (m_sessionEnding) {
            std::fprintf(stderr, "nudgelark: %s\n", qPrintable(message));
            return true;
        }
        ShowMessage(this, QMessageBox::Critical, QStringLiteral("Error"), message, QMessageBox::Ok);
        return false;
    }
    m_context.help->close();
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        Q_EMIT closed();
        return;
    }
    if (!FormClose()) {
        event->ignore();
        return;
    }
    m_closing = true;
    event->accept();
    Q_EMIT closed();
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible()) {
        QTimer::singleShot(0, this, &TMainForm::AppEventsMinimize);
    }
}

void TMainForm::autosave()
{
    // Silent: a failure here is reported by the close, which saves again.
    m_store.save(m_model.rows());
}

// --- Commands -------------------------------------------------------------------------------

void TMainForm::NewRAOLClick()
{
    NewEditDialog->Vrijeme->setTime(m_context.clock->now().time());
    NewEditDialog->exec();
}

void TMainForm::ViewAOLClick()
{
    const int row = m_model.selectedRow();
    if (row < 0) {
        return;
    }
    const Reminder& r = m_model.at(row);
    const quint64 id = r.id;
    AlertDialog->setWindowTitle(TAlertDialog::viewCaption());
    AlertDialog->setWhenText(AlertOnText(r));
    ShowAlert(r.what, id);
    // Taken before the queued alerts show: each of them starts the window's answer afresh.
    const bool edit = AlertDialog->editRequested();
    m_engine.alertWindowClosed();
    // Edit from the view opens the editor only once the view and the alerts queued behind it have
    // closed, so the view's own timer cannot press Edit a second time into the open editor.
    if (edit) {
        editRow(id);
    }
}

void TMainForm::EditAOLClick()
{
    const int row = m_model.selectedRow();
    if (row < 0) {
        return;
    }
    editRow(m_model.at(row).id);
}

void TMainForm::editRow(quint64 rowId)
{
    const int row = m_model.rowOfId(rowId);
    if (row < 0) {
        return;
    }
    const Reminder r = m_model.at(row);
    TNewEditDialog* d = NewEditDialog;
    const QDateTime now = m_context.clock->now();
    d->setWindowTitle(QStringLiteral("Edit reminder - ") + r.name);
    d->setEditRow(rowId);
    d->setWhatText(r.what);
    d->Kalendar->setDate(now.date());
    d->Vrijeme->setTime(now.time());
    d->RepeatE->setText(r.repeat);
    d->NameE->setText(r.name);
    Timer.stop();
    if (IsFixedDate(r.date)) {
        const QDate date = ParseDate(r.date, now.date().year());
        d->specDateCB->setChecked(true);
        d->specDateCB->setEnabled(true);
        if (date.isValid()) {
            d->Kalendar->setDate(date);
        }
    }
    if (r.time != QStringLiteral("0")) {
        const QTime time = ParseTime(r.time);
        d->specTimeCB->setChecked(true);
        d->specTimeCB->setEnabled(true);
        if (time.isValid()) {
            d->Vrijeme->setTime(time);
        }
    }
    if (HasEventFlag(r.events, EventKind::DateTime)) {
        d->rDateTime->setChecked(true);
    }
    // The rule of "on specific date/time" runs once more, whatever the box's state.
    d->rDateTimeClick();
    d->rStartup->setChecked(HasEventFlag(r.events, EventKind::Startup));
    d->rShutdown->setChecked(HasEventFlag(r.events, EventKind::Shutdown));
    d->rIConnect->setChecked(HasEventFlag(r.events, EventKind::IConnect));
    d->rIDisConnect->setChecked(HasEventFlag(r.events, EventKind::IDisConnect));
    d->exec();
}

void TMainForm::DeleteAOLClick()
{
    const int row = m_model.selectedRow();
    if (row < 0) {
        return;
    }
    const quint64 id = m_model.at(row).id;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"),
                    QStringLiteral("Delete reminder \"%1\"?").arg(m_model.at(row).name), QMessageBox::NoButton, this);
    box.setTextFormat(Qt::PlainText); // a name is shown as typed, never as markup
    // Both buttons share one role so that the platform's button order cannot swap them.
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::ActionRole);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::ActionRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(no);
    box.exec();
    // Only OK deletes: a box dismissed any other way destroys nothing.
    if (box.clickedButton() != ok) {
        return;
    }
    const int current = m_model.rowOfId(id);
    if (current >= 0) {
        m_model.removeRow(current);
    }
}

void TMainForm::CloseAOLClick()
{
    close();
}

void TMainForm::M_H_OptionsClick()
{
    OptionsDialog->exec();
}

void TMainForm::M_H_ContentsClick()
{
    m_context.help->showContents();
}

void TMainForm::M_H_AboutClick()
{
    AboutDialog->exec();
}

void TMainForm::Show1Click()
{
    TrayIcon->RestoreMainForm();
}

void TMainForm::Exit1Click()
{
    CloseAOLClick();
}

void TMainForm::AppEventsMinimize()
{
    if (isMinimized()) {
        TrayIcon->HideMainForm();
    }
}

void TMainForm::PrevInstanceAllowedInstancesExceeded(Help& help)
{
    ShowMessage(nullptr, QMessageBox::Critical, QStringLiteral("Error"),
                QStringLiteral("Another Instance of \"Nudgelark\" is alreay running!"), QMessageBox::Ok, &help, 1);
}

// --- Triggers -------------------------------------------------------------------------------

void TMainForm::TimerTimer()
{
    // The editor's time field runs with the clock; nobody sees it while the editor is closed, and
    // New sets it when the editor opens.
    if (NewEditDialog && NewEditDialog->isVisible()) {
        NewEditDialog->Vrijeme->setTime(m_context.clock->now().time());
    }
    m_engine.scanDateTime();
}

void TMainForm::SecondTimerTimer()
{
    m_engine.checkPausedAlerts(OptionsDialog->LoadOptions().Interval);
}

void TMainForm::StartupTimerTimer()
{
    StartupTimer.stop();
    m_engine.scanSystemEvent(QChar(char16_t(EventKind::Startup)), false, false);
}

void TMainForm::NetDetectorChanged()
{
    enableTimer(InetTimer);
}

void TMainForm::InetTimerTimer()
{
    InetTimer.stop();
    const EventKind kind = NetDetector->Online() ? EventKind::IConnect : EventKind::IDisConnect;
    m_engine.scanSystemEvent(QChar(char16_t(kind)), false, false);
}

void TMainForm::WMEndSession()
{
    if (m_sessionEnding) {
        return;
    }
    m_sessionEnding = true;
    // The system may end the program before the user answers a shutdown alert: save first.
    m_autosaveTimer.stop();
    const QString failed = m_store.save(m_model.rows());
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "nudgelark: Cannot create file %s\n", qPrintable(failed));
    }
    m_engine.scanSystemEvent(QChar(char16_t(EventKind::Shutdown)), true, true);
    if (m_engine.busy()) {
        m_closeWhenIdle = true; // the queued shutdown alerts come first
        return;
    }
    finishShutdown();
}

void TMainForm::finishShutdown()
{
    close();
    if (!m_closing) {
        // The end of the session is never blocked: FormClose reported a failed save on stderr.
        m_closing = true;
        Q_EMIT closed();
    }
}

// --- Alerts and sounds ------------------------------------------------------------------------

void TMainForm::ShowAlert(const QString& text, quint64 rowId)
{
    m_alertRowId = rowId;
    AlertDialog->AlertL->setText(text);
    if (m_attention) {
        const int row = m_model.rowOfId(rowId);
        m_attention->alertShowing(row >= 0 ? m_model.at(row).name : QString(), text);
    }
    AlertDialog->exec();
}

bool TMainForm::isAlertShowing() const
{
    return AlertDialog && AlertDialog->isVisible();
}

void TMainForm::showAlert(quint64 rowId)
{
    const int row = m_model.rowOfId(rowId);
    if (row >= 0) {
        ShowAlert(m_model.at(row).what, rowId);
    }
}

void TMainForm::playEventSound(QChar flag)
{
    if (SoundDialog) {
        SoundDialog->PlayEventSound(flag);
    }
}
