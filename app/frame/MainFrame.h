#pragma once
// The main window: toolbar, control bar, menus and accelerators laid out from the command table,
// the status panes, and the 1 x 2 splitter (RIP folder on the left; queue above the image view on
// the right). The close request runs the application's shutdown.
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <map>
#include <string>

#include "frame/Commands.h"

class QAction;
class QMenu;
class QSplitter;
class QToolBar;

namespace orvix {

class ControlBar;
class OrvixApp;
class SheetWindow;
class StatusPanes;
class WorkStrip;

// The TCP window sizes the network jobs need, set in the machine's registry store at frame
// creation: both values become 255552. Silent when the store cannot be written.
void tuneTcpWindows(const std::string& baseDir);

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit MainFrame(OrvixApp& app);
    ~MainFrame() override;

    OrvixApp& app() { return app_; }
    CommandTable& commands() { return commands_; }
    QAction* action(int id) const;
    // Runs a command as its menu item would: nothing when it is disabled or has no handler yet.
    bool runCommand(int id);
    // Recomputes every command's enabled and pressed state (a timer does it several times a second).
    void updateCommands();
    static constexpr int kUpdatePeriodMs = 200;

    ControlBar* controlBar() const { return controlBar_; }
    StatusPanes* statusPanes() const { return panes_; }
    WorkStrip* workStrip() const { return workStrip_; }
    QToolBar* toolBar() const { return toolBar_; }
    QToolBar* controlBarHolder() const { return controlHolder_; }
    QMenu* menu(const char* sourceTitle) const; // by the untranslated title; null when pruned
    QList<QMenu*> menus() const;

    // The panes the queue, browser and image view fill (placeholders until then).
    QSplitter* splitter() const { return splitter_; }
    QSplitter* rightSplitter() const { return right_; }
    void setBrowser(QWidget* w);
    void setQueue(QWidget* w);
    void setImageView(QWidget* w);

    // Start-up pruning of the menus, from the card and head-board the engine found.
    void pruneMenus();
    // The message pane.
    void showMessage(const QString& text);

    // The virtual printer's window (made on first use).
    SheetWindow* sheetWindow();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildActions();
    void buildMenus();
    void buildToolBars();
    void buildCentral();
    void installFrameHandlers();
    void replacePane(QSplitter* s, int index, QWidget* w);

    OrvixApp& app_;
    CommandTable commands_;
    std::map<int, QAction*> actions_;
    std::map<QString, QMenu*> menus_;
    QToolBar* toolBar_ = nullptr;
    QToolBar* controlHolder_ = nullptr;
    ControlBar* controlBar_ = nullptr;
    StatusPanes* panes_ = nullptr;
    WorkStrip* workStrip_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QSplitter* right_ = nullptr;
    QPointer<SheetWindow> sheet_;
    QTimer updateTimer_;
};

} // namespace orvix
