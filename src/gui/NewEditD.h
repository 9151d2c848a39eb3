#pragma once

#include "ClosingDialog.h"
#include "core/EditorFields.h"

#include <QDateTime>
#include <functional>
#include <memory>

class Help;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTimeEdit;
class ReminderModel;

/// What the editor needs of the main window: its list, its two timers and its clock.
struct NewEditHost
{
    ReminderModel* model = nullptr;
    std::function<void()> startTimer;
    std::function<void()> stopTimer;
    std::function<void()> startSecondTimer;
    std::function<QDateTime()> now;
    Help* help = nullptr; // never null: NoHelp where there is none
};

/// The reminder editor: New mode appends a row, Edit mode ("Edit reminder - name") overwrites one.
class TNewEditDialog final : public ClosingDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TNewEditDialog)

public:
    using Mode = EditorMode;

    explicit TNewEditDialog(NewEditHost host, QWidget* parent = nullptr);
    ~TNewEditDialog() override;

    static QString newCaption() { return QStringLiteral("New reminder"); }
    static QString editCaption(const QString& name) { return QStringLiteral("Edit reminder - ") + name; }
    Mode mode() const { return m_mode; }

    /// Shows the editor modally in New mode, with the fields as its last close left them and the
    /// time picker at the current time; OK appends the row.
    void openNew();
    /// Loads the row into the fields and shows the editor modally in Edit mode; OK writes back to
    /// that row wherever it stands by then. Nothing happens for a row that is gone.
    void openEdit(quint64 rowId);
    /// The engine's tick while the editor is open: the time picker shows the time of day.
    void followClock(const QTime& time);

protected:
    void FormClose() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Ui;

    void buildTexts();
    void buildEventBoxes();
    void buildDateAndTime();
    void buildButtons();
    void layOut();
    void connectRules();
    void setTabOrders();

    void OKAOLClick();
    void CancelAOLClick();
    void HelpSBClick();
    void rDateTimeClick();
    void specDateCBClick();
    void specTimeCBClick();
    void RepeatEExit();
    void VrijemeExit();
    void ResetFields();

    /// Fills the controls from the fields: texts, pickers, ticks, then the enabled states.
    void loadFields(const EditorFields& fields);
    /// The fields as the controls hold them now.
    EditorFields readFields() const;
    void showEnabling(const EditorFields& fields);
    void setMode(Mode mode, const QString& name = {});
    void setWhatText(const QString& what);
    QStringList whatLines() const;
    QDateTime now() const;

    bool checkRepeat();
    void reportInvalidRepeat();
    void refuse(EditorRefusal refusal);

    std::unique_ptr<Ui> m_ui;
    NewEditHost m_host;
    Mode m_mode = Mode::New;
    quint64 m_editRowId = 0;
    bool m_inRepeatExit = false;
};
