#pragma once
// The RIP folder browser of the left pane: the folder's preview bitmaps as thumbnails (icon mode)
// or as a table (report mode), missing previews rendered when the folder is opened, selection into
// the image view and the engine's RIP header, and the commands on the listed files.
#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

#include "browser/BrowserModel.h"
#include "browser/ThumbWorker.h"

class QListView;
class QMenu;
class QStackedWidget;
class QTreeView;

namespace orvix {

class ImageView;
class OrvixApp;

class FolderBrowser : public QWidget {
    Q_OBJECT
public:
    FolderBrowser(OrvixApp& app, ImageView* view, QWidget* parent = nullptr);
    ~FolderBrowser() override;

    // Opens a folder: nothing when it is the current one; otherwise
    // renders the previews that are missing, lists the folder and starts the thumbnails.
    void openFolder(const QString& path);
    // The control bar's folder again ("代码 006" when the path is empty).
    void refresh();
    // The folder picker, from the control bar's path.
    void chooseFolder();
    void deleteSelected();
    void repreviewSelected();
    void queueSelected();
    // A bitmap into the image view with the header of its RIP file (checked first: a refused
    // header is shown with its reason and leaves the engine's header alone).
    void showPicture(const QString& bmp, const QString& rip);

    // The RIP files whose previews the last opening rendered, and whether the operator cancelled.
    const QStringList& rendered() const { return rendered_; }
    bool renderCancelled() const { return cancelled_; }

    QString folder() const { return folder_; }
    QString selectedFile() const { return selected_; }
    QString selectedRip() const { return rip_; }
    BrowserModel& model() { return model_; }
    ThumbWorker& worker() { return worker_; }
    int run() const { return run_; }
    int thumbsAttached() const { return attached_; }
    QListView* iconView() const { return icons_; }
    QTreeView* reportView() const { return report_; }
    bool reportMode() const;
    void setReportMode(bool on);
    QStringList& filter() { return filter_; }
    QMenu* contextMenu() const { return menu_; }

    // Selects a row as the operator's click would (-1 clears).
    void selectRow(int row);
    // The delete question; replaceable by tests. True for OK.
    std::function<bool(const QString& text)> confirm;

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void list();
    void renderMissing(const QStringList& ripFiles);
    void currentChanged(const QModelIndex& now);
    void showContextMenu(const QPoint& globalPos);
    void thumbReady(int run, int index, const QString& path, const Thumb& t);
    void showMessage(const QString& text);

    OrvixApp& app_;
    ImageView* view_;
    BrowserModel model_;
    ThumbWorker worker_;
    QStackedWidget* stack_;
    QListView* icons_;
    QTreeView* report_;
    QMenu* menu_;
    QString folder_, selected_, rip_;
    QStringList filter_{QStringLiteral("bmp")};
    QStringList rendered_;
    bool cancelled_ = false;
    int run_ = 0;
    int attached_ = 0;
};

} // namespace orvix
