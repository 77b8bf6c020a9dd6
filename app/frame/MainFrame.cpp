#include "frame/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include "OrvixApp.h"
#include "platform/Registry.h"
#include "frame/ControlBar.h"
#include "frame/Panes.h"
#include "frame/StatusPanes.h"
#include "frame/WorkStrip.h"
#include "sim/SheetWindow.h"

namespace orvix {

namespace {

QString commandText(const Command& c) { return QCoreApplication::translate("Command", c.text); }

// A toolbar icon from the desktop's icon theme, or a drawn one with the command's first character.
QIcon commandIcon(const Command& c) {
    QIcon icon = c.icon ? QIcon::fromTheme(QString::fromLatin1(c.icon)) : QIcon();
    if (!icon.isNull()) return icon;
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(70, 110, 170));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(3, 3, 42, 42), 8, 8);
    QFont f = QApplication::font();
    f.setPixelSize(24);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(pm.rect(), Qt::AlignCenter, commandText(c).remove(QLatin1Char('&')).left(1));
    return QIcon(pm);
}

// The queue's columns, shown until the queue fills the pane.
QStringList queueHeadings() {
    return {QObject::tr("文件名"), QStringLiteral("Pass"), QObject::tr("车速"), QObject::tr("数量"),
            QObject::tr("白边"),   QObject::tr("尺寸"),     QStringLiteral("DPI"), QObject::tr("状态"),
            QObject::tr("路径文件名")};
}

} // namespace

void tuneTcpWindows(const std::string& baseDir) {
    constexpr int kWindow = 255552;
    for (const char* name : {"TcpWindowSize", "GlobalMaxTcpWindowSize"}) {
        platform::readRegistryInt(baseDir, platform::kTcpParametersKey, name, 0); // read as the store is opened
        platform::writeRegistryInt(baseDir, platform::kTcpParametersKey, name, kWindow);
    }
}

MainFrame::MainFrame(OrvixApp& app) : app_(app), commands_(standardCommands()) {
    setObjectName(QStringLiteral("mainFrame"));
    installFrameHandlers();
    buildActions();
    buildMenus();
    buildToolBars();
    panes_ = new StatusPanes(app_, statusBar());
    workStrip_ = new WorkStrip(app_.machineWork(), statusBar());
    statusBar()->insertPermanentWidget(0, workStrip_);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    showMessage(tr("就绪"));
    tuneTcpWindows(app_.engine().csBaseDir);
    buildCentral();
    installQueue(*this);
    installBrowser(*this);
    installSettings(*this);
    connect(&updateTimer_, &QTimer::timeout, this, &MainFrame::updateCommands);
    updateTimer_.start(kUpdatePeriodMs);
}

MainFrame::~MainFrame() = default;

void MainFrame::installFrameHandlers() {
    commands_.setHandler(ID_APP_EXIT, [this](OrvixApp&) { close(); });
    commands_.setHandler(ID_APP_ABOUT, [this](OrvixApp& a) {
        QMessageBox::about(this, tr("关于 Orvix"),
                           tr("Orvix 喷绘机操作软件\n设备: %1\n配置: %2").arg(a.deviceName(), a.setupName()));
    });
    commands_.setHandler(ID_VIEW_TOOLBAR, [this](OrvixApp&) { toolBar_->setVisible(!toolBar_->isVisible()); });
    commands_.setHandler(ID_VIEW_STATUS, [this](OrvixApp&) { statusBar()->setVisible(!statusBar()->isVisible()); });
    commands_.find(ID_VIEW_TOOLBAR)->pressed = [this](OrvixApp&) { return toolBar_ && toolBar_->isVisible(); };
    commands_.find(ID_VIEW_STATUS)->pressed = [this](OrvixApp&) { return statusBar()->isVisible(); };
    commands_.setHandler(ID_VIEW_SHEET, [this](OrvixApp&) {
        SheetWindow* w = sheetWindow();
        w->show();
        w->raise();
        w->activateWindow();
    });
    commands_.setHandler(ID_VIEW_MACHINE, [this](OrvixApp&) { sheetWindow()->setMachineView(!sheetWindow()->machineView()); });
    commands_.find(ID_VIEW_MACHINE)->pressed = [this](OrvixApp&) { return sheet_ && sheet_->machineView(); };
}

void MainFrame::buildActions() {
    for (const Command& c : commands_.all()) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("cmd%1").arg(c.id));
        a->setData(c.id);
        if (c.text) {
            a->setText(commandText(c));
            a->setToolTip(commandText(c).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
        }
        if (c.icon) a->setIcon(commandIcon(c));
        if (c.accel) {
            a->setShortcut(QKeySequence(QString::fromLatin1(c.accel), QKeySequence::PortableText));
            a->setShortcutContext(Qt::WindowShortcut);
        }
        a->setCheckable(bool(c.pressed));
        const int id = c.id;
        connect(a, &QAction::triggered, this, [this, id, a] {
            // A two-state button reflects the machine, not the click: the next update sets it.
            if (a->isCheckable()) a->setChecked(!a->isChecked());
            runCommand(id);
        });
        actions_[c.id] = a;
        if (!c.text) addAction(a); // keyboard only: the window carries it
    }
}

void MainFrame::buildMenus() {
    menuBar()->setObjectName(QStringLiteral("menuBar"));
    for (const MenuEntry& menu : menuLayout()) {
        QMenu* m = menuBar()->addMenu(QCoreApplication::translate("Command", menu.title));
        m->setObjectName(QStringLiteral("menu_") + QString::fromUtf8(menu.title));
        for (int id : menu.items) {
            if (id == 0)
                m->addSeparator();
            else
                m->addAction(actions_.at(id));
        }
        menus_[QString::fromUtf8(menu.title)] = m;
    }
}

void MainFrame::buildToolBars() {
    toolBar_ = addToolBar(tr("工具栏"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(48, 48));
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : toolbarLayout()) toolBar_->addAction(actions_.at(id));
    addToolBarBreak();
    controlHolder_ = addToolBar(tr("控制栏"));
    controlHolder_->setObjectName(QStringLiteral("controlBarHolder"));
    controlHolder_->setMovable(false);
    controlBar_ = new ControlBar(controlHolder_);
    controlHolder_->addWidget(controlBar_);
}

void MainFrame::buildCentral() {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("mainSplitter"));
    auto* browser = new QListWidget(splitter_);
    browser->setObjectName(QStringLiteral("browserPlaceholder"));
    splitter_->addWidget(browser);
    right_ = new QSplitter(Qt::Vertical, splitter_);
    right_->setObjectName(QStringLiteral("rightSplitter"));
    auto* queue = new QTreeWidget(right_);
    queue->setObjectName(QStringLiteral("queuePlaceholder"));
    queue->setRootIsDecorated(false);
    queue->setHeaderLabels(queueHeadings());
    right_->addWidget(queue);
    auto* image = new QLabel(tr("请选择RIP文件"), right_);
    image->setObjectName(QStringLiteral("imagePlaceholder"));
    image->setAlignment(Qt::AlignCenter);
    image->setStyleSheet(QStringLiteral("background: white; color: rgb(128,128,128);"));
    right_->addWidget(image);
    right_->setSizes({180, 400});
    splitter_->addWidget(right_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({220, 600});
    setCentralWidget(splitter_);
}

void MainFrame::replacePane(QSplitter* s, int index, QWidget* w) {
    QWidget* old = s->widget(index);
    const QList<int> sizes = s->sizes();
    s->replaceWidget(index, w);
    s->setSizes(sizes);
    if (old) old->deleteLater();
}

void MainFrame::setBrowser(QWidget* w) { replacePane(splitter_, 0, w); }
void MainFrame::setQueue(QWidget* w) { replacePane(right_, 0, w); }
void MainFrame::setImageView(QWidget* w) { replacePane(right_, 1, w); }

QAction* MainFrame::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

bool MainFrame::runCommand(int id) {
    Command* c = commands_.find(id);
    if (!c || !c->handler) return false;
    if (c->enabled && !c->enabled(app_)) return false;
    c->handler(app_);
    return true;
}

void MainFrame::updateCommands() {
    if (app_.closing()) return;
    for (const Command& c : commands_.all()) {
        QAction* a = actions_.at(c.id);
        a->setEnabled(!c.enabled || c.enabled(app_));
        if (c.pressed) a->setChecked(c.pressed(app_));
    }
}

QMenu* MainFrame::menu(const char* sourceTitle) const {
    auto it = menus_.find(QString::fromUtf8(sourceTitle));
    return it == menus_.end() ? nullptr : it->second;
}

QList<QMenu*> MainFrame::menus() const {
    QList<QMenu*> out;
    for (QAction* a : menuBar()->actions())
        if (a->menu()) out << a->menu();
    return out;
}

void MainFrame::pruneMenus() {
    auto removeAt = [](QMenu* m, int pos) {
        if (!m) return;
        const QList<QAction*> items = m->actions();
        if (pos < items.size()) m->removeAction(items[pos]);
    };
    auto removeMenu = [this](const char* title) {
        QMenu* m = menu(title);
        if (!m) return;
        menuBar()->removeAction(m->menuAction());
        menus_.erase(QString::fromUtf8(title));
    };
    removeAt(menu("预览"), 3); // zoom x2
    CDrvPrint& d = app_.engine();
    if (!d.bHardwareOK) {
        removeMenu("打印(&P)");
        removeMenu("功能(&U)");
        return;
    }
    // Position 7 first, so that position 5 still names the same item.
    removeAt(menu("功能(&U)"), 7);
    if (d.uiHTVBoardType == 0) removeAt(menu("功能(&U)"), 5);
}

void MainFrame::showMessage(const QString& text) { statusBar()->showMessage(text); }

SheetWindow* MainFrame::sheetWindow() {
    if (!sheet_) sheet_ = new SheetWindow(this);
    return sheet_;
}

void MainFrame::closeEvent(QCloseEvent* e) {
    if (app_.closing() || app_.shutDown())
        e->accept();
    else
        e->ignore();
}

} // namespace orvix
