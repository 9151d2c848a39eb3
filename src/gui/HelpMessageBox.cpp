#include "HelpMessageBox.h"

#include "core/Help.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>

QString DefaultMessageTitle(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Critical:
        return QStringLiteral("Error");
    case QMessageBox::Warning:
        return QStringLiteral("Warning");
    case QMessageBox::Information:
        return QStringLiteral("Information");
    case QMessageBox::Question:
        return QStringLiteral("Confirm");
    case QMessageBox::NoIcon:
        break;
    }
    return QCoreApplication::applicationName();
}

int ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                QMessageBox::StandardButtons buttons, Help* help, int helpContext)
{
    if (buttons == QMessageBox::NoButton) {
        buttons = QMessageBox::Ok;
    }
    QMessageBox box(icon, title.isEmpty() ? DefaultMessageTitle(icon) : title, text, buttons, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setTextFormat(Qt::PlainText);

    // As in Windows, Escape and the close box answer a box whose only button is OK.
    const QList<QAbstractButton*> answers = box.buttons();
    if (answers.size() == 1) {
        box.setEscapeButton(answers.constFirst());
    }

    if (help) {
        QPushButton* helpButton = box.addButton(QMessageBox::Help);
        helpButton->setObjectName(QStringLiteral("HelpButton"));
        // Every button of a QMessageBox closes it; the Help button is taken off the box's button
        // handling so that it only opens the help and the box waits for its answer.
        if (auto* buttonBox = box.findChild<QDialogButtonBox*>()) {
            QObject::disconnect(helpButton, &QAbstractButton::clicked, buttonBox, nullptr);
        }
        QObject::connect(helpButton, &QAbstractButton::clicked, &box,
                         [help, helpContext] { help->showContext(helpContext); });
        auto* f1 = new QShortcut(QKeySequence::HelpContents, &box);
        QObject::connect(f1, &QShortcut::activated, &box, [help, helpContext] { help->showContext(helpContext); });
    }

    // Plain captions, as on Windows: without an icon theme the style's button icons look broken.
    for (QAbstractButton* button : box.buttons()) {
        button->setIcon(QIcon());
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? int(box.standardButton(clicked)) : int(QMessageBox::NoButton);
}
