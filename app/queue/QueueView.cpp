#include "queue/QueueView.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>

#include "queue/PrintQueue.h"

namespace orvix {

QueueView::QueueView(PrintQueue& queue, QWidget* parent) : QTreeView(parent), queue_(queue) {
    setObjectName(QStringLiteral("queueView"));
    setModel(&queue.model());
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    for (int c = 0; c < kColumnCount; ++c) {
        const int w = queueColumns()[size_t(c)].width;
        if (w == 0) setColumnHidden(c, true);
        else setColumnWidth(c, w);
    }
    connect(model(), &QAbstractItemModel::rowsInserted, this, &QueueView::fitColumns);
    connect(model(), &QAbstractItemModel::modelReset, this, &QueueView::fitColumns);
    connect(model(), &QAbstractItemModel::dataChanged, this, &QueueView::fitColumns);
    fitColumns();
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now) { queue_.rowSelected(now.isValid() ? now.row() : -1); });
    buildMenu();
}

void QueueView::fitColumns() {
    for (int c = 0; c < kColumnCount; ++c) {
        if (isColumnHidden(c)) continue;
        // Only the rows on screen are measured, so a long queue costs nothing more.
        const int want = std::max({queueColumns()[size_t(c)].width, sizeHintForColumn(c), header()->sectionSizeHint(c)});
        if (columnWidth(c) < want) setColumnWidth(c, want);
    }
}

void QueueView::buildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("queueMenu"));
    struct Item {
        const char* name;
        const char* text;
        std::function<void()> run;
    };
    const Item items[] = {
        {"queueUp", QT_TR_NOOP("向上移(&U)"), [this] { queue_.moveUp(currentRow()); }},
        {"queueDown", QT_TR_NOOP("向下移(&D)"), [this] { queue_.moveDown(currentRow()); }},
        {"queueTop", QT_TR_NOOP("移至顶端(&T)"), [this] { queue_.moveToTop(currentRow()); }},
        {"queueBottom", QT_TR_NOOP("移至底端(&B)"), [this] { queue_.moveToBottom(currentRow()); }},
        {"queueRemove", QT_TR_NOOP("清除(&R)"), [this] { queue_.removeRows(selectedRows()); }},
        {"queueClear", QT_TR_NOOP("清除全部(&A)"), [this] { queue_.clearAll(); }},
        {"queueProperties", QT_TR_NOOP("属性(&P)"), [this] { queue_.editProperties(currentRow()); }},
        {"queuePrintSelected", QT_TR_NOOP("打印所选择的文件(&S)"), [this] { queue_.printSelected(currentRow()); }},
    };
    for (const Item& i : items) {
        QAction* a = menu_->addAction(tr(i.text));
        a->setObjectName(QString::fromLatin1(i.name));
        connect(a, &QAction::triggered, this, i.run);
    }
}

QList<int> QueueView::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows()) rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int QueueView::currentRow() const {
    const QModelIndexList sel = selectionModel()->selectedRows();
    if (sel.isEmpty()) return -1;
    const QModelIndex cur = selectionModel()->currentIndex();
    return cur.isValid() && selectionModel()->isRowSelected(cur.row(), {}) ? cur.row() : sel.first().row();
}

void QueueView::selectRow(int row) {
    if (row < 0 || row >= model()->rowCount()) {
        clearSelection();
        return;
    }
    const QModelIndex i = model()->index(row, 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QPoint QueueView::menuPosition(const QContextMenuEvent& e) const {
    if (e.reason() == QContextMenuEvent::Keyboard) return mapToGlobal(QPoint(5, 5));
    return e.globalPos();
}

void QueueView::contextMenuEvent(QContextMenuEvent* e) {
    menu_->popup(menuPosition(*e));
    e->accept();
}

void QueueView::mouseDoubleClickEvent(QMouseEvent* e) {
    const QModelIndex i = indexAt(e->position().toPoint());
    if (i.isValid()) {
        selectRow(i.row());
        queue_.editProperties(i.row());
    }
    e->accept();
}

} // namespace orvix
