#include "dialogs/Params.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/DrvPrint.h"
#include "dialogs/ParamsFile.h"
#include "dialogs/PasswordDlg.h"
#include "dialogs/PrintSettingDlg.h"
#include "dialogs/SetHeadAlignmentDlg.h"
#include "dialogs/SetMovementDlg.h"
#include "platform/Prompter.h"

namespace orvix {

CParams::CParams(CDrvPrint& d, bool basicMode, int startPage, QWidget* parent) : QDialog(parent), d_(d) {
    setObjectName(basicMode ? QStringLiteral("basicParams") : QStringLiteral("options"));
    setWindowTitle(basicMode ? tr("基本参数设置") : tr("选项"));
    auto* top = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    top->addWidget(tabs_);
    if (basicMode) {
        alignment_ = new CSetHeadAlignmentDlg(d, true, tabs_);
        movement_ = new CSetMovementDlg(d, tabs_);
        pages_ = {alignment_, movement_};
        tabs_->addTab(alignment_, tr("喷头排列"));
        tabs_->addTab(movement_, tr("运动系统设置"));
    } else {
        print_ = new CPrintSettingDlg(d, tabs_);
        alignment_ = new CSetHeadAlignmentDlg(d, false, tabs_);
        pages_ = {print_, alignment_};
        tabs_->addTab(print_, tr("打印模式"));
        tabs_->addTab(alignment_, tr("喷头排列"));
    }
    for (SettingsPage* p : pages_) p->load();
    tabs_->setCurrentIndex(startPage >= 0 && startPage < tabs_->count() ? startPage : 0);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    open_ = button(tr("打开(&L)"), "c32875");
    save_ = button(tr("保存(&S)"), "c32876");
    buttons->addStretch();
    ok_ = button(tr("确定"), "ok");
    cancel_ = button(tr("取消"), "cancel");
    apply_ = button(tr("应用(&A)"), "apply");
    top->addLayout(buttons);
    connect(open_, &QPushButton::clicked, this, [this] { openParams(); });
    connect(save_, &QPushButton::clicked, this, [this] { saveParams(); });
    connect(ok_, &QPushButton::clicked, this, [this] {
        if (applyAll()) accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &CParams::applyAll);

    askFile = [this](bool save) {
        const QString filter = QStringLiteral("Params File(*.tkw)");
        QFileDialog dlg(this, save ? tr("保存(&S)") : tr("打开(&L)"), QString::fromStdString(d_.csBaseDir), filter);
        dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dlg.setDefaultSuffix(QStringLiteral("tkw"));
        dlg.selectFile(QStringLiteral("*.tkw"));
        return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? dlg.selectedFiles().first() : QString();
    };
}

bool CParams::applyAll() {
    bool ok = true;
    for (SettingsPage* p : pages_) {
        if (!p->apply()) {
            tabs_->setCurrentWidget(p);
            ok = false;
            break;
        }
    }
    // Pages before a refused one have written their values: what they derive follows either way.
    d_.PRMDeriveParams();
    return ok;
}

void CParams::done(int r) {
    // The machine is moving for the movement page: the page waits for the move's end.
    if (movement_ && movement_->busy()) {
        platform::messageBox(tr("机器正在运动，请等待动作完成后再关闭。").toStdString());
        return;
    }
    QDialog::done(r);
}

bool CParams::openParams(QString path) {
    if (path.isEmpty() && askFile) path = askFile(false);
    if (path.isEmpty()) return false;
    std::string error;
    if (!loadParamsFile(d_, path.toStdString(), error)) {
        platform::messageBox(tr("参数文件无法打开，参数没有改变：\n%1").arg(QString::fromStdString(error)).toStdString());
        return false;
    }
    for (SettingsPage* p : pages_) p->load();
    d_.MOVSetParamsMovement();
    return true;
}

bool CParams::saveParams(QString path) {
    if (path.isEmpty() && askFile) path = askFile(true);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".tkw");
    // The file holds what the sheet shows.
    if (!applyAll()) return false;
    std::string error;
    if (!saveParamsFile(d_, path.toStdString(), error)) {
        platform::messageBox(tr("参数文件无法保存：\n%1").arg(QString::fromStdString(error)).toStdString());
        return false;
    }
    return true;
}

void askSaveParams(CDrvPrint& d) {
    const int a = platform::messageBox(CParams::tr("信息提示：确认是否要保存参数？").toStdString(), platform::Buttons::YesNo);
    if (a == platform::IDYES) toldSave(d, d.PRMSaveParams());
}

int toldSave(const CDrvPrint& d, int result) {
    if (result) return result;
    const QString why = d.csSaveError.empty() ? CParams::tr("未知原因") : QString::fromStdString(d.csSaveError);
    platform::messageBox(CParams::tr("设置没有保存，磁盘上的文件未改变：\n%1").arg(why).toStdString());
    return result;
}

void runSettingsSheet(CDrvPrint& d, bool basicMode, QWidget* parent) {
    {
        // Options open on the second page; the basic parameters on the first.
        CParams sheet(d, basicMode, basicMode ? 10 : 1, parent);
        sheet.exec();
    }
    askSaveParams(d);
}

bool askEngineerPassword(QWidget* parent) {
    QString typed;
    if (CPasswordDlg::scripted()) {
        if (CPasswordDlg::scripted()(typed) != QDialog::Accepted) return false;
    } else {
        CPasswordDlg dlg(parent);
        if (dlg.exec() != QDialog::Accepted) return false;
        typed = dlg.password();
    }
    if (CPasswordDlg::isEngineerPassword(typed)) return true;
    platform::messageBox(CPasswordDlg::tr("密码不正确!").toStdString());
    return false;
}

} // namespace orvix
