#pragma once
// The rows of the print queue. Only the GUI thread changes it: the queue worker asks for its
// changes by running on the GUI thread's timer.
#include <QAbstractTableModel>

#include <vector>

#include "queue/QueueRow.h"

namespace orvix {

class QueueModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit QueueModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    const std::vector<QueueRow>& rows() const { return rows_; }
    const QueueRow& row(int i) const { return rows_.at(size_t(i)); }
    int size() const { return int(rows_.size()); }
    bool empty() const { return rows_.empty(); }

    // Inserts at `at` (an index of 10000 or more, or past the end, appends); the row's index.
    int insert(int at, const QueueRow& row);
    void remove(int i);
    void replace(int i, const QueueRow& row);
    // Moves a row by deleting it and inserting it again at `to`.
    void move(int from, int to);
    void setText(int i, int column, const QString& text);
    // Removes every row from `from` on.
    void removeFrom(int from);
    void setRows(std::vector<QueueRow> rows);

signals:
    // Any change of the rows (the queue file is written after it).
    void rowsChanged();

private:
    std::vector<QueueRow> rows_;
};

} // namespace orvix
