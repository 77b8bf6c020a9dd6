#include "queue/QueueModel.h"

#include <QCoreApplication>

namespace orvix {

QueueModel::QueueModel(QObject* parent) : QAbstractTableModel(parent) {}

int QueueModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }
int QueueModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant QueueModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= size() || index.column() >= kColumnCount) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return rows_[size_t(index.row())][size_t(index.column())];
    return {};
}

QVariant QueueModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) return {};
    return QCoreApplication::translate("Queue", queueColumns()[size_t(section)].heading);
}

int QueueModel::insert(int at, const QueueRow& row) {
    if (at < 0 || at >= 10000 || at > size()) at = size();
    beginInsertRows({}, at, at);
    rows_.insert(rows_.begin() + at, row);
    endInsertRows();
    emit rowsChanged();
    return at;
}

void QueueModel::remove(int i) {
    if (i < 0 || i >= size()) return;
    beginRemoveRows({}, i, i);
    rows_.erase(rows_.begin() + i);
    endRemoveRows();
    emit rowsChanged();
}

void QueueModel::replace(int i, const QueueRow& row) {
    if (i < 0 || i >= size()) return;
    rows_[size_t(i)] = row;
    emit dataChanged(index(i, 0), index(i, kColumnCount - 1));
    emit rowsChanged();
}

void QueueModel::move(int from, int to) {
    if (from < 0 || from >= size() || to < 0 || to >= size() || from == to) return;
    const QueueRow r = rows_[size_t(from)];
    remove(from);
    insert(to, r);
}

void QueueModel::setText(int i, int column, const QString& text) {
    if (i < 0 || i >= size() || column < 0 || column >= kColumnCount) return;
    if (rows_[size_t(i)][size_t(column)] == text) return;
    rows_[size_t(i)][size_t(column)] = text;
    emit dataChanged(index(i, column), index(i, column));
    // The progress text is not worth a rewrite of the queue file each time it changes.
    if (column != kColStatus) emit rowsChanged();
}

void QueueModel::removeFrom(int from) {
    from = std::max(0, from);
    if (from >= size()) return;
    beginRemoveRows({}, from, size() - 1);
    rows_.erase(rows_.begin() + from, rows_.end());
    endRemoveRows();
    emit rowsChanged();
}

void QueueModel::setRows(std::vector<QueueRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    emit rowsChanged();
}

} // namespace orvix
