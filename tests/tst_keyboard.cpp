#include "gui/AboutD.h"
#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/NewEditD.h"
#include "gui/OptionsD.h"
#include "gui/PocetakD.h"
#include "gui/SoundD.h"
#include "support/Controls.h"
#include "support/Files.h"
#include "support/ProgramRig.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray rows = "Tea - #08.12.26 - 0 - 0 - 2, - 0\r\nBread - #08.12.26 - 0 - 0 - 4, - 0\r\n";
const QByteArray texts = "-0-\r\nThe tea is ready\r\n==\r\n-1-\r\nBuy bread\r\n==\r\n";

struct Program
{
    Program()
    {
        writeFile(rig.path(u"reminder.nld"_s), rows);
        writeFile(rig.path(u"reminder.nlt"_s), texts);
        rig.settings.setValue(u"Sound"_s, u"1"_s);
        rig.closer.handler = [this](QWidget* w) {
            if (w == shown) {
                return true;
            }
            opened.append(w->windowTitle());
            return false; // closed as its Escape would
        };
        rig.start();
    }

    // The window called name, shown and active, as the window manager hands it the keyboard.
    QWidget* show(const QString& name)
    {
        ProgramWindows& p = *rig.windows;
        const std::pair<QString, QWidget*> windows[] = {
            {u"main"_s, p.mainForm()},        {u"alert"_s, p.alertDialog()},     {u"view"_s, p.alertDialog()},
            {u"editor"_s, p.newEditDialog()}, {u"options"_s, p.optionsDialog()}, {u"sounds"_s, p.soundDialog()},
            {u"about"_s, p.aboutDialog()}};
        QWidget* w = nullptr;
        for (const auto& [n, window] : windows) {
            w = n == name ? window : w;
        }
        p.alertDialog()->setMode(name == u"view"_s ? TAlertDialog::Mode::View : TAlertDialog::Mode::Alert);
        p.alertDialog()->setAlertText(u"The tea is ready"_s);
        p.alertDialog()->setWhenText(u"Alert on Startup, "_s);
        shown = w;
        w->show();
        w->activateWindow();
        return QTest::qWaitForWindowActive(w, 10000) ? w : nullptr;
    }

    ProgramRig rig;
    QWidget* shown = nullptr;
    QStringList opened; // the titles of the modal windows that came up
};

void addWindows()
{
    QTest::addColumn<QString>("window");
    for (const char* w : {"main", "alert", "view", "editor", "options", "sounds", "about"}) {
        QTest::newRow(w) << QString::fromLatin1(w);
    }
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }
    void buttons_tabShowsFocusAndAltPresses_data() { addWindows(); }
    void buttons_tabShowsFocusAndAltPresses();
    void names_splashIsNamed();
    void menus_everyItemHasAnAltKeyAndTheCommonOnesAShortcut();
    void shortcuts_mainWindow_data();
    void shortcuts_mainWindow();
};

void TestKeyboard::buttons_tabShowsFocusAndAltPresses()
{
    QFETCH(QString, window);
    Program program;
    QWidget* w = program.show(window);
    QVERIFY(w);
    QMap<QString, QString> captionOfKey;
    for (QPushButton* b : w->findChildren<QPushButton*>()) {
        if (!b->isVisibleTo(w)) {
            continue;
        }
        const QString key = QKeySequence::mnemonic(b->text()).toString();
        QVERIFY2(!key.isEmpty(), qPrintable(b->objectName() + u" has no Alt key"_s));
        // Two buttons share an Alt key only where they share the caption (the Browse buttons).
        QCOMPARE(captionOfKey.value(key, b->text()), b->text());
        captionOfKey.insert(key, b->text());
        QVERIFY2(b->focusPolicy() & Qt::TabFocus, qPrintable(b->objectName()));
        if (!b->isEnabled()) {
            continue;
        }
        b->clearFocus();
        const QImage before = b->grab().toImage();
        for (int tabs = 0; tabs < 40 && !b->hasFocus(); ++tabs) {
            QTest::keyClick(w->windowHandle(), Qt::Key_Tab);
        }
        QVERIFY2(b->hasFocus(), qPrintable(b->objectName() + u" is never reached with Tab"_s));
        QVERIFY2(b->grab().toImage() != before, qPrintable(b->objectName() + u" shows no focus"_s));
    }
}

void TestKeyboard::names_splashIsNamed()
{
    TPocetakDialog splash;
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&splash);
    QCOMPARE(window->text(QAccessible::Name), u"Nudgelark"_s);
    QCOMPARE(window->child(0)->text(QAccessible::Name), u"Nudgelark"_s); // its picture
}

void TestKeyboard::menus_everyItemHasAnAltKeyAndTheCommonOnesAShortcut()
{
    Program program;
    TMainForm* form = program.rig.windows->mainForm();
    const QList<QMenu*> menus = {child<QMenu>(form, "M_Reminder"), child<QMenu>(form, "M_Help"),
                                 child<QMenu>(form, "popMenu")};
    QStringList titles;
    for (QMenu* menu : menus) {
        titles.append(QKeySequence::mnemonic(menu->title()).toString());
        QStringList keys;
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator()) {
                keys.append(QKeySequence::mnemonic(a->text()).toString());
                QVERIFY2(!keys.constLast().isEmpty() && keys.count(keys.constLast()) == 1, qPrintable(a->text()));
            }
        }
    }
    QCOMPARE(titles, (QStringList{u"Alt+R"_s, u"Alt+H"_s, QString()}));
    QCOMPARE(child<QAction>(form, "M_R_New")->shortcut(), QKeySequence(u"Ctrl+N"_s));
    QCOMPARE(child<QAction>(form, "M_R_View")->shortcut(), QKeySequence(Qt::Key_Return));
    QCOMPARE(child<QAction>(form, "M_R_Del")->shortcut(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(child<QAction>(form, "M_H_Contents")->shortcut(), QKeySequence(Qt::Key_F1));
}

void TestKeyboard::shortcuts_mainWindow_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QStringList>("help");
    QTest::newRow("Ctrl+N") << u"NewSB"_s << QKeySequence(u"Ctrl+N"_s) << QStringList{u"New reminder"_s}
                            << QStringList();
    QTest::newRow("Return on a row") << u"LView"_s << QKeySequence(Qt::Key_Return) << QStringList{u"View reminder"_s}
                                     << QStringList();
    QTest::newRow("Return on a button") << u"CloseSB"_s << QKeySequence(Qt::Key_Return) << QStringList()
                                        << QStringList();
    QTest::newRow("Delete") << u"LView"_s << QKeySequence(Qt::Key_Delete) << QStringList{u"Warning"_s} << QStringList();
    QTest::newRow("F1") << u"LView"_s << QKeySequence(Qt::Key_F1) << QStringList() << QStringList{u"contents"_s};
    QTest::newRow("Alt+E") << u"LView"_s << QKeySequence(u"Alt+E"_s) << QStringList{u"Edit reminder - Bread"_s}
                           << QStringList();
}

void TestKeyboard::shortcuts_mainWindow()
{
    QFETCH(QString, focus);
    QFETCH(QKeySequence, key);
    QFETCH(QStringList, opened);
    QFETCH(QStringList, help);
    Program program;
    TMainForm* form = program.rig.windows->mainForm();
    QVERIFY(program.show(u"main"_s));
    form->model().selectRow(1);
    child<QWidget>(form, focus.toLatin1().constData())->setFocus(Qt::TabFocusReason);
    QTest::keySequence(form->windowHandle(), key);
    QTRY_COMPARE(program.opened, opened);
    QCOMPARE(program.rig.help.asked, help);
    QCOMPARE(form->model().count(), 2); // the delete question was answered No
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
