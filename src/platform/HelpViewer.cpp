#include "HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

namespace {

const QString& contentsPage()
{
    static const QString page = QStringLiteral("index.html");
    return page;
}

// Shown when the help pages are not beside the program; each section's anchor is a page's base name.
QString builtInText(const QString& folder)
{
    return QStringLiteral(
               "<h2><a name=\"index\"></a>Nudgelark Help</h2>"
               "<p><i>The help pages were not found in %1; this is a short summary.</i></p>"
               "<p>Nudgelark keeps a list of reminders. Each reminder has a name, a text of what to do, and the "
               "events that fire it: a date and/or time of day (optionally repeated), the start of the session "
               "(with the switch <b>/s</b>), the end of the session, or the internet connection coming up or "
               "going down. When a reminder fires, Nudgelark plays the event's sound and shows its text.</p>"
               "<h3><a name=\"alarm\"></a>The reminder window</h3>"
               "<p><b>OK</b> confirms the reminder. <b>Pause</b> brings it back after the minutes set in the "
               "options. An alert that nobody answers pauses itself after one minute.</p>"
               "<h3><a name=\"view\"></a>Viewing a reminder</h3>"
               "<p><b>View</b> shows the selected reminder's text and when it fires; <b>Edit</b> opens it in the "
               "editor.</p>"
               "<h3><a name=\"editor\"></a>Creating and editing a reminder</h3>"
               "<p>Give the reminder a name and a text, tick the events that fire it and, for a date or time, "
               "the date, the time and the repeat step. <a name=\"repeat\"></a>The repeat step counts days when "
               "a date is set (at most 1000) and minutes otherwise (at most 1440).</p>"
               "<h3><a name=\"options\"></a>Options</h3>"
               "<p>Delete after notification, start with the session, use sounds, and the minutes after which a "
               "paused reminder comes back.</p>"
               "<h3><a name=\"sounds\"></a>Event sounds</h3>"
               "<p>Choose a WAVE file for each kind of event; <b>Default</b> chooses the sounds shipped in the "
               "<tt>sounds</tt> folder. <a name=\"not-found\"></a>\"Sound file not found!\" means that the file "
               "chosen for that event does not exist.</p>"
               "<h3><a name=\"starting\"></a>Starting</h3>"
               "<p><a name=\"another-instance\"></a>Only one Nudgelark runs at a time; starting it again brings "
               "the running one to the front.</p>")
        .arg(folder.toHtmlEscaped());
}

QString baseName(const QString& page)
{
    return page.section(u'#', 0, 0).section(u'.', 0, 0);
}

QString anchorOf(const QString& page)
{
    return page.section(u'#', 1);
}

} // namespace

HelpViewer::HelpViewer(QString helpFolder, QObject* parent) : QObject(parent), m_folder(std::move(helpFolder)) {}

HelpViewer::~HelpViewer()
{
    delete m_window;
}

QString HelpViewer::pageForTopic(const QString& topic)
{
    static const QList<std::pair<QString, QString>> topics = {
        {QStringLiteral("Alarm"), QStringLiteral("alarm.html")},
        {QStringLiteral("View"), QStringLiteral("view.html")},
        {QStringLiteral("Kreiranje"), QStringLiteral("editor.html")},
        {QStringLiteral("Opcije"), QStringLiteral("options.html")},
        {QStringLiteral("Sound"), QStringLiteral("sounds.html")},
    };
    for (const auto& [name, page] : topics) {
        if (name.compare(topic, Qt::CaseInsensitive) == 0) {
            return page;
        }
    }
    return contentsPage();
}

QString HelpViewer::pageForContext(int context)
{
    switch (context) {
    case 0:
        return QStringLiteral("sounds.html#not-found");
    case 1:
        return QStringLiteral("starting.html#another-instance");
    case 6:
        return QStringLiteral("editor.html#repeat");
    default:
        return contentsPage();
    }
}

void HelpViewer::showTopic(const QString& topic)
{
    open(pageForTopic(topic));
}

void HelpViewer::showContents()
{
    open(contentsPage());
}

void HelpViewer::showContext(int context)
{
    open(pageForContext(context));
}

void HelpViewer::close()
{
    if (m_window) {
        m_window->close();
    }
}

bool HelpViewer::usesBuiltInText() const
{
    return !QFileInfo(QDir(m_folder).filePath(contentsPage())).isFile();
}

QWidget* HelpViewer::window() const
{
    return m_window;
}

QTextBrowser* HelpViewer::browser() const
{
    return m_browser;
}

QUrl HelpViewer::currentUrl() const
{
    return m_browser ? m_browser->source() : QUrl();
}

void HelpViewer::ensureWindow()
{
    if (m_window) {
        return;
    }
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(QStringLiteral("HelpWindow"));
    window->setWindowTitle(QStringLiteral("Nudgelark Help"));
    window->setWindowIcon(QIcon(QStringLiteral(":/nudgelark.png")));
    // The help window never keeps the program running, nor ends it when it closes.
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->resize(640, 520);

    auto* browser = new QTextBrowser(window);
    browser->setObjectName(QStringLiteral("HelpBrowser"));
    browser->setOpenExternalLinks(true);
    browser->setSearchPaths({m_folder});

    QStyle* style = window->style();
    auto* contents = new QPushButton(style->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Contents"), window);
    auto* back = new QPushButton(style->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"), window);
    auto* forward = new QPushButton(style->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Forward"), window);
    auto* closeButton = new QPushButton(QStringLiteral("Close"), window);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, &HelpViewer::showContents);
    connect(back, &QPushButton::clicked, browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser, &QTextBrowser::forward);
    connect(browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(closeButton, &QPushButton::clicked, window, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(window);
    layout->addLayout(buttons);
    layout->addWidget(browser);

    m_window = window;
    m_browser = browser;
}

void HelpViewer::open(const QString& page)
{
    ensureWindow();
    if (usesBuiltInText()) {
        m_browser->clearHistory();
        m_browser->setHtml(builtInText(QDir::toNativeSeparators(m_folder)));
        const QString anchor = anchorOf(page).isEmpty() ? baseName(page) : anchorOf(page);
        m_browser->scrollToAnchor(anchor);
    } else {
        QUrl url = QUrl::fromLocalFile(QDir(m_folder).absoluteFilePath(page.section(u'#', 0, 0)));
        const QString anchor = anchorOf(page);
        if (!anchor.isEmpty()) {
            url.setFragment(anchor);
        }
        m_browser->setSource(url);
    }
    followModalWindow();
    if (m_window->isMinimized()) {
        m_window->showNormal();
    } else {
        m_window->show();
    }
    m_window->raise();
    m_window->activateWindow();
    // setSource scrolls before the first layout of a window that was hidden; scroll again once shown.
    if (!anchorOf(page).isEmpty() || usesBuiltInText()) {
        m_browser->scrollToAnchor(anchorOf(page).isEmpty() ? baseName(page) : anchorOf(page));
    }
}

void HelpViewer::followModalWindow()
{
    // Help asked for from a modal window (a message box's Help button, a dialog's Help) must stay
    // usable while that window waits for its answer, as the separate Windows help program does: a
    // window that is transient for the modal one is not blocked by it.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == m_window) {
        modal = nullptr;
    }
    if (m_modal && m_modal != modal) {
        m_modal->removeEventFilter(this);
    }
    m_modal = modal;
    m_window->winId();
    QWindow* handle = m_window->windowHandle();
    if (!handle) {
        return;
    }
    if (modal) {
        modal->winId();
        handle->setTransientParent(modal->windowHandle());
        modal->installEventFilter(this);
    } else {
        handle->setTransientParent(nullptr);
    }
}

bool HelpViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_modal && event->type() == QEvent::Hide) {
        m_modal->removeEventFilter(this);
        m_modal = nullptr;
        if (m_window && m_window->windowHandle()) {
            m_window->windowHandle()->setTransientParent(nullptr);
        }
    }
    return QObject::eventFilter(watched, event);
}
