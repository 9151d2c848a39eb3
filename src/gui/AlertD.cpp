#include "AlertD.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>

namespace {

constexpr int ClientWidth = 289;
constexpr int LabelWidth = 273;
constexpr int WhenHeight = 49;
constexpr int ButtonHeight = 23;
// The title bar and borders are not known before the window manager has framed the window.
constexpr int FrameAllowance = 40;

QFont tahoma(int pixelHeight)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelHeight);
    font.setBold(true);
    return font;
}

// The reminder's text and the "Alert on" line break their lines with a bare CR, which a label
// would run together into one line.
QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

TAlertDialog::TAlertDialog(QWidget* parent)
    : ClosingDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), AlertL(new QLabel),
      WhenST(new QLabel(this)), OKSB(new QPushButton(QStringLiteral("OK"), this)),
      PauseSB(new QPushButton(QStringLiteral("Pause"), this)), HelpSB(new QPushButton(QStringLiteral("Help"), this)),
      m_scroll(new QScrollArea(this))
{
    setObjectName(QStringLiteral("AlertDialog"));
    setWindowTitle(alertCaption());
    setModal(true);

    AlertL->setObjectName(QStringLiteral("AlertL"));
    AlertL->setAlignment(Qt::AlignCenter);
    AlertL->setWordWrap(true);
    AlertL->setTextFormat(Qt::PlainText);
    AlertL->setFont(tahoma(13));
    QPalette red = AlertL->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    AlertL->setPalette(red);
    // The text scrolls once the window would outgrow the screen; the buttons always stay in reach.
    m_scroll->setWidget(AlertL);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    WhenST->setObjectName(QStringLiteral("WhenST"));
    WhenST->setFrameShape(QFrame::Panel);
    WhenST->setFrameShadow(QFrame::Plain);
    WhenST->setTextFormat(Qt::PlainText);
    WhenST->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    WhenST->setWordWrap(true);
    WhenST->setGeometry(8, 0, LabelWidth, WhenHeight);
    WhenST->hide();

    const QFont buttonFont = tahoma(11);
    int left = 8;
    for (QPushButton* button : {OKSB, PauseSB, HelpSB}) {
        button->setFont(buttonFont);
        button->setFlat(true);
        // The alert comes up while the user types elsewhere: no key may answer it unread, so no
        // button is the default and none takes the focus.
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(left, 0, 75, ButtonHeight);
        left += 100;
    }
    OKSB->setObjectName(QStringLiteral("OKSB"));
    PauseSB->setObjectName(QStringLiteral("PauseSB"));
    HelpSB->setObjectName(QStringLiteral("HelpSB"));
    connect(OKSB, &QPushButton::clicked, this, &TAlertDialog::OKAOLClick);
    connect(PauseSB, &QPushButton::clicked, this, &TAlertDialog::PauseAOLClick);
    connect(HelpSB, &QPushButton::clicked, this, &TAlertDialog::HelpAOLClick);

    CheckTimer.setInterval(60000);
    connect(&CheckTimer, &QTimer::timeout, this, &TAlertDialog::CheckTimerTimer);

    move(231, 132);
    FormActivate();
    CheckTimer.stop();
}

void TAlertDialog::FormActivate()
{
    const bool view = isViewMode();
    const QString text = displayText(AlertL->text());
    if (text != AlertL->text()) {
        AlertL->setText(text);
    }
    // The window grows with the text up to the screen's height; beyond that the text scrolls, so
    // that the buttons (and the "Alert on" box) always stay in reach.
    const int lineHeight = AlertL->fontMetrics().height();
    const int labelHeight = qMax(AlertL->heightForWidth(LabelWidth), lineHeight);
    int whenHeight = 0;
    if (view) {
        WhenST->setText(displayText(m_whenText));
        // The box keeps its height unless its text needs more, as it does in a wider fallback font.
        whenHeight = qMax(WhenHeight, WhenST->heightForWidth(LabelWidth));
    }
    const int below = 16 + (view ? whenHeight + 8 : 0) + ButtonHeight + 8;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect available = s ? s->availableGeometry() : QRect();
    int shownHeight = labelHeight;
    if (available.isValid()) {
        const int frame = qMax(FrameAllowance, frameGeometry().height() - height());
        shownHeight = qMin(labelHeight, qMax(lineHeight, available.height() - frame - 8 - below));
    }
    m_scroll->setVerticalScrollBarPolicy(labelHeight > shownHeight ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    m_scroll->setGeometry(8, 8, LabelWidth, shownHeight);

    // Alert mode: the buttons sit under the text.
    int okTop = shownHeight + 16;
    PauseSB->setText(QStringLiteral("Pause"));
    if (view) {
        WhenST->show();
        WhenST->setGeometry(8, shownHeight + 16, LabelWidth, whenHeight);
        okTop = WhenST->y() + WhenST->height() + 8;
        PauseSB->setText(QStringLiteral("Edit"));
    }
    for (QPushButton* button : {OKSB, PauseSB, HelpSB}) {
        button->move(button->x(), okTop);
    }
    setFixedSize(ClientWidth, okTop + ButtonHeight + 8);
    keepOnScreen(available);
    if (isVisible()) {
        raise();
        activateWindow();
    }
    // Enabling a running timer leaves it running: the 60 seconds count from the first activation.
    if (!CheckTimer.isActive()) {
        CheckTimer.start();
    }
}

void TAlertDialog::keepOnScreen(const QRect& available)
{
    // A window grown with its text is moved up rather than left hanging below the screen.
    const QRect frame = frameGeometry();
    if (available.isValid() && frame.bottom() > available.bottom()) {
        move(x(), qMax(available.top(), y() - (frame.bottom() - available.bottom())));
    }
}

void TAlertDialog::OKAOLClick()
{
    accept();
}

void TAlertDialog::PauseAOLClick()
{
    const bool pause = PauseSB->text() == QStringLiteral("Pause");
    m_editRequested = !pause;
    accept();
    if (pause) {
        Q_EMIT pauseRequested();
    }
}

void TAlertDialog::HelpAOLClick()
{
    Q_EMIT helpRequested(isViewMode() ? QStringLiteral("View") : QStringLiteral("Alarm"));
    accept();
}

void TAlertDialog::CheckTimerTimer()
{
    PauseAOLClick();
    CheckTimer.stop();
}

void TAlertDialog::FormClose()
{
    setWindowTitle(alertCaption());
    WhenST->hide();
    CheckTimer.stop();
}

void TAlertDialog::showEvent(QShowEvent* event)
{
    m_editRequested = false;
    ClosingDialog::showEvent(event);
    FormActivate();
}

void TAlertDialog::changeEvent(QEvent* event)
{
    ClosingDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) {
        FormActivate();
    }
}

void TAlertDialog::keyPressEvent(QKeyEvent* event)
{
    // Only a click on one of the buttons answers the alert: Return, Enter and Space press nothing,
    // and with no close box Escape closes nothing either.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        ClosingDialog::keyPressEvent(event);
    }
}

void TAlertDialog::closeEvent(QCloseEvent* event)
{
    // Alt+F4 and the window manager's close do not end an alert; only its buttons do.
    event->ignore();
}
