#include "AboutD.h"

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

    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(QIcon(QStringLiteral(":/nudgelark.png")).pixmap(64, 64));
    ProgramIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    ProductName = new QLabel(QStringLiteral("Nudgelark"), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont big = ProductName->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    ProductName->setFont(big);

    Version = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(NUDGELARK_VERSION)), this);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Comments = new QLabel(QStringLiteral("A small desktop reminder. It tells you what to do at a date and time, when "
                                         "your session starts or ends, and when the internet connection comes up "
                                         "or goes down."),
                          this);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setWordWrap(true);
    Comments->setMinimumWidth(260);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(ProductName);
    text->addWidget(Version);
    text->addSpacing(8);
    text->addWidget(Comments);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(ProgramIcon);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
