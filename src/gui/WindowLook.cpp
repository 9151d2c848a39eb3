#include "WindowLook.h"

#include "core/Contrast.h"

#include <QApplication>
#include <QEvent>
#include <QFontInfo>
#include <QWidget>
#include <functional>

namespace {

constexpr qreal DefaultDesktopPoints = 9.0;

Rgb toRgb(const QColor& c)
{
    return Rgb{c.red(), c.green(), c.blue()};
}

// Adjusts the widget's palette from the colours around it (its holder's palette) now and again
// whenever they change: a new desktop palette, or the window's own.
class PaletteKeeper final : public QObject
{
public:
    PaletteKeeper(QWidget* widget, std::function<void(const QPalette& around, QPalette& own)> adjust)
        : QObject(widget), m_widget(widget), m_adjust(std::move(adjust))
    {
        apply();
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_widget && (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)) {
            apply();
        }
        return false;
    }

private:
    void apply()
    {
        const QWidget* holder = m_widget->parentWidget();
        const QPalette around = holder ? holder->palette() : QApplication::palette(m_widget);
        QPalette palette = m_widget->palette();
        m_adjust(around, palette);
        // Only a real change is set: setting the palette sends the change event once more.
        if (palette != m_widget->palette()) {
            m_widget->setPalette(palette);
        }
    }

    QWidget* m_widget;
    std::function<void(const QPalette&, QPalette&)> m_adjust;
};

constexpr QPalette::ColorGroup Groups[] = {QPalette::Active, QPalette::Inactive, QPalette::Disabled};

} // namespace

qreal DesktopFontScale()
{
    const QFont desktop = QApplication::font();
    const qreal points = desktop.pointSizeF() > 0 ? desktop.pointSizeF() : QFontInfo(desktop).pointSizeF();
    return qMax(1.0, points / DefaultDesktopPoints);
}

QFont ScaledPixelFont(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(qRound(pixelSize * DesktopFontScale()));
    font.setBold(true);
    return font;
}

QFont ScaledPointFont(const QString& family, qreal pointSize)
{
    QFont font(family);
    font.setPointSizeF(pointSize * DesktopFontScale());
    font.setBold(true);
    return font;
}

void KeepReadableRed(QWidget* widget, QPalette::ColorRole textRole, QPalette::ColorRole backgroundRole)
{
    new PaletteKeeper(widget, [textRole, backgroundRole](const QPalette& around, QPalette& own) {
        for (const QPalette::ColorGroup group : Groups) {
            const Rgb red = ReadableRed(toRgb(around.color(group, backgroundRole)));
            own.setColor(group, textRole, QColor(red.r, red.g, red.b));
        }
    });
}

void KeepReadableSelection(QWidget* widget)
{
    new PaletteKeeper(widget, [](const QPalette& around, QPalette& own) {
        for (const QPalette::ColorGroup group : Groups) {
            const Rgb back = ReadableBackground(toRgb(around.color(group, QPalette::Highlight)),
                                                toRgb(around.color(group, QPalette::HighlightedText)));
            own.setColor(group, QPalette::Highlight, QColor(back.r, back.g, back.b));
        }
    });
}
