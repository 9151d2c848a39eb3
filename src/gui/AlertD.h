#pragma once

#include "ClosingDialog.h"

#include <memory>

class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;

/// The alert window: a fired reminder's text in large red letters, or, in view mode (caption
/// "View reminder"), a reminder picked in the list together with the line that says when it fires.
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
    /// Alert mode shows a fired reminder and offers Pause; view mode shows a reminder picked in the
    /// list, with the "Alert on" box, and offers Edit.
    enum class Mode { Alert, View };

    explicit TAlertDialog(QWidget* parent = nullptr);
    ~TAlertDialog() override;

    static QString alertCaption() { return QStringLiteral("Reminder"); }
    static QString viewCaption() { return QStringLiteral("View reminder"); }
    /// Sets the mode, and the caption that goes with it; set before the window shows.
    void setMode(Mode mode);
    Mode mode() const { return m_mode; }
    bool isViewMode() const { return m_mode == Mode::View; }

    /// The reminder's text, shown in large red letters.
    void setAlertText(const QString& text);
    /// The "Alert on" line shown in view mode; set before the window shows.
    void setWhenText(const QString& text) { m_whenText = text; }
    /// True when the last close came from Edit (view mode): the caller then opens the editor.
    bool editRequested() const { return m_editRequested; }

    // OK and the middle button; a notice's actions on the desktop answer the alert through them too.
    void OKAOLClick();
    void PauseAOLClick();

protected:
    void FormClose() override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Ui;

    void buildButtons();
    void FormActivate();
    int layOutText(bool view, const QRect& available, int& whenHeight);
    void HelpAOLClick();
    void CheckTimerTimer();
    void keepOnScreen(const QRect& available);
    int labelWidth() const { return m_clientWidth - 16; }

    std::unique_ptr<Ui> m_ui;
    QString m_whenText;
    Mode m_mode = Mode::Alert;
    // The mode the window was last laid out in: the middle button says Pause or Edit by it.
    Mode m_shownMode = Mode::Alert;
    bool m_editRequested = false;
    // The buttons' size and the window's width, from the captions in the window's font.
    QSize m_buttonSize;
    int m_clientWidth = 0;
};
