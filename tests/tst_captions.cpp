#include "core/Contrast.h"
#include "gui/AboutD.h"
#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/NewEditD.h"
#include "gui/OptionsD.h"
#include "gui/PocetakD.h"
#include "gui/SoundD.h"
#include "support/ProgramRig.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

QString describe(const QWidget* w, const QString& text, int needed, int room)
{
    return u"%1 \"%2\": needs %3, has %4"_s.arg(w->objectName(), text).arg(needed).arg(room);
}

int textWidth(const QWidget* w, const QString& text)
{
    QString shown = text;
    shown.remove(u'&');
    return w->fontMetrics().horizontalAdvance(shown);
}

// The room a push button's style leaves for its caption.
int captionRoom(QPushButton* b)
{
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    if (b->isFlat()) {
        option.features |= QStyleOptionButton::Flat;
    }
    if (b->autoDefault() || b->isDefault()) {
        option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    return b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b).width();
}

// Where a group box's style puts its title.
QRect groupTitle(QGroupBox* g)
{
    QStyleOptionGroupBox option;
    option.initFrom(g);
    option.text = g->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    option.lineWidth = 1;
    option.textAlignment = g->alignment();
    return g->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, g);
}

// Every caption of the window that does not read whole: a caption wider than its control, or a
// control that runs past the edge of what holds it (a group box's frame included).
QStringList cutCaptions(QWidget* window)
{
    QStringList cut;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) {
            continue;
        }
        QString text;
        int needed = 0;
        int room = 0;
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            text = b->text();
            needed = textWidth(b, text);
            room = captionRoom(b);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
            needed = b->sizeHint().width();
            room = b->width();
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
            if (text.isEmpty()) {
                continue;
            }
            // A wrapping label needs its height, a one-line label its width.
            needed = l->wordWrap() ? l->heightForWidth(l->width()) : l->sizeHint().width();
            room = l->wordWrap() ? l->height() : l->width();
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            text = g->title();
            needed = groupTitle(g).right();
            room = g->rect().right();
        } else if (auto* s = qobject_cast<QAbstractSpinBox*>(w)) {
            text = s->text();
            needed = s->sizeHint().width();
            room = s->width();
        } else {
            continue;
        }
        if (needed > room) {
            cut.append(describe(w, text, needed, room));
        }
        // A caption lower than its control needs is cut at the top or the bottom.
        if ((qobject_cast<QAbstractButton*>(w) || (qobject_cast<QLabel*>(w) && !text.isEmpty())) &&
            w->height() < w->sizeHint().height() &&
            !(qobject_cast<QLabel*>(w) && qobject_cast<QLabel*>(w)->wordWrap())) {
            cut.append(describe(w, text, w->sizeHint().height(), w->height()) + u" (height)"_s);
        }
        const QWidget* holder = w->parentWidget();
        if (!holder || w->isWindow()) {
            continue;
        }
        const QRect inside = qobject_cast<const QGroupBox*>(holder) ? holder->contentsRect() : holder->rect();
        if (w->geometry().right() > inside.right() || w->geometry().bottom() > holder->rect().bottom() || w->x() < 0 ||
            w->y() < 0) {
            cut.append(describe(w, text, w->geometry().right(), inside.right()) + u" (past its holder's edge)"_s);
        }
    }
    return cut;
}

// A frame or a group box only draws around what it holds.
bool surrounds(const QWidget* a, const QWidget* b)
{
    const bool decoration = qobject_cast<const QGroupBox*>(a) || a->metaObject() == &QFrame::staticMetaObject;
    return decoration && a->geometry().contains(b->geometry());
}

// The controls of the window, each with its holder (the window, the main window's central part,
// a group box, a frame, a scroll area's view), and every two of one holder that overlap.
QStringList overlaps(QWidget* window)
{
    QList<QWidget*> holders = {window};
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        holders.append(main->centralWidget());
    }
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (qobject_cast<QGroupBox*>(w) || w->metaObject() == &QFrame::staticMetaObject) {
            holders.append(w);
        }
    }
    QStringList found;
    for (QWidget* holder : holders) {
        QList<QWidget*> controls;
        for (QWidget* w : holder->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            // Qt's own helpers (a main window's layout parts, a scroll area's bars) are no controls.
            if (w->isVisibleTo(window) && !w->isWindow() && !w->objectName().startsWith(u"qt_"_s)) {
                controls.append(w);
            }
        }
        for (int i = 0; i < controls.size(); ++i) {
            for (int j = i + 1; j < controls.size(); ++j) {
                QWidget* a = controls.at(i);
                QWidget* b = controls.at(j);
                if (a->geometry().intersects(b->geometry()) && !surrounds(a, b) && !surrounds(b, a)) {
                    found.append(a->objectName() + u" overlaps "_s + b->objectName());
                }
            }
        }
    }
    return found;
}

// A window of fixed size: the user cannot make it cut its controls off.
QStringList notFixed(QWidget* w)
{
    const bool fixed = w->minimumSize() == w->maximumSize() && w->size() == w->minimumSize();
    return fixed ? QStringList() : QStringList{w->objectName() + u" is not of fixed size"_s};
}

bool shown(QWidget* w)
{
    w->show();
    return QTest::qWaitForWindowExposed(w, 10000);
}

} // namespace

// A window of the program, shown as a user meets it; the alert with its longest texts.
QWidget* showWindow(ProgramWindows& p, const QString& window)
{
    if (window == u"main"_s) {
        return p.mainForm();
    }
    if (window == u"alert"_s || window == u"view"_s) {
        const bool view = window == u"view"_s;
        p.alertDialog()->setMode(view ? TAlertDialog::Mode::View : TAlertDialog::Mode::Alert);
        // The longest line the box can get: every event, a fixed date and time, and a step.
        p.alertDialog()->setWhenText(u"Alert on 24.12.26 - 18:30:00, Startup, Shutdown, Internet connect, Internet "
                                     u"disconnect\rRepeat every: 1000 day(s)"_s);
        p.alertDialog()->setAlertText(u"Water the plants"_s);
        return p.alertDialog();
    }
    if (window == u"editor"_s) {
        return p.newEditDialog();
    }
    if (window == u"options"_s) {
        return p.optionsDialog();
    }
    if (window == u"sounds"_s) {
        return p.soundDialog();
    }
    return p.aboutDialog();
}

const char* const Windows[] = {"main", "alert", "view", "editor", "options", "sounds", "about"};

// The colours of a palette that many dark desktops use (qt6ct's "darker" scheme).
QPalette darkPalette()
{
    QPalette p(QColor(0x424245), QColor(0x222020)); // the button's and the window's colours
    p.setColor(QPalette::Base, QColor(0x3d3d3d));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(role, Qt::white);
    }
    p.setColor(QPalette::Highlight, QColor(0x12608a));
    p.setColor(QPalette::HighlightedText, QColor(0xf9f9f9));
    return p;
}

Rgb rgbOf(const QColor& c)
{
    return Rgb{c.red(), c.green(), c.blue()};
}

// Every enabled text of the window that reads below 4.5 to 1 against what it is painted on: a
// label or a check box on its window, a flat button on its holder, a list's rows on its base.
QStringList unreadable(QWidget* window)
{
    QStringList found;
    const auto check = [&found](const QWidget* w, const QString& what, const QColor& text, const QColor& back) {
        const double ratio = ContrastRatio(rgbOf(text), rgbOf(back));
        if (ratio < NormalTextContrast) {
            found.append(
                u"%1 %2: %3 on %4, %5:1"_s.arg(w->objectName(), what, text.name(), back.name()).arg(ratio, 0, 'f', 2));
        }
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !w->isEnabled()) {
            continue;
        }
        const QPalette& p = w->palette();
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            const QColor back =
                b->isFlat() ? b->parentWidget()->palette().color(QPalette::Window) : p.color(QPalette::Button);
            check(w, b->text(), p.color(QPalette::ButtonText), back);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            check(w, b->text(), p.color(QPalette::WindowText), p.color(QPalette::Window));
        } else if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) {
            check(w, l->text(), p.color(QPalette::WindowText), p.color(QPalette::Window));
        } else if (qobject_cast<QAbstractItemView*>(w)) {
            check(w, u"rows"_s, p.color(QPalette::Text), p.color(QPalette::Base));
            check(w, u"selected row"_s, p.color(QPalette::HighlightedText), p.color(QPalette::Highlight));
        }
    }
    return found;
}

class TestCaptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void scale_asTheEnvironmentSays();
    void captions_readWholeInEveryWindow_data();
    void captions_readWholeInEveryWindow();
    void colours_readOnLightAndDarkPalettes_data();
    void colours_readOnLightAndDarkPalettes();
};

void TestCaptions::scale_asTheEnvironmentSays()
{
    // The same checks run a second time at a larger scale; that run must really be larger.
    const double wanted =
        qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
    ProgramRig rig;
    rig.start();
    QVERIFY(shown(rig.windows->mainForm()));
    QCOMPARE(rig.windows->mainForm()->windowHandle()->devicePixelRatio(), wanted);
}

void TestCaptions::captions_readWholeInEveryWindow_data()
{
    QTest::addColumn<int>("points");
    QTest::newRow("desktop's own font") << 0;
    for (int points : {8, 9, 11, 14}) {
        QTest::newRow(qPrintable(u"%1 pt"_s.arg(points))) << points;
    }
}

// In every window, at the desktop's font of each size: every caption reads whole, no two controls
// overlap, and the window, of fixed size, holds them all.
void TestCaptions::captions_readWholeInEveryWindow()
{
    QFETCH(int, points);
    const QFont desktop = QApplication::font();
    if (points > 0) {
        QApplication::setFont(QFont(u"DejaVu Sans"_s, points));
    }
    QStringList problems;
    {
        ProgramRig rig;
        rig.closer.handler = [](QWidget*) { return true; }; // the windows stay as the test shows them
        rig.start();
        for (const char* name : Windows) {
            QWidget* w = showWindow(*rig.windows, QString::fromLatin1(name));
            QVERIFY(shown(w));
            const QString prefix = QString::fromLatin1(name) + u": "_s;
            for (const QString& problem : cutCaptions(w) + overlaps(w) + notFixed(w)) {
                problems.append(prefix + problem);
            }
            w->hide();
        }
        // The button column's font grows with a larger desktop font.
        const auto* newSB = rig.windows->mainForm()->findChild<QPushButton*>(u"NewSB"_s);
        if (points > 9 && QFontInfo(newSB->font()).pixelSize() <= 11) {
            problems.append(u"main: NewSB keeps its font at %1 pt"_s.arg(points));
        }
    }
    TPocetakDialog splash;
    QVERIFY(shown(&splash));
    problems += cutCaptions(&splash) + overlaps(&splash) + notFixed(&splash);
    splash.hide();
    QApplication::setFont(desktop);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"\n"_s)));
}

void TestCaptions::colours_readOnLightAndDarkPalettes_data()
{
    QTest::addColumn<bool>("darkFirst");
    QTest::addColumn<bool>("darkLater");
    QTest::newRow("light") << false << false;
    QTest::newRow("dark") << true << true;
    QTest::newRow("light, then dark while running") << false << true;
    QTest::newRow("dark, then light while running") << true << false;
}

void TestCaptions::colours_readOnLightAndDarkPalettes()
{
    QFETCH(bool, darkFirst);
    QFETCH(bool, darkLater);
    const QPalette desktop = QApplication::palette();
    const QPalette light = QApplication::style()->standardPalette();
    QApplication::setPalette(darkFirst ? darkPalette() : light);
    QStringList problems;
    {
        ProgramRig rig;
        rig.closer.handler = [](QWidget*) { return true; };
        rig.start();
        QApplication::setPalette(darkLater ? darkPalette() : light);
        for (const char* name : Windows) {
            QWidget* w = showWindow(*rig.windows, QString::fromLatin1(name));
            QVERIFY(shown(w));
            for (const QString& problem : unreadable(w)) {
                problems.append(QString::fromLatin1(name) + u": "_s + problem);
            }
            w->hide();
        }
    }
    QApplication::setPalette(desktop);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"\n"_s)));
}

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
