#pragma once

#include "ClosingDialog.h"

#include <QTimer>

class QLabel;
class QPushButton;
class QScrollArea;

/// The alert window: a fired reminder's text in large red letters, or, with the caption
/// "View reminder", a reminder picked in the list together with the line that says when it fires.
class TAlertDialog final : public ClosingDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAlertDialog)

Q_SIGNALS:
    /// Pause pressed (or pressed by CheckTimer) on an alert.
    void pauseRequested();
    /// Help pressed: the topic is "Alarm" or "View".
    void helpRequested(const QString& topic);

public:
    explicit TAlertDialog(QWidget* parent = nullptr);

    static QString alertCaption() { return QStringLiteral("Reminder"); }
    static QString viewCaption() { return QStringLiteral("View reminder"); }
    bool isViewMode() const { return windowTitle() == viewCaption(); }

    /// The "Alert on" line shown in view mode; set before the window shows.
    void setWhenText(const QString& text) { m_whenText = text; }
    /// True when the last close came from Edit (view mode): the caller then opens the editor.
    bool editRequested() const { return m_editRequested; }

    QLabel* AlertL;
    QLabel* WhenST;
    QPushButton* OKSB;
    QPushButton* PauseSB;
    QPushButton* HelpSB;
    QTimer CheckTimer;

    void FormActivate();
    void OKAOLClick();
    void PauseAOLClick();
    void HelpAOLClick();
    void CheckTimerTimer();

protected:
    void FormClose() override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void keepOnScreen(const QRect& available);

    QScrollArea* m_scroll;
    QString m_whenText;
    bool m_editRequested = false;
};
