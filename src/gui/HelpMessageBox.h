#pragma once

#include <QMessageBox>

class Help;

/// Shows a modal message box and returns the button that answered it. With help given, the box has
/// a Help button (and F1) that opens the help at helpContext and leaves the box open until another
/// button answers. An empty title gives the title of the icon's kind: "Error", "Warning",
/// "Information", "Confirm", or the application's name for no icon.
int ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                QMessageBox::StandardButtons buttons, Help* help = nullptr, int helpContext = -1);

/// The title ShowMessage gives a box of that icon when it is asked for none.
QString DefaultMessageTitle(QMessageBox::Icon icon);
