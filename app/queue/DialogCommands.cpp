#include "queue/DialogCommands.h"

#include <QPointer>

#include "OrvixApp.h"
#include "core/DrvPrint.h"
#include "dialogs/AuxSwitchDialog.h"
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
}

} // namespace orvix
