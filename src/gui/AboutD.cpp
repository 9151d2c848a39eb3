#include "AboutD.h"

#include "gui/KeyboardAccess.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutDialog::TAboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About Nudgelark"));
    setModal(true);

    m_programIcon = new QLabel(this);
    m_programIcon->setObjectName(QStringLiteral("ProgramIcon"));
    m_programIcon->setPixmap(QIcon(QStringLiteral(":/nudgelark.png")).pixmap(64, 64));
    m_programIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_productName = new QLabel(QStringLiteral("Nudgelark"), this);
    m_productName->setObjectName(QStringLiteral("ProductName"));
    QFont big = m_productName->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    m_productName->setFont(big);

    m_version = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(NUDGELARK_VERSION)), this);
    m_version->setObjectName(QStringLiteral("Version"));
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_comments = new QLabel(QStringLiteral("A small desktop reminder. It tells you what to do at a date and time, when "
                                           "your session starts or ends, and when the internet connection comes up "
                                           "or goes down."),
                            this);
    m_comments->setObjectName(QStringLiteral("Comments"));
    m_comments->setWordWrap(true);
    m_comments->setMinimumWidth(260);

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    ShowFocusFrame(m_okButton);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    layOut();
}

void TAboutDialog::layOut()
{

    auto* text = new QVBoxLayout;
    text->addWidget(m_productName);
    text->addWidget(m_version);
    text->addSpacing(8);
    text->addWidget(m_comments);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_programIcon);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
