#include "dialogs/PasswordDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvix {

CPasswordDlg::CPasswordDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("passwordDialog"));
    setWindowTitle(tr("输入工程师口令"));
    auto* l = new QVBoxLayout(this);
    l->addWidget(new QLabel(tr("口令:"), this));
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("password"));
    edit_->setEchoMode(QLineEdit::Password);
    l->addWidget(edit_);
    auto* box = new QDialogButtonBox(this);
    ok_ = box->addButton(tr("确定"), QDialogButtonBox::AcceptRole);
    box->addButton(tr("取消"), QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    l->addWidget(box);
    setMinimumWidth(260);
}

QString CPasswordDlg::password() const { return edit_->text(); }

std::function<int(QString&)>& CPasswordDlg::scripted() {
    static std::function<int(QString&)> answer;
    return answer;
}

bool CPasswordDlg::isEngineerPassword(const QString& text) { return text == QLatin1String("rEk"); }

} // namespace orvix
