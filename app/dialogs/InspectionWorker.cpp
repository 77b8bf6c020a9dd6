#include "dialogs/InspectionWorker.h"

#include "core/DrvPrint.h"
#include "platform/Clock.h"

namespace orvix {

const std::array<InspectionItem, kInspectionTests>& inspectionItems() {
    static const std::array<InspectionItem, kInspectionTests> items = {{
        {1196, "Emergency Stop Switch", "Pls press and release Emergency Stop Switch now"},
        {1197, "Home Reposition", "Home Reposition now"},
        {1198, "Linear Encoder", "Checking Linear Encoder"},
        {1199, "Maximum Moving Length", "Checking Maximum Moving Length"},
        {1201, "Measure Media", "Measure Media edge and Length"},
        {1202, "Cleaning Printheads", "Check if Cleaning System is working now"},
        {1203, "Flush jetting", "Check if Flush jetting is working now"},
    }};
    return items;
}

QString homeFailureText(int code) {
    return QString::fromLatin1(inspectionItems()[kTestHome].name) + QLatin1String(kResultFailed) +
           QStringLiteral("Error Code: %1 Pls, Check Left/Right Limit Sensor and XMotor").arg(code);
}

InspectionWorker::InspectionWorker(CDrvPrint& d, std::array<bool, kInspectionTests> selected, QObject* parent)
    : QThread(parent), d_(d), selected_(selected) {}

void InspectionWorker::run() {
    for (int t = 0; t < kInspectionTests && !stop_; ++t) {
        if (!selected_[t]) continue;
        emit status(QString::fromLatin1(inspectionItems()[t].running));
        emit tested(t, runTest(t));
    }
}

QString InspectionWorker::emergencyStop() {
    const QString name = QString::fromLatin1(inspectionItems()[kTestEmergencyStop].name);
    for (int i = 0; i < kEstopPolls; ++i) {
        if (d_.AUXDIOSensor(10)) {
            platform::sleepMs(kEstopPressedWaitMs);
            emit status(QStringLiteral("Pls Release Emergency Stop Switch"));
            for (int j = 0; j < kEstopPolls; ++j) {
                if (!d_.AUXDIOSensor(10)) {
                    // The operator pressed it for the test: once released the machine may move again.
                    d_.bEmergencyStop = 0;
                    return name + QLatin1String(kResultOk);
                }
                platform::sleepMs(kEstopPollMs);
            }
            return name + QLatin1String(kResultFailed);
        }
        platform::sleepMs(kEstopPollMs);
    }
    return name + QLatin1String(kResultFailed);
}

QString InspectionWorker::runTest(int test) {
    const QString name = QString::fromLatin1(inspectionItems()[test].name);
    auto verdict = [&](bool ok, const char* why = "") {
        return name + QLatin1String(ok ? kResultOk : kResultFailed) + (ok ? QString() : QString::fromLatin1(why));
    };
    switch (test) {
    case kTestEmergencyStop: return emergencyStop();
    case kTestHome: {
        const int r = d_.PRNRePosition(1);
        return r > 0 ? verdict(true) : homeFailureText(r);
    }
    case kTestEncoder:
        return verdict(d_.AUXCheckMovement() != 0, " Pls Check Linear Encoder, and check the Movement parameters ");
    case kTestMaxLength: return verdict(d_.AUXGetMaxLength() > 0);
    case kTestMeasure:
        return verdict(d_.PRNMeasure() > 0, " Pls check Media Sensor or check if put madia on machine ");
    case kTestCleaning: d_.PRNHeadsCleaning(); return name + QLatin1String(kResultFinished);
    case kTestFlash: d_.IMGSetFlashPrint(d_.cleaning.uiFlashFrequency); return name + QLatin1String(kResultFinished);
    default: return name;
    }
}

} // namespace orvix
