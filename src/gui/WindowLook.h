#pragma once

#include <QFont>
#include <QPalette>

class QPushButton;
class QWidget;

/// How much larger than the default desktop font (9 points) the desktop's font is; never below 1.
/// The windows' own fonts and sizes were made for the default and grow by it.
qreal DesktopFontScale();

/// A font of the family, bold, whose size in pixels was made for the default desktop font: larger
/// in proportion under a larger desktop font.
QFont ScaledPixelFont(const QString& family, int pixelSize);
/// The same for a size given in points.
QFont ScaledPointFont(const QString& family, qreal pointSize);

/// Shows the widget's text (textRole) in the red nearest pure red that reads on the background it
/// is painted on (backgroundRole), and keeps it so when the desktop's palette changes.
void KeepReadableRed(QWidget* widget, QPalette::ColorRole textRole, QPalette::ColorRole backgroundRole);
/// Keeps the desktop's selection colours on the widget, the selection's background made darker or
/// lighter where its text would not read on it.
void KeepReadableSelection(QWidget* widget);
/// The size of a button: the described one where its caption fits, else as large as the caption
/// (its mnemonic's "&" not counted) and the style's margins around it need.
QSize CaptionFit(const QPushButton* button, QSize described);
