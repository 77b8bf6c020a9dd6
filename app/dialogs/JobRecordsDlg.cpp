#include "dialogs/JobRecordsDlg.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "JobCondition.h"
#include "core/DrvPrint.h"
#include "dialogs/SettingsPage.h"

namespace orvix {

namespace {

struct Column {
    const char* title;
    int width;
};
const Column kColumns[] = {{"ID", 60},    {QT_TRANSLATE_NOOP("orvix::CJobRecordsDlg", "起始"), 140},
                           {QT_TRANSLATE_NOOP("orvix::CJobRecordsDlg", "结束"), 40},
                           {QT_TRANSLATE_NOOP("orvix::CJobRecordsDlg", "文件名"), 150},
                           {"Pass", 40},  {QT_TRANSLATE_NOOP("orvix::CJobRecordsDlg", "速度"), 50},
                           {QT_TRANSLATE_NOOP("orvix::CJobRecordsDlg", "数量"), 40},
                           {QT_TRANSLATE_NOOP("orvix::CJobRecordsDlg", "尺寸"), 100},
                           {"DPI", 80},   {QT_TRANSLATE_NOOP("orvix::CJobRecordsDlg", "颜色"), 40},
                           {QT_TRANSLATE_NOOP("orvix::CJobRecordsDlg", "状态"), 100},
                           {QT_TRANSLATE_NOOP("orvix::CJobRecordsDlg", "打印路径"), 100}};
constexpr int kColumnCount = 12;
constexpr int kDefaultDays = 30;

} // namespace

QString recordCondition(const QDate& startDate, const QDate& endDate) {
    // The job database's own rule, so the browser and the database agree on the form.
    auto day = [](const QDate& d) { return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")).toStdString() : std::string(); };
    std::string condition, error;
    if (!quillet::buildDateCondition(day(startDate), day(endDate), condition, error)) return {};
    return QString::fromStdString(condition);
}

CJobRecordsDlg::CJobRecordsDlg(CDrvPrint& d, QWidget* parent) : QDialog(parent), d_(d) {
    setObjectName(QStringLiteral("jobRecords"));
    setWindowTitle(tr("打印任务记录"));
    auto* top = new QVBoxLayout(this);
    table_ = new QTableWidget(0, kColumnCount, this);
    table_->setObjectName(controlName(1295));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(16);
    table_->setFont(f);
    QStringList titles;
    for (const Column& c : kColumns) titles << tr(c.title);
    table_->setHorizontalHeaderLabels(titles);
    for (int i = 0; i < kColumnCount; ++i) table_->setColumnWidth(i, kColumns[i].width);
    top->addWidget(table_);

    auto* row = new QHBoxLayout;
    auto picker = [&](const QString& label, int id, QCheckBox*& use, QDateEdit*& edit) {
        use = new QCheckBox(label, this);
        use->setObjectName(controlName(id) + QStringLiteral("set"));
        use->setChecked(true);
        edit = new QDateEdit(this);
        edit->setObjectName(controlName(id));
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        connect(use, &QCheckBox::toggled, edit, &QWidget::setEnabled);
        row->addWidget(use);
        row->addWidget(edit);
    };
    picker(tr("启始日:"), 1305, useStart_, start_);
    picker(tr("终止日:"), 1306, useEnd_, end_);
    // The last 30 days, to today.
    const QDate today = QDate::currentDate();
    start_->setDate(today.addDays(-kDefaultDays));
    end_->setDate(today);
    query_ = new QPushButton(tr("查询(&Q)"), this);
    query_->setObjectName(controlName(1304));
    all_ = new QPushButton(tr("全部(&All)"), this);
    all_->setObjectName(controlName(1297));
    auto* ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName(QStringLiteral("c1"));
    row->addWidget(query_);
    row->addWidget(all_);
    row->addStretch();
    row->addWidget(ok);
    top->addLayout(row);
    auto* sqlRow = new QHBoxLayout;
    sqlRow->addWidget(new QLabel(QStringLiteral("SQL:"), this));
    sql_ = new QLabel(this);
    sql_->setObjectName(controlName(1307));
    sql_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sqlRow->addWidget(sql_, 1);
    top->addLayout(sqlRow);

    connect(all_, &QPushButton::clicked, this, &CJobRecordsDlg::showAll);
    connect(query_, &QPushButton::clicked, this, &CJobRecordsDlg::query);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    resize(1000, 520);
    // The records of the last 30 days come up at once.
    query();
}

QDate CJobRecordsDlg::startDate() const { return useStart_->isChecked() ? start_->date() : QDate(); }
QDate CJobRecordsDlg::endDate() const { return useEnd_->isChecked() ? end_->date() : QDate(); }

void CJobRecordsDlg::setStartDate(const QDate& d) {
    useStart_->setChecked(d.isValid());
    if (d.isValid()) start_->setDate(d);
}

void CJobRecordsDlg::setEndDate(const QDate& d) {
    useEnd_->setChecked(d.isValid());
    if (d.isValid()) end_->setDate(d);
}

void CJobRecordsDlg::showAll() {
    d_.job.DBRecordSelect("");
    refill();
}

void CJobRecordsDlg::query() {
    const QString condition = recordCondition(startDate(), endDate());
    sql_->setText(condition);
    d_.job.DBRecordSelect(condition.toStdString());
    refill();
}

void CJobRecordsDlg::refill() {
    table_->setRowCount(0);
    // Every row the selection loaded (a full store of 4096 rows included).
    const int rows = std::min<int>(d_.job.m_nRows, static_cast<int>(d_.job.m_Rows.size()));
    table_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const JobRow& row = d_.job.m_Rows[size_t(r)];
        // Texts 1-7 fill columns 0-6, texts 9-13 columns 7-11; text 8 is not shown.
        for (int c = 0; c < kColumnCount; ++c) {
            const int text = c < 7 ? c : c + 1;
            table_->setItem(r, c, new QTableWidgetItem(QString::fromStdString(row[size_t(text)])));
        }
    }
}

} // namespace orvix
