#include "gui/AboutD.h"
#include "gui/HelpMessageBox.h"
#include "platform/HelpViewer.h"
#include "support/Controls.h"
#include "support/Waits.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>
#include <functional>

using namespace Qt::StringLiterals;

class TestHelp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void pageForTopic_data();
    void pageForTopic();
    void pageForContext_data();
    void pageForContext();
    void pages_everyMappedPageAndAnchorExists();
    void pages_everyLinkLeadsToAPage();

    void viewer_isCreatedOnFirstUse_atTheTopic();
    void viewer_context_opensPageAtAnchor();
    void viewer_close_hidesWindow();
    void viewer_pagesMissing_showsBuiltInText();

    void message_withoutHelp_returnsButtonPressed();
    void message_okOnly_escapeAnswersOk();
    void message_helpButton_opensHelpAndKeepsBoxOpen();
    void message_emptyTitle_usesKindOfBox();

    void about_showsNameVersionIconAndCloses();
};

namespace {

QString installedHelp()
{
    return QStringLiteral(NUDGELARK_SOURCE_DIR) + u"/resources/help"_s;
}

// Runs action on the modal message box once it is up; returns false if none came within the time.
void whenMessageBoxShows(std::function<void(QMessageBox*)> action)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action, tries] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if ((box && box->isVisible()) || ++*tries > 500) {
            poll->stop();
            poll->deleteLater();
            if (box) {
                action(box);
            }
        }
    });
    poll->start(10);
}

QAbstractButton* buttonOf(QMessageBox* box, QMessageBox::StandardButton which)
{
    return box->button(which);
}

} // namespace

void TestHelp::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestHelp::cleanup()
{
    // No test leaves a modal window behind for the next.
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestHelp::pageForTopic_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("page");
    QTest::newRow("Alarm") << u"Alarm"_s << u"alarm.html"_s;
    QTest::newRow("View") << u"View"_s << u"view.html"_s;
    QTest::newRow("Kreiranje") << u"Kreiranje"_s << u"editor.html"_s;
    QTest::newRow("Opcije") << u"Opcije"_s << u"options.html"_s;
    QTest::newRow("Sound") << u"Sound"_s << u"sounds.html"_s;
    QTest::newRow("other case") << u"sound"_s << u"sounds.html"_s;
    QTest::newRow("unknown") << u"Nothing"_s << u"index.html"_s;
    QTest::newRow("empty") << QString() << u"index.html"_s;
}

void TestHelp::pageForTopic()
{
    QFETCH(QString, topic);
    QFETCH(QString, page);
    QCOMPARE(HelpViewer::pageForTopic(topic), page);
}

void TestHelp::pageForContext_data()
{
    QTest::addColumn<int>("context");
    QTest::addColumn<QString>("page");
    QTest::newRow("0 sound file not found") << 0 << u"sounds.html#not-found"_s;
    QTest::newRow("1 another instance") << 1 << u"starting.html#another-instance"_s;
    QTest::newRow("6 invalid repeat interval") << 6 << u"editor.html#repeat"_s;
    QTest::newRow("2 unknown") << 2 << u"index.html"_s;
    QTest::newRow("-1 none") << -1 << u"index.html"_s;
}

void TestHelp::pageForContext()
{
    QFETCH(int, context);
    QFETCH(QString, page);
    QCOMPARE(HelpViewer::pageForContext(context), page);
}

void TestHelp::pages_everyMappedPageAndAnchorExists()
{
    QStringList pages;
    for (const QString& topic : {u"Alarm"_s, u"View"_s, u"Kreiranje"_s, u"Opcije"_s, u"Sound"_s, u"-"_s}) {
        pages.append(HelpViewer::pageForTopic(topic));
    }
    for (int context : {0, 1, 6}) {
        pages.append(HelpViewer::pageForContext(context));
    }
    for (const QString& page : pages) {
        QFile file(installedHelp() + u'/' + page.section(u'#', 0, 0));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QByteArray html = file.readAll();
        QVERIFY2(html.contains("<title>"), qPrintable(page));
        const QString anchor = page.section(u'#', 1);
        if (!anchor.isEmpty()) {
            QVERIFY2(html.contains(QString(u"name=\""_s + anchor + u'"').toUtf8()), qPrintable(page));
        }
    }
}

void TestHelp::pages_everyLinkLeadsToAPage()
{
    const QDir dir(installedHelp());
    const QStringList pages = dir.entryList({u"*.html"_s}, QDir::Files);
    QVERIFY(pages.size() >= 7);
    static const QRegularExpression link(uR"(href="([^"#]*)(#([^"]*))?")"_s);
    for (const QString& page : pages) {
        QFile file(dir.filePath(page));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString target = m.captured(1).isEmpty() ? page : m.captured(1);
            QVERIFY2(pages.contains(target), qPrintable(page + u" -> "_s + target));
            if (!m.captured(3).isEmpty()) {
                QFile linked(dir.filePath(target));
                QVERIFY(linked.open(QIODevice::ReadOnly));
                QVERIFY2(linked.readAll().contains(QString(u"name=\""_s + m.captured(3) + u'"').toUtf8()),
                         qPrintable(page + u" -> "_s + m.captured(0)));
            }
        }
    }
}

void TestHelp::viewer_isCreatedOnFirstUse_atTheTopic()
{
    HelpViewer help(installedHelp());
    QVERIFY(help.window() == nullptr);
    QVERIFY(!help.usesBuiltInText());
    help.showTopic(u"Kreiranje"_s);
    QVERIFY(help.window() != nullptr);
    QVERIFY(help.window()->isVisible());
    QVERIFY(help.window()->isWindow());
    QCOMPARE(help.window()->windowTitle(), u"Nudgelark Help"_s);
    QCOMPARE(help.currentUrl().fileName(), u"editor.html"_s);
    QVERIFY(help.browser()->toPlainText().contains(u"Creating and editing a reminder"_s));

    help.showContents();
    QCOMPARE(help.currentUrl().fileName(), u"index.html"_s);
    help.showTopic(u"Alarm"_s);
    QCOMPARE(help.currentUrl().fileName(), u"alarm.html"_s);
    QVERIFY(help.browser()->toPlainText().contains(u"Pause"_s));
}

void TestHelp::viewer_context_opensPageAtAnchor()
{
    HelpViewer help(installedHelp());
    help.showContext(6);
    QCOMPARE(help.currentUrl().fileName(), u"editor.html"_s);
    QCOMPARE(help.currentUrl().fragment(), u"repeat"_s);
    help.showContext(0);
    QCOMPARE(help.currentUrl().fileName(), u"sounds.html"_s);
    QCOMPARE(help.currentUrl().fragment(), u"not-found"_s);
    QVERIFY(help.browser()->toPlainText().contains(u"Sound file not found!"_s));
    help.showContext(1);
    QCOMPARE(help.currentUrl().fileName(), u"starting.html"_s);
    QVERIFY(help.browser()->toPlainText().contains(u"Another Instance of \"Nudgelark\" is alreay running!"_s));
}

void TestHelp::viewer_close_hidesWindow()
{
    HelpViewer help(installedHelp());
    help.close();
    QVERIFY(help.window() == nullptr);
    help.showContents();
    QVERIFY(help.window()->isVisible());
    help.close();
    QVERIFY(!help.window()->isVisible());
    help.showTopic(u"Sound"_s);
    QVERIFY(help.window()->isVisible());
}

void TestHelp::viewer_pagesMissing_showsBuiltInText()
{
    QTemporaryDir dir;
    HelpViewer help(dir.filePath(u"help"_s));
    QVERIFY(help.usesBuiltInText());
    help.showTopic(u"Opcije"_s);
    QVERIFY(help.window()->isVisible());
    const QString text = help.browser()->toPlainText();
    QVERIFY(text.contains(u"help pages were not found"_s));
    QVERIFY(text.contains(u"Options"_s));
    help.showContext(0);
    QVERIFY(help.browser()->toPlainText().contains(u"Sound file not found!"_s));
    help.showContext(99);
    QVERIFY(help.window()->isVisible());
}

void TestHelp::message_withoutHelp_returnsButtonPressed()
{
    QString title;
    QString text;
    bool hadHelp = true;
    whenMessageBoxShows([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        hadHelp = box->button(QMessageBox::Help) != nullptr;
        buttonOf(box, QMessageBox::No)->click();
    });
    const int answer = ShowMessage(nullptr, QMessageBox::Warning, u"Warning"_s, u"Delete reminder \"a\"?"_s,
                                   QMessageBox::No | QMessageBox::Ok);
    QCOMPARE(answer, int(QMessageBox::No));
    QCOMPARE(title, u"Warning"_s);
    QCOMPARE(text, u"Delete reminder \"a\"?"_s);
    QVERIFY(!hadHelp);
}

void TestHelp::message_okOnly_escapeAnswersOk()
{
    whenMessageBoxShows([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    HelpViewer help(installedHelp());
    QCOMPARE(
        ShowMessage(nullptr, QMessageBox::Critical, u"Error"_s, u"Sound file not found!"_s, QMessageBox::Ok, &help, 0),
        int(QMessageBox::Ok));
    // Escape did not open the help.
    QVERIFY(help.window() == nullptr);
}

void TestHelp::message_helpButton_opensHelpAndKeepsBoxOpen()
{
    HelpViewer help(installedHelp());
    bool stillOpen = false;
    bool helpVisible = false;
    bool helpUsable = false;
    bool f1Opened = false;
    QUrl shown;
    whenMessageBoxShows([&](QMessageBox* box) {
        QAbstractButton* helpButton = box->button(QMessageBox::Help);
        QVERIFY(helpButton);
        helpButton->click();
        helpVisible = QTest::qWaitFor([&] { return help.window() && help.window()->isVisible(); }, 10000);
        QVERIFY(waitOutTimers(0)); // what the click set going has run
        stillOpen = box->isVisible() && QApplication::activeModalWidget() == box;
        shown = help.currentUrl();
        // The help window is not blocked by the waiting box: it is transient for it.
        helpUsable = help.window() && box->windowHandle() &&
                     box->windowHandle()->isAncestorOf(help.window()->windowHandle(), QWindow::IncludeTransients);
        // F1 in the box opens the help as well, and the box still waits.
        help.close();
        box->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(box));
        QTest::keyClick(box, Qt::Key_F1);
        f1Opened = help.window()->isVisible() && box->isVisible();
        buttonOf(box, QMessageBox::Ok)->click();
    });
    const int answer = ShowMessage(nullptr, QMessageBox::Critical, u"Error"_s, u"Invalid repeat interval!"_s,
                                   QMessageBox::Ok, &help, 6);
    QCOMPARE(answer, int(QMessageBox::Ok));
    QVERIFY(stillOpen);
    QVERIFY(helpVisible);
    QVERIFY(helpUsable);
    QVERIFY(f1Opened);
    QCOMPARE(shown.fileName(), u"editor.html"_s);
    QCOMPARE(shown.fragment(), u"repeat"_s);
    // Once the box has gone, the help window stands on its own.
    QVERIFY(help.window()->isVisible());
    QVERIFY(help.window()->windowHandle()->transientParent() == nullptr);
}

void TestHelp::message_emptyTitle_usesKindOfBox()
{
    QCOMPARE(DefaultMessageTitle(QMessageBox::Critical), u"Error"_s);
    QCOMPARE(DefaultMessageTitle(QMessageBox::Warning), u"Warning"_s);
    QCOMPARE(DefaultMessageTitle(QMessageBox::Information), u"Information"_s);
    QCOMPARE(DefaultMessageTitle(QMessageBox::Question), u"Confirm"_s);
    QCoreApplication::setApplicationName(u"Nudgelark"_s);
    QCOMPARE(DefaultMessageTitle(QMessageBox::NoIcon), u"Nudgelark"_s);

    QString title;
    whenMessageBoxShows([&](QMessageBox* box) {
        title = box->windowTitle();
        buttonOf(box, QMessageBox::Ok)->click();
    });
    QCOMPARE(ShowMessage(nullptr, QMessageBox::Critical, QString(), u"x"_s, QMessageBox::Ok), int(QMessageBox::Ok));
    QCOMPARE(title, u"Error"_s);
}

void TestHelp::about_showsNameVersionIconAndCloses()
{
    TAboutDialog about;
    QCOMPARE(about.windowTitle(), u"About Nudgelark"_s);
    QVERIFY(about.isModal());
    QCOMPARE(child<QLabel>(&about, "ProductName")->text(), u"Nudgelark"_s);
    QVERIFY(child<QLabel>(&about, "Version")->text().contains(QStringLiteral(NUDGELARK_VERSION)));
    QVERIFY(!child<QLabel>(&about, "ProgramIcon")->pixmap().isNull());
    QVERIFY(!child<QLabel>(&about, "Comments")->text().isEmpty());
    QTimer::singleShot(200, child<QPushButton>(&about, "OKButton"), &QPushButton::click);
    QCOMPARE(about.exec(), int(QDialog::Accepted));
    QVERIFY(!about.isVisible());
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
