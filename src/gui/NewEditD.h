#pragma once

#include "ClosingDialog.h"
#include "core/EventFlags.h"

#include <functional>

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
struct Reminder;

/// What the editor needs of the main window: its list and its two timers.
struct NewEditHost
{
    ReminderModel* model = nullptr;
    std::function<void()> startTimer;
    std::function<void()> stopTimer;
    std::function<void()> startSecondTimer;
    std::function<QDate()> today;
    Help* help = nullptr; // never null: NoHelp where there is none
};

/// The reminder editor: New mode appends a row, Edit mode ("Edit reminder - name") overwrites one.
class TNewEditDialog final : public ClosingDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TNewEditDialog)

public:
    explicit TNewEditDialog(NewEditHost host, QWidget* parent = nullptr);

    static QString newCaption() { return QStringLiteral("New reminder"); }
    bool isEditMode() const { return windowTitle().left(13) == QStringLiteral("Edit reminder"); }
    /// The row an Edit writes back to, fixed when the Edit command started.
    void setEditRow(quint64 rowId) { m_editRowId = rowId; }

    QLabel* Label4;
    QLineEdit* NameE;
    QLabel* Label2;
    QTextEdit* WhatRE;
    QGroupBox* WhenGB;
    QCheckBox* rDateTime;
    QCheckBox* rStartup;
    QCheckBox* rShutdown;
    QCheckBox* rIConnect;
    QCheckBox* rIDisConnect;
    QCheckBox* specDateCB;
    QCheckBox* specTimeCB;
    QLabel* Label3;
    QLineEdit* RepeatE;
    QLabel* Label5;
    QTimeEdit* Vrijeme;
    QLabel* Label1;
    QDateEdit* Kalendar;
    QPushButton* OKSB;
    QPushButton* HelpSB;
    QPushButton* CancelSB;

    EventFlagSet EventFlags{};

    void OKAOLClick();
    void CancelAOLClick();
    void HelpSBClick();
    /// The enabling rule of "on specific date/time": its four dependants follow its tick.
    void rDateTimeClick();
    void ReadFlags();
    void ResetFields();
    void RepeatEExit();
    void VrijemeExit();
    /// The editor's text as its lines.
    QStringList whatLines() const;
    void setWhatText(const QString& what);

protected:
    void FormClose() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString repeatText() const;
    bool repeatInRange() const;
    bool checkRepeat();
    void reportInvalidRepeat();
    bool checkReadsBack(const Reminder& r);

    NewEditHost m_host;
    quint64 m_editRowId = 0;
    bool m_inRepeatExit = false;
};
