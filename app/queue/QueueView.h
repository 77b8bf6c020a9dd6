#pragma once
// The queue's report list: the columns of a queue row (hidden ones at width 0), whole rows
// selected, a context menu with the list's operations, double click for the job properties.
#include <QMenu>
#include <QTreeView>

namespace orvix {

class PrintQueue;

class QueueView : public QTreeView {
    Q_OBJECT
public:
    QueueView(PrintQueue& queue, QWidget* parent = nullptr);

    // The selected rows, ascending; the current row (-1 none).
    QList<int> selectedRows() const;
    int currentRow() const;
    void selectRow(int row);
    // The context menu (built once; its actions are named for tests: "queueUp", ...).
    QMenu* contextMenu() const { return menu_; }
    // Where the menu opens: at the mouse, or 5 pixels inside the list's corner from the keyboard.
    QPoint menuPosition(const QContextMenuEvent& e) const;

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void buildMenu();
    // The columns keep their set widths at least and grow to show their texts and headings whole.
    void fitColumns();

    PrintQueue& queue_;
    QMenu* menu_ = nullptr;
};

} // namespace orvix
