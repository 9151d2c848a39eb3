#include "WindowLook.h"

#include "core/Contrast.h"

#include <QApplication>
#include <QEvent>
#include <QFontInfo>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
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

QSize CaptionFit(const QPushButton* button, QSize described)
{
    // The style's own wish for a button's width (Fusion asks 80 pixels for any caption) is not
    // taken: the described width holds wherever the caption fits inside the style's margins.
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.rect = QRect(QPoint(), described);
    if (button->isFlat()) {
        option.features |= QStyleOptionButton::Flat;
    }
    if (button->autoDefault() || button->isDefault()) {
        option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    const int margins =
        described.width() - button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    const int caption = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
    return QSize(qMax(described.width(), caption + margins), qMax(described.height(), button->sizeHint().height()));
}
