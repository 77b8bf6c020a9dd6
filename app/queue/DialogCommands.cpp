#include "queue/DialogCommands.h"

#include <QPointer>

#include "OrvixApp.h"
#include "core/DrvPrint.h"
#include "dialogs/AuxSwitchDialog.h"
#include "dialogs/HeadParamsDialog.h"
#include "dialogs/JobPropertiesDialog.h"
#include "frame/ControlBar.h"
#include "frame/Commands.h"
#include "frame/MainFrame.h"
#include "frame/StatusPanes.h"
#include "platform/Prompter.h"

namespace orvix {

bool emergencySampled(MainFrame& frame) {
    // "STS:" then the cleaner and the emergency button.
    const QString s = frame.statusPanes()->sensors()->text();
    return s.size() > 5 && s[5] == QLatin1Char('1');
}

void installDialogCommands(MainFrame& frame) {
    MainFrame* f = &frame;
    frame.commands().setHandler(ID_AUX_SWITCHES, [f](OrvixApp& a) {
        QPointer<MainFrame> fp = f;
        AuxSwitchDialog dlg(a.engine(), [fp] { return fp && emergencySampled(*fp); }, f);
        dlg.exec();
    });
    frame.app().dialogShots().push_back({QStringLiteral("aux-switches"), [f](QWidget* parent) -> QWidget* {
                                             QPointer<MainFrame> fp = f;
                                             return new AuxSwitchDialog(f->app().engine(), [fp] { return fp && emergencySampled(*fp); },
                                                                        parent);
                                         }});
    frame.commands().setHandler(ID_HEAD_PARAMS, [f](OrvixApp& a) {
        CDrvPrint& d = a.engine();
        const unsigned type = d.uiHTVBoardType;
        if (type < 1 || type > 3) return;
        // The newer board's voltages change under a running job's heads.
        if (type == 3 && !d.bStop && !d.bPause)
            platform::messageBox(QCoreApplication::translate("Queue", QT_TRANSLATE_NOOP("Queue", "建议：打印当中不要打开喷头调压窗口"))
                                     .toStdString());
        HeadParamsDialog dlg(d, type, f);
        dlg.exec();
    });
    frame.app().dialogShots().push_back({QStringLiteral("head-voltages"), [f](QWidget* parent) -> QWidget* {
                                             return new HeadParamsDialog(f->app().engine(), 2, parent);
                                         }});
    frame.app().dialogShots().push_back({QStringLiteral("job-properties"), [](QWidget* parent) -> QWidget* {
                                             QueueRow r;
                                             r[kColFile] = QStringLiteral("样张.prn");
                                             r[kColPath] = QStringLiteral("/RIP/样张.prn");
                                             r[kColPass] = QStringLiteral("4 Pass");
                                             r[kColPassIndex] = QStringLiteral("3");
                                             r[kColSpeedIndex] = QStringLiteral("2");
                                             r[kColCopies] = QStringLiteral("1");
                                             r[kColMargin] = QStringLiteral("20");
                                             r[kColSize] = QStringLiteral("1.016x0.508:0.516m2");
                                             r[kColDpi] = QStringLiteral("180x180");
                                             r[kColInk] = QStringLiteral("20,20,20,20,20,0,0,0,0,0,0,");
                                             r[kColColors] = QStringLiteral("4");
                                             r[kColStartPass] = QStringLiteral("0");
                                             r[kColMirror] = QStringLiteral("NO");
                                             return new JobPropertiesDialog(r, PassModes(), parent);
                                         }});
}

} // namespace orvix
