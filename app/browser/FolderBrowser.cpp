#include "browser/FolderBrowser.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSet>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include "OrvixApp.h"
#include "browser/BrowserFiles.h"
#include "browser/ImageView.h"
#include "core/RipFormat.h"
#include "core/RipValidate.h"
#include "dialogs/ProgressWindow.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

namespace orvix {

namespace {

// Icon mode: each row drawn as its thumbnail in a 3-D frame on its extension's colour, the
// source's size and colours under it, then the file name.
class ThumbDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int kCellW = kThumbWidth + 40, kCellH = kThumbHeight + 50;

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return {kCellW, kCellH}; }

    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
        p->save();
        const QRect cell = opt.rect;
        const bool selected = opt.state & QStyle::State_Selected;
        const QRect frame(cell.left() + (cell.width() - kThumbWidth - 4) / 2, cell.top() + 3, kThumbWidth + 4,
                          kThumbHeight + 4);
        p->fillRect(frame, cellColour(index.data(BrowserModel::PathRole).toString()));
        const QImage img = index.data(BrowserModel::ThumbRole).value<QImage>();
        if (!img.isNull()) {
            const QRect inner = frame.adjusted(2, 2, -2, -2);
            QSize s = img.size();
            if (s.width() > inner.width() || s.height() > inner.height()) s.scale(inner.size(), Qt::KeepAspectRatio);
            const QRect at(inner.left() + (inner.width() - s.width()) / 2, inner.top() + (inner.height() - s.height()) / 2,
                           s.width(), s.height());
            p->drawImage(at, img);
        }
        // The raised 3-D border: white above and left, grey below and right.
        p->setPen(Qt::white);
        p->drawLine(frame.topLeft(), frame.topRight());
        p->drawLine(frame.topLeft(), frame.bottomLeft());
        p->setPen(QColor(128, 128, 128));
        p->drawLine(frame.bottomLeft(), frame.bottomRight());
        p->drawLine(frame.topRight(), frame.bottomRight());
        QFont f = opt.font;
        f.setPixelSize(10);
        p->setFont(f);
        const QRect captionRect(cell.left(), frame.bottom() + 4, cell.width(), 14);
        p->setPen(opt.palette.color(QPalette::Text));
        p->drawText(captionRect, Qt::AlignHCenter | Qt::AlignTop, index.data(BrowserModel::CaptionRole).toString());
        const QRect nameRect(cell.left() + 1, captionRect.bottom() + 1, cell.width() - 2, 16);
        if (selected) p->fillRect(nameRect, opt.palette.color(QPalette::Highlight));
        p->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        p->setFont(opt.font);
        const QString name = opt.fontMetrics.elidedText(index.data().toString(), Qt::ElideMiddle, nameRect.width());
        p->drawText(nameRect, Qt::AlignHCenter | Qt::AlignVCenter, name);
        if (selected) {
            p->setPen(QPen(opt.palette.color(QPalette::Highlight), 2));
            p->drawRect(frame.adjusted(-2, -2, 2, 2));
        }
        p->restore();
    }
};

bool sameFolder(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return a.isEmpty() && b.isEmpty();
    const QString ca = QFileInfo(a).canonicalFilePath(), cb = QFileInfo(b).canonicalFilePath();
    return !ca.isEmpty() && !cb.isEmpty() ? ca == cb : QDir::cleanPath(a) == QDir::cleanPath(b);
}

} // namespace

FolderBrowser::FolderBrowser(OrvixApp& app, ImageView* view, QWidget* parent)
    : QWidget(parent), app_(app), view_(view), model_(this) {
    setObjectName(QStringLiteral("folderBrowser"));
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    stack_ = new QStackedWidget(this);
    col->addWidget(stack_);

    icons_ = new QListView(stack_);
    icons_->setObjectName(QStringLiteral("browserIcons"));
    icons_->setViewMode(QListView::IconMode);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setMovement(QListView::Static);
    icons_->setUniformItemSizes(true);
    icons_->setSelectionMode(QAbstractItemView::SingleSelection);
    icons_->setGridSize(QSize(ThumbDelegate::kCellW + 4, ThumbDelegate::kCellH + 4));
    icons_->setItemDelegate(new ThumbDelegate(icons_));
    icons_->setModel(&model_);
    icons_->setContextMenuPolicy(Qt::NoContextMenu); // the browser's own menu, below
    stack_->addWidget(icons_);

    report_ = new QTreeView(stack_);
    report_->setObjectName(QStringLiteral("browserReport"));
    report_->setRootIsDecorated(false);
    report_->setUniformRowHeights(true);
    report_->setModel(&model_);
    report_->setSelectionModel(icons_->selectionModel());
    report_->setContextMenuPolicy(Qt::NoContextMenu);
    report_->header()->setSectionsClickable(true);
    report_->header()->setStretchLastSection(false);
    const int widths[] = {150, 80, 125, 150};
    for (int c = 0; c < BrowserModel::ColumnCount; ++c) report_->setColumnWidth(c, widths[c]);
    report_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(report_->header(), &QHeaderView::sectionClicked, &model_, &BrowserModel::headerClicked);
    stack_->addWidget(report_);

    connect(icons_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now) { currentChanged(now); });
    for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(icons_), static_cast<QAbstractItemView*>(report_)})
        connect(v, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { queueSelected(); });
    connect(&worker_, &ThumbWorker::thumbReady, this, &FolderBrowser::thumbReady, Qt::QueuedConnection);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("browserMenu"));
    menu_->addAction(tr("加入打印列表(&A)"), this, &FolderBrowser::queueSelected)->setObjectName(QStringLiteral("menuQueue"));
    menu_->addAction(tr("删除文件(&D)"), this, &FolderBrowser::deleteSelected)->setObjectName(QStringLiteral("menuDelete"));
    menu_->addAction(tr("重新预览(&R)"), this, &FolderBrowser::repreviewSelected)->setObjectName(QStringLiteral("menuRepreview"));
    menu_->addAction(tr("刷新RIP文件夹(&F)"), this, &FolderBrowser::refresh)->setObjectName(QStringLiteral("menuRefresh"));
    menu_->addSeparator();
    QAction* details = menu_->addAction(tr("详细资料(&V)"));
    details->setObjectName(QStringLiteral("menuDetails"));
    details->setCheckable(true);
    connect(details, &QAction::toggled, this, &FolderBrowser::setReportMode);

    confirm = [this](const QString& text) {
        return QMessageBox::question(this, QStringLiteral("Orvix"), text, QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Cancel) == QMessageBox::Ok;
    };
}

FolderBrowser::~FolderBrowser() { worker_.stop(); }

bool FolderBrowser::reportMode() const { return stack_->currentWidget() == report_; }

void FolderBrowser::setReportMode(bool on) {
    stack_->setCurrentWidget(on ? static_cast<QWidget*>(report_) : static_cast<QWidget*>(icons_));
    for (QAction* a : menu_->actions())
        if (a->objectName() == QLatin1String("menuDetails") && a->isChecked() != on) a->setChecked(on);
}

void FolderBrowser::showMessage(const QString& text) {
    if (MainFrame* f = app_.frame()) f->showMessage(text);
}

void FolderBrowser::openFolder(const QString& path) {
    // Names that differ only in case are different folders here: the same folder is the same
    // path once "." and ".." and links are resolved.
    if (sameFolder(path, folder_)) return;
    worker_.stop();
    model_.clear();
    attached_ = 0;
    folder_ = path;
    rendered_.clear();
    cancelled_ = false;
    if (!path.isEmpty()) {
        // Every RIP file whose preview cannot be opened gets one first.
        QStringList missing;
        const QFileInfoList files = QDir(path).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        for (const QFileInfo& fi : files) {
            // Only regular files: a FIFO or device named like a picture would block the window.
            if (!fi.isFile() || !ripFileType(fi.filePath())) continue;
            const QFileInfo bi(companionBitmap(fi.filePath()));
            if (bi.exists() && !bi.isFile()) continue;
            QFile bmp(bi.filePath());
            if (!bmp.open(QIODevice::ReadOnly)) missing << fi.filePath();
        }
        if (!missing.isEmpty()) renderMissing(missing);
    }
    list();
}

void FolderBrowser::renderMissing(const QStringList& ripFiles) {
    CDrvPrint& d = app_.engine();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const QString& rip : ripFiles) {
        const unsigned rows = d.IMGPreview(rip.toStdString());
        if (rows > 0 && d.uiImageStatus.load() != 0) {
            ProgressWindow::Job job;
            job.progress = [&d] { return unsigned(d.uiImageProgress.load()); };
            job.running = [&d] { return d.uiImageStatus.load() != 0; };
            job.cancel = [&d] { d.IMGCancelImage(); };
            ProgressWindow w(QFileInfo(rip).fileName(), rows, job, this);
            if (!w.runJob()) {
                cancelled_ = true;
                break;
            }
        }
        if (d.IMGWaitImage() == 1) {
            rendered_ << rip;
        } else {
            const QString why = QString::fromStdString(d.csImageError.load());
            showMessage(tr("无法预览 %1: %2").arg(QFileInfo(rip).fileName(), why));
        }
    }
    QApplication::restoreOverrideCursor();
}

void FolderBrowser::list() {
    QDir dir(folder_);
    if (folder_.isEmpty() || !dir.exists() || !dir.isReadable()) return;
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    // The folder's names in lower case: a listed file needs a ".prn" or ".prt" sibling, found
    // whatever the case of its name.
    QSet<QString> names;
    for (const QFileInfo& fi : files) names.insert(fi.fileName().toLower());
    QList<BrowserEntry> rows;
    for (const QFileInfo& fi : files) {
        const QString lower = fi.fileName().toLower();
        if (lower.size() < 3) continue;
        const QString stem = lower.left(lower.size() - 3);
        if (!names.contains(stem + QStringLiteral("prn")) && !names.contains(stem + QStringLiteral("prt"))) continue;
        if (!passesFilter(fi.filePath(), filter_)) continue;
        BrowserEntry e;
        e.path = fi.filePath();
        e.name = fi.fileName();
        e.size = fi.size();
        e.type = typeText(e.path);
        e.modified = fi.lastModified();
        rows.push_back(std::move(e));
    }
    model_.setEntries(std::move(rows));
    QStringList paths;
    for (const BrowserEntry& e : model_.entries()) paths << e.path;
    run_ = worker_.start(folder_, paths);
}

void FolderBrowser::thumbReady(int run, int index, const QString& path, const Thumb& t) {
    if (run != run_) return; // of a folder no longer shown
    if (model_.attachThumb(index, path, t.image, t.source)) ++attached_;
}

void FolderBrowser::refresh() {
    MainFrame* frame = app_.frame();
    const QString path = frame ? frame->controlBar()->path()->text() : folder_;
    if (path.isEmpty()) {
        platform::messageBox(tr("提示信息：代码 006 ：请选择打印文件").toStdString());
        return;
    }
    // Always reloaded, even when it is the folder shown.
    folder_.clear();
    openFolder(path);
    selectRow(-1);
    selected_.clear();
    rip_.clear();
    if (view_) view_->showPicture(QString(), QString(), std::nullopt);
}

void FolderBrowser::chooseFolder() {
    MainFrame* frame = app_.frame();
    const QString start = frame ? frame->controlBar()->path()->text() : folder_;
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Open"), start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) return;
    if (frame) frame->controlBar()->path()->setText(chosen);
    refresh();
}

void FolderBrowser::selectRow(int row) {
    QItemSelectionModel* sel = icons_->selectionModel();
    if (row < 0 || row >= model_.rowCount()) {
        sel->clear();
        return;
    }
    sel->setCurrentIndex(model_.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FolderBrowser::currentChanged(const QModelIndex& now) {
    const BrowserEntry* e = model_.entry(now.row());
    if (!e) return;
    selected_ = e->path;
    rip_ = ripFileOf(e->path);
    showPicture(selected_, rip_);
}

void FolderBrowser::showPicture(const QString& bmp, const QString& rip) {
    if (!view_) return;
    if (bmp.isEmpty() && rip.isEmpty()) {
        view_->showPicture(QString(), QString(), std::nullopt);
        return;
    }
    std::optional<RipHead> head;
    QString fault;
    QFile f(rip);
    if (rip.isEmpty() || !QFileInfo(rip).isFile() || !f.open(QIODevice::ReadOnly)) {
        fault = tr("无法打开RIP文件");
    } else {
        const QByteArray bytes = f.read(kRipHeadSize);
        QByteArray padded = bytes;
        padded.resize(kRipHeadSize, '\0');
        const RipHead h = DecodeRipHead(reinterpret_cast<const uint8_t*>(padded.constData()));
        CDrvPrint& d = app_.engine();
        const uint64_t size = bytes.size() < int(kRipHeadSize) ? uint64_t(bytes.size()) : uint64_t(f.size());
        const std::string why = ValidateRipHead(h, size, d.bLanguageChinese != 0);
        if (!why.empty()) {
            fault = tr("RIP文件头错误: %1").arg(QString::fromStdString(why));
        } else {
            head = h;
            // The print thread reads the header of the job it prints: it is replaced only while no job runs.
            d.PRNOfferRipHead(h);
        }
    }
    if (!fault.isEmpty()) showMessage(fault);
    view_->showPicture(bmp, rip, head, fault);
}

void FolderBrowser::queueSelected() {
    if (rip_.isEmpty() || !QFileInfo(rip_).isFile()) return;
    if (app_.hooks.queueFile) app_.hooks.queueFile(rip_);
}

void FolderBrowser::deleteSelected() {
    if (selected_.isEmpty()) return;
    const QString target = rip_.isEmpty() ? selected_ : rip_;
    const auto& hooks = app_.hooks;
    // The job printing now reads its file: it is never deleted under it.
    auto printingNow = [&] { return !rip_.isEmpty() && hooks.printingFile && hooks.printingFile(rip_); };
    auto refuse = [&] {
        const QString text = tr("该文件正在打印，不能删除：\n%1").arg(target);
        showMessage(text);
        platform::messageBox(text.toStdString());
    };
    if (printingNow()) {
        refuse();
        return;
    }
    QString question = tr("提示信息：确认是否要删除此文件？") + QStringLiteral("\n") + target;
    const QList<int> rows = !rip_.isEmpty() && hooks.queuedRows ? hooks.queuedRows(rip_) : QList<int>();
    if (!rows.isEmpty()) {
        QStringList numbers;
        for (int r : rows) numbers << QString::number(r + 1);
        question += QStringLiteral("\n") +
                    tr("该文件在打印列表中（第 %1 行），这些任务将一并从打印列表中清除。").arg(numbers.join(QStringLiteral(", ")));
    }
    if (!confirm || !confirm(question)) return;
    // The queue may have started the file while the question was open.
    if (printingNow()) {
        refuse();
        return;
    }
    if (!rows.isEmpty() && hooks.unqueueFile) hooks.unqueueFile(rip_);
    if (!rip_.isEmpty()) QFile::remove(rip_);
    QFile::remove(selected_);
    QFile::remove(coverageFileOf(selected_));
    refresh();
}

void FolderBrowser::repreviewSelected() {
    if (selected_.isEmpty()) return;
    const QString bmp = selected_, rip = rip_;
    QFile::remove(bmp);
    QFile::remove(coverageFileOf(bmp));
    if (view_) view_->window()->clear();
    const QString folder = folder_;
    folder_.clear();
    openFolder(folder);
    const int row = model_.rowOf(bmp);
    if (row >= 0) selectRow(row);
}

void FolderBrowser::contextMenuEvent(QContextMenuEvent* e) {
    QPoint at = e->globalPos();
    QAbstractItemView* v = reportMode() ? static_cast<QAbstractItemView*>(report_) : static_cast<QAbstractItemView*>(icons_);
    if (e->reason() == QContextMenuEvent::Keyboard) at = v->viewport()->mapToGlobal(QPoint(5, 5));
    showContextMenu(at);
}

void FolderBrowser::showContextMenu(const QPoint& globalPos) {
    const bool any = !selected_.isEmpty();
    for (QAction* a : menu_->actions()) {
        const QString n = a->objectName();
        if (n == QLatin1String("menuQueue") || n == QLatin1String("menuDelete") || n == QLatin1String("menuRepreview"))
            a->setEnabled(any);
    }
    menu_->popup(globalPos);
}

} // namespace orvix
