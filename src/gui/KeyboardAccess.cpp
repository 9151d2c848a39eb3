#include "KeyboardAccess.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

// Paints the focus frame over a button once the button has painted itself.
class FocusFramePainter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* button = qobject_cast<QPushButton*>(watched);
        if (event->type() != QEvent::Paint || !button || !button->hasFocus()) {
            return false;
        }
        static_cast<QObject*>(button)->event(event);
        QStyleOptionFocusRect frame;
        frame.initFrom(button);
        frame.rect = button->rect().adjusted(1, 1, -1, -1);
        frame.backgroundColor = button->palette().color(button->backgroundRole());
        // Drawn whatever moved the focus last: the button has no other mark of it.
        frame.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
        QPainter painter(button);
        button->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, button);
        return true;
    }
};

} // namespace

void ShowFocusFrame(QPushButton* button)
{
    button->installEventFilter(new FocusFramePainter(button));
}

void AnnounceCheckedRows(QAbstractItemView* view)
{
    QObject::connect(view->model(), &QAbstractItemModel::dataChanged, view,
                     [view](const QModelIndex& first, const QModelIndex& last, const QList<int>& roles) {
                         if (!QAccessible::isActive() || !roles.contains(Qt::CheckStateRole)) {
                             return;
                         }
                         QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
                         QAccessibleTableInterface* table = list ? list->tableInterface() : nullptr;
                         for (int row = first.row(); table && row <= last.row(); ++row) {
                             if (QAccessibleInterface* item = table->cellAt(row, 0)) {
                                 QAccessible::State changed;
                                 changed.checked = true;
                                 QAccessibleStateChangeEvent event(item, changed);
                                 QAccessible::updateAccessibility(&event);
                             }
                         }
                     });
}
