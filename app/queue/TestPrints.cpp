// Test prints from the control bar: the machine's test pattern files and the speed test.
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>

#include "OrvixApp.h"
#include "core/DrvPrint.h"
#include "core/TestPatterns.h"
#include "frame/Commands.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "queue/MachineCommands.h"
#include "queue/MachineWork.h"
#include "queue/QueueRow.h"

namespace orvix {

namespace {

QString queueText(const char* source) { return QCoreApplication::translate("Queue", source); }
void tell(const QString& text) { platform::messageBox(text.toStdString()); }

} // namespace

void testPrint(MainFrame& frame) {
    CDrvPrint& d = frame.app().engine();
    ControlBar& bar = *frame.controlBar();
    if (!frame.app().machineFree() || d.bPrintThreadRunning) {
        tell(queueText(QT_TRANSLATE_NOOP("Queue", "错误代码 00165: 正在打印，请稍候再执行打印测试")));
        return;
    }
    d.uiFire = unsigned(std::max(0, d.XMMToPulse(std::max(0, bar.firePosition()->text().toInt())))) + d.uiLeftLimitPos;
    d.uiStepSendCurrent = 0;
    const int choice = bar.testList()->currentIndex();
    if (choice == 4) {
        const int distance = std::max(0, bar.moveDistance()->text().toInt());
        auto text = std::make_shared<QString>();
        frame.app().machineWork().start(
            QCoreApplication::translate("Work", QT_TRANSLATE_NOOP("Work", "速度测试…")),
            [distance, text](CDrvPrint& e) { *text = speedTest(e, distance); }, [text] {
                if (!text->isEmpty()) tell(*text);
            });
        return;
    }
    if (choice < 0 || choice > 3) return;
    // A pattern is a file of the machine folder: a name with a path in it would read or make a
    // file anywhere.
    const std::string name = d.TestPattern[choice];
    if (const std::string why = platform::plainFileNameProblem(name); !why.empty()) {
        tell(queueText(QT_TRANSLATE_NOOP("Queue", "测试图案文件名无效：%1（%2）")).arg(QString::fromStdString(name), QString::fromStdString(why)));
        return;
    }
    const QString path = QDir(QString::fromStdString(d.csBaseDir)).filePath(QString::fromStdString(name));
    if (!QFileInfo(path).exists()) {
        // A new machine has no pattern files yet: they are made for its heads.
        std::string error;
        if (!rip::WritePattern(rip::TestPatternKind(unsigned(choice)), rip::PatternSetupFrom(d), path.toStdString(), error)) {
            tell(queueText(QT_TRANSLATE_NOOP("Queue", "测试图案文件不存在，也无法生成：%1\n%2")).arg(path, QString::fromStdString(error)));
            return;
        }
        platform::log(platform::LogLevel::Info, "test pattern made: " + path.toStdString());
    }
    if (!QFileInfo(path).isFile()) {
        tell(queueText(QT_TRANSLATE_NOOP("Queue", "测试图案文件不存在：%1")).arg(path));
        return;
    }
    if (!frame.app().ensurePrintBuffers()) return;
    d.uiPrintJobKind = unsigned(choice + 1);
    d.uiPrintQty = 1;
    d.uiPassCount = choice < 2 ? 1 : PassModes::passCountOf(chosenPassMode(bar, d));
    // A test print has no job record: its end must not complete the last job's.
    d.job.m_nRowId = 0;
    d.csPrintStep = tags::kNone;
    d.PRNPrintFile(path.toStdString());
}

QString speedTest(CDrvPrint& d, int distance) {
    d.uiPrintJobKind = 5;
    const int64_t c = std::max<int64_t>(0, int64_t(d.uiFire) - d.uiAccelerationLength);
    const int64_t length = int64_t(d.XMMToPulse(distance)) + d.uiHeadWidth + 2 * int64_t(d.uiAccelerationLength);
    const unsigned step = d.uiNozzlesPerColor / std::max(1u, d.uiPassCount);
    const unsigned far = unsigned(std::min<int64_t>(c + length, d.uiRightLimitPos));
    d.PRNSetPosition(unsigned(c), d.uiXSpeed, 1);
    const uint32_t t0 = platform::tickMs();
    const bool feeds = !d.bUnidirection;
    for (int trip = 0; trip < 5 && !d.bEmergencyStop && !d.bMachineWorkStop; ++trip) {
        d.PRNSetPosition(far, d.uiXSpeed, 1);
        if (feeds) d.MOVMoveY(0, 3, int(4 * step), 1);
        d.PRNSetPosition(unsigned(c), d.uiXSpeed, 1);
        if (feeds) d.MOVMoveY(0, 3, int(4 * step), 1);
    }
    if (d.bMachineWorkStop) return {}; // a stopped test measured nothing
    const int n = feeds ? 10 : 5;
    const double t = double(platform::tickMs() - t0) * 0.001;
    const double area = n * double(d.fMMPerYStep) * step * distance * 0.000004;
    const double output = t > 0 ? 3600.0 / t * area : 0.0;
    return QString::asprintf("%s%f%s\n%s%f%s\n%s%f%s", queueText(QT_TRANSLATE_NOOP("Queue", "时间: ")).toUtf8().constData(), t,
                             queueText(QT_TRANSLATE_NOOP("Queue", " 秒 ")).toUtf8().constData(), queueText(QT_TRANSLATE_NOOP("Queue", " 面积: ")).toUtf8().constData(), area,
                             queueText(QT_TRANSLATE_NOOP("Queue", " 平方米 ")).toUtf8().constData(), queueText(QT_TRANSLATE_NOOP("Queue", " 产量: ")).toUtf8().constData(), output,
                             queueText(QT_TRANSLATE_NOOP("Queue", " 平米/小时")).toUtf8().constData());
}

} // namespace orvix
