#include "DialogButtons.h"

#include "gui/WindowLook.h"

#include <QHBoxLayout>
#include <QPushButton>

QHBoxLayout* MakeButtonRow(QWidget* dialog, std::initializer_list<DialogButton> buttons)
{
    QFont bold = dialog->font();
    bold.setBold(true);
    auto* row = new QHBoxLayout;
    for (const DialogButton& spec : buttons) {
        auto* button = new QPushButton(spec.caption, dialog);
        button->setObjectName(QLatin1String(spec.name));
        button->setFlat(true);
        button->setFont(bold);
        button->setAutoDefault(false);
        // 75 by 23 pixels, or what the caption needs in a larger font.
        button->setFixedSize(CaptionFit(button, QSize(75, 23)));
        row->addWidget(button);
        QObject::connect(button, &QPushButton::clicked, dialog, spec.clicked);
    }
    return row;
}
