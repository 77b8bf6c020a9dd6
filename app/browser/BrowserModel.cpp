#include "browser/BrowserModel.h"

#include <algorithm>

#include "browser/BrowserFiles.h"

namespace orvix {

QString thumbCaption(const SourceHeader& s) {
    return QStringLiteral("%1x%2x%3").arg(s.width).arg(s.height < 0 ? -qint64(s.height) : s.height)
        .arg(colourCountText(s.bitCount, s.planes));
}

QVariant BrowserModel::data(const QModelIndex& index, int role) const {
    const BrowserEntry* e = entry(index.row());
    if (!e) return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Name: return e->name;
        case Size: return sizeText(e->size);
        case Type: return e->type;
        case Modified: return modifiedText(e->modified);
        }
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == Size ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    case Qt::ToolTipRole: return e->path;
    case ThumbRole: return e->thumb;
    case CaptionRole: return e->done && !e->thumb.isNull() ? thumbCaption(e->source) : QString();
    case PathRole: return e->path;
    }
    return {};
}

QVariant BrowserModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) return {};
    static const char* const titles[] = {"Name", "Size", "Type", "Modified"};
    QString t = QString::fromLatin1(titles[section]);
    if (section == sortColumn_) t += ascending_ ? QLatin1Char('+') : QLatin1Char('-');
    return t;
}

void BrowserModel::setEntries(QList<BrowserEntry> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    sortRows();
    endResetModel();
}

int BrowserModel::rowOf(const QString& path) const {
    for (int i = 0; i < rows_.size(); ++i)
        if (rows_[i].path == path) return i;
    return -1;
}

bool BrowserModel::attachThumb(int hint, const QString& path, const QImage& thumb, const SourceHeader& source) {
    const int row = entry(hint) && rows_[hint].path == path ? hint : rowOf(path);
    if (row < 0) return false;
    BrowserEntry& e = rows_[row];
    e.thumb = thumb;
    e.source = source;
    e.done = true;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    return true;
}

void BrowserModel::headerClicked(int column) {
    if (column < 0 || column >= ColumnCount) return;
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    emit layoutAboutToBeChanged();
    // The selection and the current row follow their files to their new places.
    const QModelIndexList before = persistentIndexList();
    QStringList paths;
    for (const QModelIndex& i : before) paths << (entry(i.row()) ? rows_[i.row()].path : QString());
    sortRows();
    QModelIndexList after;
    for (int i = 0; i < before.size(); ++i) after << index(rowOf(paths[i]), before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged();
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void BrowserModel::sortRows() {
    auto less = [this](const BrowserEntry& a, const BrowserEntry& b) {
        switch (sortColumn_) {
        case Size: return a.size < b.size;
        case Type: return a.type.compare(b.type, Qt::CaseInsensitive) < 0;
        case Modified: return a.modified < b.modified;
        default: return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
        }
    };
    if (ascending_)
        std::stable_sort(rows_.begin(), rows_.end(), less);
    else
        std::stable_sort(rows_.begin(), rows_.end(), [&](const BrowserEntry& a, const BrowserEntry& b) { return less(b, a); });
}

} // namespace orvix
