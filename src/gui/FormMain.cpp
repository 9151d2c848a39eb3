#include "FormMain.h"

#include "components/INetDetector.h"
#include "components/PrevInst.h"
#include "components/TrayIcon.h"
#include "core/EventFlags.h"
#include "core/Help.h"
#include "core/OptionValues.h"
#include "core/PollingWakeTimer.h"
#include "core/TriggerRules.h"
#include "gui/AboutD.h"
#include "gui/AlertAttention.h"
#include "gui/AlertD.h"
#include "gui/HelpMessageBox.h"
#include "gui/KeyboardAccess.h"
#include "gui/OptionsD.h"
#include "gui/SoundD.h"
#include "gui/WindowLook.h"
#include "platform/SessionEnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

// Reports a window being shown and hidden; lives as long as the window.
class ShowingWatcher final : public QObject
{
public:
    ShowingWatcher(QWidget* window, std::function<void(bool)> changed) : QObject(window), m_changed(std::move(changed))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
            m_changed(event->type() == QEvent::Show);
        }
        return false;
    }

private:
    std::function<void(bool)> m_changed;
};

} // namespace

TMainForm::TMainForm(ProgramSeams context, QWidget* parent)
    : QMainWindow(parent), m_context(std::move(context)), m_store(m_context.dataFolderOrProgram()),
      m_engine(m_model, *m_context.clock, *this, *this),
      m_ownWakeTimer(m_context.wakeTimer ? nullptr : std::make_unique<PollingWakeTimer>(*m_context.clock)),
      m_wake(m_model, m_engine, m_context.wakeTimer ? *m_context.wakeTimer : *m_ownWakeTimer,
             [this] { return m_context.settings ? LoadOptions(*m_context.settings).Interval : 0; })
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Nudgelark"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_startInTray = !m_context.arguments.isEmpty() && m_context.arguments.first() == QStringLiteral("/s");

    auto* central = new QWidget(this);
    setCentralWidget(central);
    buildList(central);
    buildButtons(central);
    buildMenus();
    setFixedSize(central->size() + QSize(0, menuBar()->sizeHint().height()));
    buildTrayMenu();
    buildTimers();
    buildComponents();

    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildList(QWidget* central)
{
    auto* list = new QListView(central);
    list->setObjectName(QStringLiteral("LView"));
    // A larger desktop font shows as much of the names in a list as much wider.
    list->setGeometry(8, 8, qRound(233 * DesktopFontScale()), 153);
    list->setViewMode(QListView::ListMode);
    list->setFlow(QListView::TopToBottom);
    list->setWrapping(true);
    list->setResizeMode(QListView::Adjust);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setFont(ScaledPointFont(QStringLiteral("Tahoma"), 8));
    // The white list keeps dark text under any desktop palette; a dark palette's light text on
    // it could not be read.
    QPalette white = list->palette();
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Text, Qt::black);
    white.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6d, 0x6d, 0x6d));
    list->setPalette(white);
    KeepReadableSelection(list);
    list->setFrameShape(QFrame::Box);
    list->setModel(&m_model);
    list->setSelectionModel(m_model.selectionModel());
    list->setAccessibleName(QStringLiteral("Reminders"));
    AnnounceCheckedRows(list);
}

void TMainForm::buildButtons(QWidget* central)
{
    struct ButtonSpec
    {
        const char* name;
        QString caption;
        int top;
        void (TMainForm::*handler)();
    };
    const ButtonSpec buttons[] = {
        {"NewSB", QStringLiteral("&New reminder"), 8, &TMainForm::NewRAOLClick},
        {"ViewSB", QStringLiteral("&View"), 40, &TMainForm::ViewAOLClick},
        {"EditSB", QStringLiteral("&Edit"), 72, &TMainForm::EditAOLClick},
        {"DeleteSB", QStringLiteral("&Delete"), 104, &TMainForm::DeleteAOLClick},
        {"CloseSB", QStringLiteral("&Close"), 136, &TMainForm::CloseAOLClick},
    };
    QList<QPushButton*> column;
    for (const ButtonSpec& spec : buttons) {
        auto* button = new QPushButton(spec.caption, central);
        button->setObjectName(QLatin1String(spec.name));
        button->setFlat(true);
        button->setFont(ScaledPixelFont(QStringLiteral("Tahoma"), 11));
        connect(button, &QPushButton::clicked, this, spec.handler);
        ShowFocusFrame(button);
        if (spec.handler == &TMainForm::DeleteAOLClick) {
            // A flat button shows its text on the window's own background.
            KeepReadableRed(button, QPalette::ButtonText, QPalette::Window);
        }
        column.append(button);
    }
    // The column keeps its place beside the list and its 89 by 23 buttons, 32 pixels apart, where
    // the captions fit; a larger font makes the buttons, and the list and the window with them,
    // larger.
    QSize size(89, 23);
    for (const QPushButton* button : column) {
        size = size.expandedTo(CaptionFit(button, QSize(89, 23)));
    }
    const int step = qMax(32, size.height() + 9);
    auto* list = central->findChild<QListView*>(QStringLiteral("LView"));
    const int left = list->geometry().right() + 8;
    for (int i = 0; i < column.size(); ++i) {
        column.at(i)->setGeometry(left, buttons[i].top + i * (step - 32), size.width(), size.height());
    }
    const int listHeight = qMax(153, column.constLast()->geometry().bottom() + 3 - 8);
    list->resize(list->width(), listHeight);
    central->setFixedSize(left + size.width() + 8, 8 + listHeight + 7);
}

void TMainForm::buildMenus()
{
    struct ItemSpec
    {
        QStyle::StandardPixmap icon;
        QString caption;
        void (TMainForm::*handler)();
        const char* name;
        QKeySequence shortcut = {};
    };
    const auto addItems = [this](QMenu* menu, std::initializer_list<ItemSpec> items) {
        for (const ItemSpec& item : items) {
            if (!item.handler) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(style()->standardIcon(item.icon), item.caption, this, item.handler);
            action->setObjectName(QLatin1String(item.name));
            action->setShortcut(item.shortcut);
        }
    };
    QMenu* reminderMenu = menuBar()->addMenu(QStringLiteral("&Reminder"));
    reminderMenu->setObjectName(QStringLiteral("M_Reminder"));
    addItems(reminderMenu,
             {{QStyle::SP_FileIcon, QStringLiteral("&New"), &TMainForm::NewRAOLClick, "M_R_New", QKeySequence::New},
              {QStyle::SP_FileDialogContentsView, QStringLiteral("&View"), &TMainForm::ViewAOLClick, "M_R_View",
               Qt::Key_Return},
              {QStyle::SP_FileDialogDetailedView, QStringLiteral("E&dit"), &TMainForm::EditAOLClick, "M_R_Edit"},
              {QStyle::SP_TrashIcon, QStringLiteral("De&lete"), &TMainForm::DeleteAOLClick, "M_R_Del", Qt::Key_Delete},
              {{}, {}, nullptr, nullptr},
              {QStyle::SP_FileDialogListView, QStringLiteral("&Options"), &TMainForm::M_H_OptionsClick, "M_H_Options"},
              {{}, {}, nullptr, nullptr},
              {QStyle::SP_DialogCloseButton, QStringLiteral("E&xit"), &TMainForm::CloseAOLClick, "M_R_Exit"}});
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->setObjectName(QStringLiteral("M_Help"));
    addItems(helpMenu,
             {{QStyle::SP_DialogHelpButton, QStringLiteral("&Contents"), &TMainForm::M_H_ContentsClick, "M_H_Contents",
               QKeySequence::HelpContents},
              {{}, {}, nullptr, nullptr},
              {QStyle::SP_MessageBoxInformation, QStringLiteral("&About"), &TMainForm::M_H_AboutClick, "M_H_About"}});

    // Return views the row only where the list has the focus: on a button it presses nothing.
    auto* list = findChild<QListView*>(QStringLiteral("LView"));
    QAction* view = reminderMenu->findChild<QAction*>(QStringLiteral("M_R_View"));
    view->setShortcutContext(Qt::WidgetShortcut);
    list->addAction(view);
}

void TMainForm::buildTrayMenu()
{
    m_popMenu = new QMenu(this);
    m_popMenu->setObjectName(QStringLiteral("popMenu"));
    QAction* show = m_popMenu->addAction(QStringLiteral("&Show"), this, &TMainForm::Show1Click);
    show->setObjectName(QStringLiteral("Show1"));
    m_popMenu->setDefaultAction(show);
    m_popMenu->addSeparator();
    m_popMenu->addAction(QStringLiteral("E&xit"), this, &TMainForm::Exit1Click)->setObjectName(QStringLiteral("Exit1"));
}

QTimer* TMainForm::makeTimer(const char* name, int interval, void (TMainForm::*handler)())
{
    auto* timer = new QTimer(this);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    connect(timer, &QTimer::timeout, this, handler);
    return timer;
}

void TMainForm::buildTimers()
{
    // The date and time scan and the re-alert check take their turns, the scan first, whenever the
    // plan wakes them: at the instants when one of them can decide something.
    connect(&m_wake, &WakeScheduler::timerTick, this, &TMainForm::TimerTimer);
    connect(&m_wake, &WakeScheduler::secondTimerTick, this, &TMainForm::SecondTimerTimer);
    m_startupTimer = makeTimer("StartupTimer", 1000, &TMainForm::StartupTimerTimer);
    m_inetTimer = makeTimer("InetTimer", 60000, &TMainForm::InetTimerTimer);

    // Changes are written at the end of the turn in which they happen (the changes of one turn
    // together), so a killed program loses nothing: when a Wayland compositor goes away, Qt ends
    // the program at once, without a close.
    m_autosaveTimer = makeTimer("AutosaveTimer", 0, &TMainForm::autosave);
    m_autosaveTimer->setSingleShot(true);
    connect(&m_model, &ReminderModel::contentChanged, this, [this] { armTimer(m_autosaveTimer); });
    connect(&m_engine, &ReminderEngine::rowsToSaveChanged, this, [this] { armTimer(m_autosaveTimer); });
    connect(&m_engine, &ReminderEngine::idle, this, [this] {
        if (m_ending == Ending::Scanning) {
            QTimer::singleShot(0, this, &TMainForm::shutdownScanFinished);
        } else if (m_ending == Ending::Closing) {
            QTimer::singleShot(0, this, &TMainForm::finishShutdown);
        }
    });
}

void TMainForm::buildComponents()
{
    m_netDetector = new TINetDetector(*m_context.hostAddresses, this);
    m_netDetector->setObjectName(QStringLiteral("NetDetector"));
    m_netDetector->setEnabled(false);
    m_netDetector->setDispatchInterval(3000);
    connect(m_netDetector, &TINetDetector::Changed, this, &TMainForm::NetDetectorChanged);

    m_trayIcon = new TTrayIcon(this, m_context.trayBackend);
    m_trayIcon->setObjectName(QStringLiteral("TrayIcon"));
    m_trayIcon->setHint(QStringLiteral("Nudgelark"));
    m_trayIcon->setPopupMenu(m_popMenu);
    m_trayIcon->setStartMinimized(true);
    m_trayIcon->setIconVisible(false);

    // The guard has already let this instance start; the window comes forward whenever another
    // instance asks, already while the data files load.
    m_prevInstance = m_context.instanceGuard;
    if (m_prevInstance) {
        connect(m_prevInstance, &TPrevInstance::RaiseRequested, this, &TMainForm::PrevInstanceRaiseRequested);
    }
}

void TMainForm::setWindows(TAlertDialog* alert, TNewEditDialog* editor, TOptionsDialog* options,
                           TSoundDialog* sounds, TAboutDialog* about)
{
    m_alertDialog = alert;
    m_newEditDialog = editor;
    m_optionsDialog = options;
    m_soundDialog = sounds;
    m_aboutDialog = about;
    // The plan waits while an alert shows; its close, a view's too, plans again.
    connect(m_alertDialog, &QDialog::finished, &m_wake, &WakeScheduler::replan);
    // The re-alert check's reading of the options greys the options dialog's "Set sounds >>".
    new ShowingWatcher(m_optionsDialog, [this](bool showing) { m_wake.setOptionsShowing(showing); });
    m_attention = std::make_unique<AlertAttention>(*m_alertDialog, *m_trayIcon, m_context.notifications);
    connect(m_alertDialog, &TAlertDialog::pauseRequested, this, [this] {
        // Pause acts on the row whose alert it is; an alert of no row only closes.
        if (m_model.rowOfId(m_alertRowId) >= 0) {
            m_engine.pause(m_alertRowId);
            m_wake.secondTimer().start();
        }
    });
    connect(m_alertDialog, &TAlertDialog::helpRequested, this,
            [this](const QString& topic) { m_context.help->showTopic(topic); });
}

NewEditHost TMainForm::editorHost()
{
    NewEditHost host;
    host.model = &m_model;
    host.startTimer = [this] { m_wake.timer().start(); };
    host.stopTimer = [this] { m_wake.timer().stop(); };
    host.startSecondTimer = [this] { m_wake.secondTimer().start(); };
    host.now = [this] { return m_context.clock->now(); };
    host.help = m_context.help;
    return host;
}

void TMainForm::armTimer(QTimer* timer)
{
    if (!timer->isActive()) {
        timer->start();
    }
}

void TMainForm::holdEngine()
{
    m_wake.timer().stop();
}

void TMainForm::finishSplash()
{
    show();
    if (m_startInTray) {
        m_trayIcon->setIconVisible(true);
        m_trayIcon->HideMainForm();
    }
}

void TMainForm::startRunning()
{
    m_wake.timer().start();
    m_netDetector->setEnabled(true);
    if (m_startInTray) {
        armTimer(m_startupTimer);
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
    m_wake.timer().stop();
    ReminderEngine::catchUp(rows, m_context.clock->now());
}

QString TMainForm::saveRows()
{
    m_autosaveTimer->stop();
    return m_store.save(m_engine.rowsToSave());
}

bool TMainForm::FormClose()
{
    const QString failed = saveRows();
    if (!failed.isEmpty()) {
        const QString message = QStringLiteral("Cannot create file %1").arg(failed);
        if (m_ending != Ending::None) {
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
    m_store.save(m_engine.rowsToSave());
}

// --- Commands -------------------------------------------------------------------------------

void TMainForm::NewRAOLClick()
{
    m_wake.setEditorShowing(true);
    m_newEditDialog->openNew();
    m_wake.setEditorShowing(false);
}

void TMainForm::ViewAOLClick()
{
    const int row = m_model.selectedRow();
    if (row < 0) {
        return;
    }
    const Reminder& r = m_model.at(row);
    const quint64 id = r.id;
    m_alertDialog->setMode(TAlertDialog::Mode::View);
    m_alertDialog->setWhenText(AlertOnText(r));
    ShowAlert(r.what, id);
    // Taken before the queued alerts show: each of them starts the window's answer afresh.
    const bool edit = m_alertDialog->editRequested();
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
    if (m_model.rowOfId(rowId) < 0) {
        return;
    }
    // The engine no longer moves the editor's time while the user edits; the editor's close starts it again.
    m_wake.timer().stop();
    m_wake.setEditorShowing(true);
    m_newEditDialog->openEdit(rowId);
    m_wake.setEditorShowing(false);
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
    m_optionsDialog->exec();
    m_wake.replan(); // a new Interval counts for the pauses that run
}

void TMainForm::M_H_ContentsClick()
{
    m_context.help->showContents();
}

void TMainForm::M_H_AboutClick()
{
    m_aboutDialog->exec();
}

void TMainForm::Show1Click()
{
    m_trayIcon->ShowFromTray();
}

void TMainForm::Exit1Click()
{
    CloseAOLClick();
}

void TMainForm::AppEventsMinimize()
{
    if (isMinimized()) {
        m_trayIcon->HideMainForm();
    }
}

void TMainForm::PrevInstanceRaiseRequested()
{
    QWidget* target = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    if (target == this && !isVisible()) {
        m_trayIcon->RestoreMainForm();
    }
    if (target->isMinimized()) {
        target->showNormal();
    }
    target->raise();
    target->activateWindow();
}

void TMainForm::openNewEditor()
{
    const bool modalShows = QApplication::activeModalWidget() != nullptr;
    PrevInstanceRaiseRequested();
    if (!modalShows && !m_closing) {
        NewRAOLClick();
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
    if (m_newEditDialog && m_newEditDialog->isVisible()) {
        m_newEditDialog->followClock(m_context.clock->now().time());
    }
    m_engine.scanDateTime();
}

void TMainForm::SecondTimerTimer()
{
    // The options are read afresh on every tick, so a changed Interval counts from the next one.
    const OptionValues options = LoadOptions(m_optionsDialog->settings());
    m_optionsDialog->followStoredSound(options.Sound);
    m_engine.checkPausedAlerts(options.Interval);
}

void TMainForm::StartupTimerTimer()
{
    m_startupTimer->stop();
    m_engine.scanSystemEvent(QChar(char16_t(EventKind::Startup)), false, false);
}

void TMainForm::NetDetectorChanged()
{
    armTimer(m_inetTimer);
}

void TMainForm::InetTimerTimer()
{
    m_inetTimer->stop();
    const EventKind kind = m_netDetector->Online() ? EventKind::IConnect : EventKind::IDisConnect;
    m_engine.scanSystemEvent(QChar(char16_t(kind)), false, false);
}

void TMainForm::WMEndSession()
{
    switch (m_ending) {
    case Ending::Closing:
        return;
    case Ending::Scanned:
        m_ending = Ending::Closing;
        finishShutdown();
        return;
    case Ending::Scanning:
        // The session ends now: an alert still unanswered closes, and its row is not done.
        m_ending = Ending::Closing;
        m_engine.dropQueued();
        if (m_alertDialog && m_alertDialog->isVisible()) {
            m_alertDialog->reject();
        }
        if (!m_engine.busy()) {
            finishShutdown();
        }
        return;
    case Ending::None:
        break;
    }
    if (startShutdownScan(Ending::Closing)) {
        finishShutdown(); // otherwise the queued shutdown alerts come first
    }
}

// The shutdown scan begins: no new date/time alert from now on, the files written first (the
// system may end the program before the user answers a shutdown alert). True when no alert waits.
bool TMainForm::startShutdownScan(Ending phase)
{
    m_ending = phase;
    m_engine.setEnding(true);
    const QString failed = saveRows();
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "nudgelark: Cannot create file %s\n", qPrintable(failed));
    }
    m_engine.scanSystemEvent(QChar(char16_t(EventKind::Shutdown)), true, true);
    return !m_engine.busy();
}

void TMainForm::queryEndSession()
{
    if (m_ending == Ending::Scanned) {
        Q_EMIT shutdownScanDone();
    }
    if (m_ending != Ending::None) {
        return;
    }
    if (startShutdownScan(Ending::Scanning)) {
        shutdownScanFinished();
    }
}

void TMainForm::shutdownScanFinished()
{
    if (m_ending != Ending::Scanning) {
        return;
    }
    m_ending = Ending::Scanned;
    holdEnd(QString());
    const QString failed = saveRows();
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "nudgelark: Cannot create file %s\n", qPrintable(failed));
    }
    Q_EMIT shutdownScanDone();
}

void TMainForm::endSessionCancelled()
{
    if (m_ending != Ending::Scanning && m_ending != Ending::Scanned) {
        return;
    }
    m_ending = Ending::None;
    holdEnd(QString());
    m_engine.dropQueued(QChar(char16_t(EventKind::Shutdown)));
    m_engine.setEnding(false);
    m_wake.replan();
}

void TMainForm::holdEnd(const QString& reason)
{
    if (m_context.session) {
        m_context.session->holdEnd(reason);
    }
}

void TMainForm::finishShutdown()
{
    holdEnd(QString());
    close();
    if (!m_closing) {
        // The end of the session is never blocked: FormClose reported a failed save on stderr.
        m_closing = true;
        Q_EMIT closed();
    }
}

// --- Alerts and sounds ------------------------------------------------------------------------

bool TMainForm::ShowAlert(const QString& text, quint64 rowId)
{
    if (m_ending == Ending::Scanning || m_ending == Ending::Closing) {
        holdEnd(text); // the session manager tells the user why the end waits
    }
    m_alertRowId = rowId;
    m_alertDialog->setAlertText(text);
    if (m_attention) {
        const int row = m_model.rowOfId(rowId);
        m_attention->alertShowing(row >= 0 ? m_model.at(row).name : QString(), text);
    }
    return m_alertDialog->exec() == QDialog::Accepted;
}

bool TMainForm::isAlertShowing() const
{
    return m_alertDialog && m_alertDialog->isVisible();
}

bool TMainForm::showAlert(quint64 rowId)
{
    const int row = m_model.rowOfId(rowId);
    return row >= 0 && ShowAlert(m_model.at(row).what, rowId);
}

void TMainForm::playEventSound(QChar flag)
{
    if (m_soundDialog) {
        m_soundDialog->player().PlayEventSound(flag);
    }
}
