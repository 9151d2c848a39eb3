#include "ReminderModel.h"

ReminderModel::ReminderModel(QObject* parent)
    : QAbstractListModel(parent)
    , m_selection(this)
{
}

int ReminderModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ReminderModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const Reminder& r = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return r.name;
    case Qt::CheckStateRole:
        return r.checked ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

bool ReminderModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole) {
        return false;
    }
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ReminderModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

QString ReminderModel::field(int row, Field f) const
{
    const Reminder& r = m_rows.at(row);
    switch (f) {
    case Field::Name:
        return r.name;
    case Field::Date:
        return r.date;
    case Field::Time:
        return r.time;
    case Field::Repeat:
        return r.repeat;
    case Field::Events:
        return r.events;
    case Field::What:
        return r.what;
    case Field::Ponovno:
        return r.ponovno;
    }
    return {};
}

void ReminderModel::setField(int row, Field f, const QString& value)
{
    Reminder& r = m_rows[row];
    QString* target = nullptr;
    switch (f) {
    case Field::Name:
        target = &r.name;
        break;
    case Field::Date:
        target = &r.date;
        break;
    case Field::Time:
        target = &r.time;
        break;
    case Field::Repeat:
        target = &r.repeat;
        break;
    case Field::Events:
        target = &r.events;
        break;
    case Field::What:
        target = &r.what;
        break;
    case Field::Ponovno:
        target = &r.ponovno;
        break;
    }
    if (*target == value) {
        return;
    }
    *target = value;
    if (f == Field::Ponovno) {
        return; // run-time only: not shown, not stored
    }
    rowChanged(row, f == Field::Name ? QList<int>{Qt::DisplayRole} : QList<int>{});
}

void ReminderModel::setChecked(int row, bool checked)
{
    if (m_rows.at(row).checked == checked) {
        return;
    }
    m_rows[row].checked = checked;
    rowChanged(row, {Qt::CheckStateRole});
}

void ReminderModel::setPausedAt(int row, const QDateTime& instant)
{
    m_rows[row].pausedAt = instant;
}

void ReminderModel::setRows(QList<Reminder> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    for (Reminder& r : m_rows) {
        r.id = m_nextId++;
    }
    endResetModel();
    m_selection.clear();
    Q_EMIT contentChanged();
}

int ReminderModel::append(Reminder reminder)
{
    const int row = int(m_rows.size());
    reminder.id = m_nextId++;
    beginInsertRows({}, row, row);
    m_rows.append(std::move(reminder));
    endInsertRows();
    Q_EMIT contentChanged();
    return row;
}

void ReminderModel::changeRow(int row, const Reminder& fields)
{
    Reminder& r = m_rows[row];
    r.name = fields.name;
    r.date = fields.date;
    r.time = fields.time;
    r.repeat = fields.repeat;
    r.events = fields.events;
    r.what = fields.what;
    rowChanged(row, {Qt::DisplayRole});
}

void ReminderModel::removeRow(int row)
{
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    Q_EMIT contentChanged();
}

int ReminderModel::rowOfId(quint64 id) const
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).id == id) {
            return int(i);
        }
    }
    return -1;
}

int ReminderModel::selectedRow() const
{
    const QModelIndexList rows = m_selection.selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ReminderModel::selectRow(int row)
{
    if (row < 0) {
        m_selection.clear();
        return;
    }
    m_selection.setCurrentIndex(index(row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ReminderModel::rowChanged(int row, const QList<int>& roles)
{
    const QModelIndex i = index(row);
    Q_EMIT dataChanged(i, i, roles);
    Q_EMIT contentChanged();
}
