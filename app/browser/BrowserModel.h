#pragma once
// The rows of the RIP folder browser: one per listed preview bitmap, with the texts of the report
// columns, the thumbnail once the worker has made it, and the sort order of the header clicks.
#include <QAbstractTableModel>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>

#include "browser/ThumbCache.h"

namespace orvix {

struct BrowserEntry {
    QString path; // full path of the listed file
    QString name;
    qint64 size = 0;
    QString type;
    QDateTime modified;
    QImage thumb;
    SourceHeader source;
    bool done = false; // the worker has answered for it
};

class BrowserModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Size, Type, Modified, ColumnCount };
    static constexpr int ThumbRole = Qt::UserRole + 1;   // QImage
    static constexpr int CaptionRole = Qt::UserRole + 2; // "%dx%dx%s"
    static constexpr int PathRole = Qt::UserRole + 3;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    void setEntries(QList<BrowserEntry> rows); // sorted by the current order
    void clear() { setEntries({}); }
    const QList<BrowserEntry>& entries() const { return rows_; }
    const BrowserEntry* entry(int row) const { return row >= 0 && row < rows_.size() ? &rows_[row] : nullptr; }
    int rowOf(const QString& path) const;

    // Attaches a thumbnail to the row showing `path` (row `hint` first). False when no row does.
    bool attachThumb(int hint, const QString& path, const QImage& thumb, const SourceHeader& source);

    // A header click: the same column reverses the order, another sorts ascending by it.
    void headerClicked(int column);
    int sortColumn() const { return sortColumn_; }
    bool ascending() const { return ascending_; }

private:
    void sortRows();

    QList<BrowserEntry> rows_;
    int sortColumn_ = Name;
    bool ascending_ = true;
};

// "%dx%dx%s": the source's width, height and colour count.
QString thumbCaption(const SourceHeader& s);

} // namespace orvix
