#pragma once
// The start-up inspection's worker: runs the chosen machine self-tests in order on a thread of its
// own and reports each step by signals. It never touches a widget.
#include <QString>
#include <QThread>

#include <array>
#include <atomic>

class CDrvPrint;

namespace orvix {

// The tests in running order.
enum InspectionTestId {
    kTestEmergencyStop,
    kTestHome,
    kTestEncoder,
    kTestMaxLength,
    kTestMeasure,
    kTestCleaning,
    kTestFlash,
    kInspectionTests
};

struct InspectionItem {
    int checkId;          // the check box that selects it
    const char* name;     // its item name
    const char* running;  // the status line while it runs
};
const std::array<InspectionItem, kInspectionTests>& inspectionItems();

inline const char* const kResultOk = "----OK!";
inline const char* const kResultFailed = "----Failed!!";
inline const char* const kResultFinished = "----Finished!";

// The home test's caption when homing returned `code` (0 or below).
QString homeFailureText(int code);

class InspectionWorker : public QThread {
    Q_OBJECT
public:
    InspectionWorker(CDrvPrint& d, std::array<bool, kInspectionTests> selected, QObject* parent = nullptr);

    // The emergency-stop test's polls: this many, this far apart, and the wait after the press.
    static constexpr int kEstopPolls = 200;
    static constexpr int kEstopPollMs = 100;
    static constexpr int kEstopPressedWaitMs = 500;

    // Ends the series after the test that runs now.
    void requestStop() { stop_ = true; }

signals:
    void status(const QString& text);
    // The caption of a finished test: its name and result.
    void tested(int test, const QString& caption);

protected:
    void run() override;

private:
    QString runTest(int test);
    QString emergencyStop();

    CDrvPrint& d_;
    std::array<bool, kInspectionTests> selected_;
    std::atomic<bool> stop_{false};
};

} // namespace orvix
