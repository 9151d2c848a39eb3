#include "gui/AboutD.h"
#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/NewEditD.h"
#include "gui/OptionsD.h"
#include "gui/SoundD.h"
#include "support/ProgramRig.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
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
        const QWidget* holder = w->parentWidget();
        if (!holder || w->isWindow()) {
            continue;
        }
        const QRect inside = qobject_cast<const QGroupBox*>(holder) ? holder->contentsRect() : holder->rect();
        if (w->geometry().right() > inside.right() || w->geometry().bottom() > holder->rect().bottom()) {
            cut.append(describe(w, text, w->geometry().right(), inside.right()) + u" (past its holder's edge)"_s);
        }
    }
    return cut;
}

bool shown(QWidget* w)
{
    w->show();
    return QTest::qWaitForWindowExposed(w, 10000);
}

} // namespace

class TestCaptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void scale_asTheEnvironmentSays();
    void captions_readWholeInEveryWindow_data();
    void captions_readWholeInEveryWindow();
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
    QTest::addColumn<QString>("window");
    for (const char* w : {"main", "alert", "view", "editor", "options", "sounds", "about"}) {
        QTest::newRow(w) << QString::fromLatin1(w);
    }
}

void TestCaptions::captions_readWholeInEveryWindow()
{
    QFETCH(QString, window);
    ProgramRig rig;
    rig.closer.handler = [](QWidget*) { return true; }; // the windows stay as the test shows them
    rig.start();
    ProgramWindows& p = *rig.windows;
    QWidget* w = nullptr;
    if (window == u"main"_s) {
        w = p.mainForm();
    } else if (window == u"alert"_s || window == u"view"_s) {
        const bool view = window == u"view"_s;
        p.alertDialog()->setMode(view ? TAlertDialog::Mode::View : TAlertDialog::Mode::Alert);
        // The longest line the box can get: every event, a fixed date and time, and a step.
        p.alertDialog()->setWhenText(u"Alert on 24.12.26 - 18:30:00, Startup, Shutdown, Internet connect, Internet "
                                   u"disconnect\rRepeat every: 1000 day(s)"_s);
        p.alertDialog()->setAlertText(u"Water the plants"_s);
        w = p.alertDialog();
    } else if (window == u"editor"_s) {
        w = p.newEditDialog();
    } else if (window == u"options"_s) {
        w = p.optionsDialog();
    } else if (window == u"sounds"_s) {
        w = p.soundDialog();
    } else {
        w = p.aboutDialog();
    }
    QVERIFY(shown(w));
    const QStringList cut = cutCaptions(w);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u"; "_s)));
    w->hide();
}

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
