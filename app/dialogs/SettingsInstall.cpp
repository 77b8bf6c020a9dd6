// The settings part of the application: the settings sheet commands, the start-up inspection and
// the job record browser.
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>

#include "GuiPrompter.h"
#include "OrvixApp.h"
#include "core/DrvPrint.h"
#include "dialogs/InspectionDlg.h"
#include "dialogs/JobRecordsDlg.h"
#include "dialogs/Params.h"
#include "dialogs/PasswordDlg.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "frame/Panes.h"
#include "platform/Prompter.h"
#include "queue/MachineCommands.h"

namespace orvix {

namespace {

// Options first take the control bar's pass mode, speed, copies and margin into the engine.
void takeControlBar(ControlBar& bar, CDrvPrint& d) {
    d.uiPass = chosenPassMode(bar, d);
    // Speed, copies and margin by the bar's own rules: a value it would refuse is not taken.
    takeControlBarValues(d, bar);
}

QWidget* sheetShot(OrvixApp& app, bool basic, int page, QWidget* parent) {
    auto* sheet = new CParams(app.engine(), basic, page, parent);
    sheet->resize(sheet->sizeHint().expandedTo(QSize(1100, 640)));
    return sheet;
}

} // namespace

void installSettingsHooks(OrvixApp& app) {
    app.hooks.inspection = [&app](QWidget* parent) {
        CInspectionDlg dlg(app.engine(), parent);
        dlg.exec();
    };
    auto& shots = app.dialogShots();
    shots.push_back({QStringLiteral("settings-print-mode"), [&app](QWidget* p) { return sheetShot(app, false, 0, p); }});
    shots.push_back({QStringLiteral("settings-head-alignment"), [&app](QWidget* p) { return sheetShot(app, false, 1, p); }});
    shots.push_back({QStringLiteral("basic-head-alignment"), [&app](QWidget* p) { return sheetShot(app, true, 0, p); }});
    shots.push_back({QStringLiteral("basic-movement"), [&app](QWidget* p) { return sheetShot(app, true, 1, p); }});
    shots.push_back({QStringLiteral("engineer-password"), [](QWidget* p) -> QWidget* { return new CPasswordDlg(p); }});
    shots.push_back({QStringLiteral("save-params-question"), [](QWidget* p) -> QWidget* {
                         return GuiPrompter::makeBox(QStringLiteral("Orvix"), CParams::tr("信息提示：确认是否要保存参数？"),
                                                     platform::Buttons::YesNo, p);
                     }});
    shots.push_back({QStringLiteral("inspection"), [&app](QWidget* p) -> QWidget* { return new CInspectionDlg(app.engine(), p); }});
    shots.push_back({QStringLiteral("job-records"), [&app](QWidget* p) -> QWidget* {
                         return new CJobRecordsDlg(app.engine(), p);
                     }});
}

// The sheets write settings the print thread reads: they open only between jobs.
static bool refusedDuringJob(CDrvPrint& d) {
    if (!d.PRNJobActive()) return false;
    platform::messageBox(QCoreApplication::translate("Queue", "正在打印，打印结束后才能修改设置").toStdString(),
                         platform::Buttons::Ok);
    return true;
}

void installSettings(MainFrame& frame) {
    CommandTable& commands = frame.commands();
    MainFrame* f = &frame;
    commands.setHandler(ID_OPTIONS, [f](OrvixApp& app) {
        CDrvPrint& d = app.engine();
        if (!d.bHardwareOK) return; // no card: nothing opens
        if (refusedDuringJob(d)) return;
        takeControlBar(*f->controlBar(), d);
        runSettingsSheet(d, false, f);
    });
    commands.setHandler(ID_BASIC_PARAMS, [f](OrvixApp& app) {
        CDrvPrint& d = app.engine();
        if (!d.bHardwareOK) return;
        // Pictures are taken with nobody at the screen to type the password.
        if (!app.options().screenshot.isEmpty() || !app.options().screenshotDialogs.isEmpty()) return;
        if (refusedDuringJob(d)) return;
        if (!askEngineerPassword(f)) return;
        runSettingsSheet(d, true, f);
    });
    commands.setHandler(ID_JOB_RECORDS, [f](OrvixApp& app) {
        CJobRecordsDlg dlg(app.engine(), f);
        dlg.exec();
    });
}

} // namespace orvix
