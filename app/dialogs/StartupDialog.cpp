#include "dialogs/StartupDialog.h"

#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/DrvPrint.h"

namespace orvix {

QStringList listSetups(const QString& folder) {
    QStringList names;
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("[Ss][Ee][Tt][Uu][Pp]*.[Ii][Nn][Ii]")}, QDir::Files, QDir::Name);
    for (const QString& f : files) {
        // "setup.ini" (the default setup) has no name of its own to choose.
        if (f.size() <= 10) continue;
        names << f.mid(6, f.size() - 10);
    }
    return names;
}

StartupDialog::StartupDialog(CDrvPrint& d, QWidget* parent) : QDialog(parent), d_(d) {
    setObjectName(QStringLiteral("startupDialog"));
    setWindowTitle(tr("请选择打印配置文件"));
    auto* top = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("c1187"));
    list_->addItems(listSetups(QString::fromStdString(d.csBaseDir)));
    top->addWidget(list_);

    auto* group = new QGroupBox(tr("运行软件前执行动作"), this);
    auto* g = new QVBoxLayout(group);
    const QString texts[3] = {tr("车头复位"), tr("复位并检测 "), tr("不执行操作")};
    for (int i = 0; i < 3; ++i) {
        actions_[i] = new QRadioButton(texts[i], group);
        actions_[i]->setObjectName(QStringLiteral("action%1").arg(i));
        g->addWidget(actions_[i]);
    }
    actions_[0]->setChecked(true);
    top->addWidget(group);

    auto* buttons = new QHBoxLayout;
    ok_ = new QPushButton(tr("确定(&O)"), this);
    ok_->setObjectName(QStringLiteral("c1192"));
    ok_->setDefault(true);
    quit_ = new QPushButton(tr("退出(&E)"), this);
    quit_->setObjectName(QStringLiteral("c1023"));
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(quit_);
    top->addLayout(buttons);

    // The current setup is preselected; a new choice is taken at once.
    std::string current;
    d_.AUXINIGetCurrentSetup(current);
    const auto match = list_->findItems(QString::fromStdString(current), Qt::MatchFixedString);
    if (!match.isEmpty()) list_->setCurrentItem(match.first());
    selected_ = list_->currentItem() ? list_->currentItem()->text() : QString();
    connect(list_, &QListWidget::currentTextChanged, this, [this](const QString& t) { selected_ = t; });
    connect(ok_, &QPushButton::clicked, this, &StartupDialog::confirm);
    connect(quit_, &QPushButton::clicked, this, [this] { done(kQuit); });
    resize(360, 380);
}

int StartupDialog::action() const {
    for (int i = 0; i < 3; ++i)
        if (actions_[i]->isChecked()) return i;
    return 0;
}

void StartupDialog::setAction(int action) {
    if (action >= 0 && action < 3) actions_[action]->setChecked(true);
}

void StartupDialog::confirm() {
    // With no named setup to choose, the current one stays.
    if (!selected_.isEmpty()) {
        std::string name = selected_.toStdString();
        d_.AUXINISetCurrentSetup(name);
    }
    accept();
}

} // namespace orvix
