#pragma once

#include "Reminder.h"

#include <QAbstractListModel>
#include <QItemSelectionModel>

/// The live list of reminders: one row each, the caption is the name, the check box is Checked.
/// It also owns the single selection that triggers, commands and the alert act on.
class ReminderModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReminderModel)

Q_SIGNALS:
    /// Any change of the stored content: a row added, changed, deleted, checked or unchecked.
    void contentChanged();

public:
    explicit ReminderModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int count() const { return int(m_rows.size()); }
    const Reminder& at(int row) const { return m_rows.at(row); }
    const QList<Reminder>& rows() const { return m_rows; }

    QString field(int row, Field field) const;
    void setField(int row, Field field, const QString& value);
    bool isChecked(int row) const { return m_rows.at(row).checked; }
    void setChecked(int row, bool checked);
    void setPausedAt(int row, const QDateTime& instant);

    /// Replaces every row (the load); the selection is cleared.
    void setRows(QList<Reminder> rows);
    /// Appends a row at the end and gives it its identity; returns its index.
    int append(Reminder reminder);
    /// Overwrites the caption and sub-items Date to What; Ponovno and Checked stay.
    void changeRow(int row, const Reminder& fields);
    void removeRow(int row);

    /// Index of the row with that identity, or -1 when it was deleted.
    int rowOfId(quint64 id) const;

    QItemSelectionModel* selectionModel() { return &m_selection; }
    /// The single selected row, or -1.
    int selectedRow() const;
    /// Makes row the selected row (any other row is deselected); -1 clears the selection.
    void selectRow(int row);

private:
    void rowChanged(int row, const QList<int>& roles = {});

    QList<Reminder> m_rows;
    QItemSelectionModel m_selection;
    quint64 m_nextId = 1;
};
