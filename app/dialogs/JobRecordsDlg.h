#pragma once
// The job record browser "打印任务记录": the job records in a table, all of them or those of a date
// range.
#include <QDate>
#include <QDialog>
#include <QString>

class CDrvPrint;
class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace orvix {

// The selection condition for a date range; an invalid (unset) date leaves its end open.
QString recordCondition(const QDate& start, const QDate& end);

class CJobRecordsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CJobRecordsDlg(CDrvPrint& d, QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }
    QLabel* sqlLabel() const { return sql_; }
    QPushButton* allButton() const { return all_; }
    QPushButton* queryButton() const { return query_; }
    // A date picker's date, or an invalid date when it is unset.
    QDate startDate() const;
    QDate endDate() const;
    void setStartDate(const QDate& d);
    void setEndDate(const QDate& d);

    void showAll();
    void query();

private:
    void refill();

    CDrvPrint& d_;
    QTableWidget* table_;
    QCheckBox* useStart_;
    QCheckBox* useEnd_;
    QDateEdit* start_;
    QDateEdit* end_;
    QLabel* sql_;
    QPushButton* all_;
    QPushButton* query_;
};

} // namespace orvix
