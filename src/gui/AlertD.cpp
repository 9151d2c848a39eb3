#include "AlertD.h"

#include "gui/WindowLook.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <array>

namespace {

constexpr int ClientWidth = 289;
constexpr int WhenHeight = 49;
// The title bar and borders are not known before the window manager has framed the window.
constexpr int FrameAllowance = 40;

// The reminder's text and the "Alert on" line break their lines with a bare CR, which a label
// would run together into one line.
QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

struct TAlertDialog::Ui
{
    QScrollArea* scroll; // holds AlertL
    QLabel* AlertL;
    QLabel* WhenST;
    // OKSB, PauseSB and HelpSB, side by side under the text.
    std::array<QPushButton*, 3> buttons;
    QPushButton* PauseSB;
    QTimer* CheckTimer;
};

TAlertDialog::TAlertDialog(QWidget* parent)
    : ClosingDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ui(std::make_unique<Ui>())
{
    Ui& ui = *m_ui;
    setObjectName(QStringLiteral("AlertDialog"));
    setMode(Mode::Alert);
    setModal(true);

    ui.AlertL = new QLabel;
    ui.AlertL->setObjectName(QStringLiteral("AlertL"));
    ui.AlertL->setAlignment(Qt::AlignCenter);
    ui.AlertL->setWordWrap(true);
    ui.AlertL->setTextFormat(Qt::PlainText);
    ui.AlertL->setFont(ScaledPixelFont(QStringLiteral("Tahoma"), 13));
    ui.WhenST = new QLabel(this);
    ui.WhenST->setObjectName(QStringLiteral("WhenST"));
    ui.WhenST->setFrameShape(QFrame::Panel);
    ui.WhenST->setFrameShadow(QFrame::Plain);
    ui.WhenST->setTextFormat(Qt::PlainText);
    ui.WhenST->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui.WhenST->setWordWrap(true);
    ui.WhenST->hide();

    buildButtons();
    ui.WhenST->setGeometry(8, 0, labelWidth(), WhenHeight);
    // The text scrolls once the window would outgrow the screen; the buttons always stay in reach.
    ui.scroll = new QScrollArea(this);
    ui.scroll->setWidget(ui.AlertL);
    ui.scroll->setWidgetResizable(true);
    ui.scroll->setFrameShape(QFrame::NoFrame);
    ui.scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The text fills its background with the window's colour (the scroll area's doing): the red
    // is chosen to read on that.
    KeepReadableRed(ui.AlertL, QPalette::WindowText, QPalette::Window);

    ui.CheckTimer = new QTimer(this);
    ui.CheckTimer->setObjectName(QStringLiteral("CheckTimer"));
    ui.CheckTimer->setInterval(60000);
    connect(ui.CheckTimer, &QTimer::timeout, this, &TAlertDialog::CheckTimerTimer);

    move(231, 132);
    FormActivate();
    ui.CheckTimer->stop();
}

TAlertDialog::~TAlertDialog() = default;

void TAlertDialog::buildButtons()
{
    Ui& ui = *m_ui;
    const std::tuple<const char*, QString, void (TAlertDialog::*)()> specs[] = {
        {"OKSB", QStringLiteral("OK"), &TAlertDialog::OKAOLClick},
        {"PauseSB", QStringLiteral("Pause"), &TAlertDialog::PauseAOLClick},
        {"HelpSB", QStringLiteral("Help"), &TAlertDialog::HelpAOLClick},
    };
    const QFont buttonFont = ScaledPixelFont(QStringLiteral("Tahoma"), 11);
    for (int i = 0; i < 3; ++i) {
        const auto& [name, caption, handler] = specs[i];
        QPushButton* button = ui.buttons[i] = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        connect(button, &QPushButton::clicked, this, handler);
        button->setFont(buttonFont);
        button->setFlat(true);
        // The alert comes up while the user types elsewhere: no key may answer it unread, so no
        // button is the default and none takes the focus.
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
    }
    ui.PauseSB = ui.buttons[1];
    // The buttons keep their 75 by 23 pixels at 8, 108 and 208 where the captions fit; a larger
    // font makes them, their gaps and the window larger, and the text as wide as the row.
    m_buttonSize = QSize(75, 23);
    for (const QPushButton* button : ui.buttons) {
        m_buttonSize = m_buttonSize.expandedTo(CaptionFit(button, QSize(75, 23)));
    }
    const int step = qMax(100, m_buttonSize.width() + 20);
    const int row = 2 * step + m_buttonSize.width();
    m_clientWidth = 8 + row + 1 <= ClientWidth ? ClientWidth : row + 16;
    for (int i = 0; i < 3; ++i) {
        ui.buttons[i]->setGeometry(8 + i * step, 0, m_buttonSize.width(), m_buttonSize.height());
    }
}

void TAlertDialog::setMode(Mode mode)
{
    m_mode = mode;
    setWindowTitle(mode == Mode::View ? viewCaption() : alertCaption());
}

void TAlertDialog::setAlertText(const QString& text)
{
    m_ui->AlertL->setText(text);
}

// The window grows with the text up to the screen's height; beyond that the text scrolls, so that
// the buttons (and the "Alert on" box) always stay in reach. Returns the height the text shows in;
// whenHeight gets the height of the "Alert on" box in view mode.
int TAlertDialog::layOutText(bool view, const QRect& available, int& whenHeight)
{
    Ui& ui = *m_ui;
    const QString text = displayText(ui.AlertL->text());
    if (text != ui.AlertL->text()) {
        ui.AlertL->setText(text);
    }
    const int lineHeight = ui.AlertL->fontMetrics().height();
    const int labelHeight = qMax(ui.AlertL->heightForWidth(labelWidth()), lineHeight);
    whenHeight = 0;
    if (view) {
        ui.WhenST->setText(displayText(m_whenText));
        // The box keeps its height unless its text needs more, as it does in a wider fallback font.
        whenHeight = qMax(WhenHeight, ui.WhenST->heightForWidth(labelWidth()));
    }
    const int below = 16 + (view ? whenHeight + 8 : 0) + m_buttonSize.height() + 8;
    int shownHeight = labelHeight;
    if (available.isValid()) {
        const int frame = qMax(FrameAllowance, frameGeometry().height() - height());
        shownHeight = qMin(labelHeight, qMax(lineHeight, available.height() - frame - 8 - below));
    }
    ui.scroll->setVerticalScrollBarPolicy(labelHeight > shownHeight ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    ui.scroll->setGeometry(8, 8, labelWidth(), shownHeight);
    return shownHeight;
}

void TAlertDialog::FormActivate()
{
    Ui& ui = *m_ui;
    const bool view = isViewMode();
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect available = s ? s->availableGeometry() : QRect();
    int whenHeight = 0;
    const int shownHeight = layOutText(view, available, whenHeight);

    // Alert mode: the buttons sit under the text.
    int okTop = shownHeight + 16;
    ui.PauseSB->setText(QStringLiteral("Pause"));
    m_shownMode = Mode::Alert;
    if (view) {
        ui.WhenST->show();
        ui.WhenST->setGeometry(8, shownHeight + 16, labelWidth(), whenHeight);
        okTop = ui.WhenST->y() + ui.WhenST->height() + 8;
        ui.PauseSB->setText(QStringLiteral("Edit"));
        m_shownMode = Mode::View;
    }
    for (QPushButton* button : ui.buttons) {
        button->move(button->x(), okTop);
    }
    setFixedSize(m_clientWidth, okTop + m_buttonSize.height() + 8);
    keepOnScreen(available);
    if (isVisible()) {
        raise();
        activateWindow();
    }
    // Enabling a running timer leaves it running: the 60 seconds count from the first activation.
    if (!ui.CheckTimer->isActive()) {
        ui.CheckTimer->start();
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
    // The middle button pauses where its layout made it say "Pause".
    const bool pause = m_shownMode == Mode::Alert;
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
    m_ui->CheckTimer->stop();
}

void TAlertDialog::FormClose()
{
    setMode(Mode::Alert);
    m_ui->WhenST->hide();
    m_ui->CheckTimer->stop();
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
