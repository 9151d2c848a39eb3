#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>

class QWidget;
class TrayBackend;

/// An icon with a tool tip in the desktop's tray, its mouse actions as events, a pop-up menu, and
/// the move of the owner window between its normal state and the tray.
///
/// The desktop reports only Trigger, DoubleClick, Context and MiddleClick, not raw presses,
/// releases or moves: each report is turned into the events a press and release would give,
/// MouseMove is never raised, and positions are the cursor's when the report arrives.
class TTrayIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TTrayIcon)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(QString Hint READ Hint WRITE setHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE setShowHint)
    Q_PROPERTY(QIcon Icon READ Icon WRITE setIcon)
    Q_PROPERTY(bool IconVisible READ IconVisible WRITE setIconVisible)
    Q_PROPERTY(bool LeftPopup READ LeftPopup WRITE setLeftPopup)
    Q_PROPERTY(bool StartMinimized READ StartMinimized WRITE setStartMinimized)
    Q_PROPERTY(bool MinimizeToTray READ MinimizeToTray WRITE setMinimizeToTray)

Q_SIGNALS:
    void Click();
    void DblClick();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    /// Never raised: no desktop tray reports mouse moves over the icon.
    void MouseMove(Qt::KeyboardModifiers modifiers, QPoint position);

public:
    /// Takes ownership of backend; the real tray is used when it is null. The icon is not added
    /// until IconVisible is written. The tray is looked for again after each of recheckDelays
    /// (milliseconds from now), for a tray that comes without a word.
    explicit TTrayIcon(QWidget* owner, TrayBackend* backend = nullptr, const QList<int>& recheckDelays = {2000, 5000});
    ~TTrayIcon() override;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    QString Hint() const { return m_hint; }
    void setHint(const QString& hint);
    bool ShowHint() const { return m_showHint; }
    void setShowHint(bool showHint);
    QIcon Icon() const { return m_icon; }
    void setIcon(const QIcon& icon);
    bool IconVisible() const { return m_iconVisible; }
    /// Every write talks to the tray: true adds the icon, false removes it.
    void setIconVisible(bool visible);
    QMenu* PopupMenu() const { return m_popupMenu; }
    /// Also the menu a panel draws itself (StatusNotifierItem hosts).
    void setPopupMenu(QMenu* menu);
    bool LeftPopup() const { return m_leftPopup; }
    void setLeftPopup(bool leftPopup) { m_leftPopup = leftPopup; }
    /// The owner reads it at start and leaves its window hidden when it is set.
    bool StartMinimized() const { return m_startMinimized; }
    void setStartMinimized(bool startMinimized) { m_startMinimized = startMinimized; }
    bool MinimizeToTray() const { return m_minimizeToTray; }
    void setMinimizeToTray(bool minimizeToTray) { m_minimizeToTray = minimizeToTray; }

    /// The tool tip as the tray gets it: Hint cut to 63 characters, empty without ShowHint.
    QString toolTip() const;
    /// Whether the desktop has a tray now; without one the owner window is never hidden.
    bool trayAvailable() const;
    /// Asks the panel to draw the user's eye to the icon (where the panel can), or stops asking.
    void setNeedsAttention(bool attention);

    /// Owner window back from the tray or the minimised state: icon out, window shown and raised.
    /// Where the desktop cannot report minimising (Wayland) and a tray is there, the icon stays in.
    void RestoreMainForm();
    /// The menu's Show: RestoreMainForm, except where the desktop cannot report minimising and a
    /// tray is there: the icon is the only way into the tray then, so a showing window goes back
    /// into it.
    void ShowFromTray();
    /// Whether the desktop reports a minimised window (not on Wayland); tests set it.
    bool minimisingReported() const { return m_minimisingReported; }
    void setMinimisingReported(bool reported) { m_minimisingReported = reported; }
    /// Icon in, owner window hidden; where the desktop has no tray it is minimised instead.
    void HideMainForm();
    void DoMinimizeToTray();

    /// What the tray reports; the backend's activations arrive here.
    void handleActivation(QSystemTrayIcon::ActivationReason reason);
    /// Looks again whether a tray has come or gone: the icon goes into a new tray if it should be
    /// there, and a window hidden in a tray that went away comes back minimised.
    void recheckTray();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ModifyIcon();
    void PopupAtCursor();
    void runDefaultItem();
    void handMenuToTray();

    QPointer<QWidget> m_owner;
    TrayBackend* m_backend = nullptr;
    QPointer<QMenu> m_popupMenu;
    QIcon m_icon;
    QString m_hint;
    bool m_enabled = true;
    bool m_showHint = true;
    bool m_iconVisible = true;
    bool m_leftPopup = false;
    bool m_startMinimized = false;
    bool m_minimizeToTray = false;
    bool m_trayWasAvailable = false;
    bool m_minimizedForLackOfTray = false;
    bool m_minimisingReported = true;
};
