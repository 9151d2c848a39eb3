#pragma once

#include <QString>
#include <functional>
#include <initializer_list>

class QHBoxLayout;
class QWidget;

/// One button of a dialog's row: its object name, its caption and what a click runs.
struct DialogButton
{
    const char* name;
    QString caption;
    std::function<void()> clicked;
};

/// The row of flat, bold buttons under a dialog's frame, in the order given, each 75 by 23 pixels or
/// as large as its caption needs; no button is a default button.
QHBoxLayout* MakeButtonRow(QWidget* dialog, std::initializer_list<DialogButton> buttons);
