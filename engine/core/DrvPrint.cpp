#include "core/DrvPrint.h"

#include "platform/Files.h"

CDrvPrint::CDrvPrint() {
    // The base directory is where the engine was started; every settings path hangs off it.
    csBaseDir = platform::currentDir();
    setupIni.SetFileName(PRMCurrentSetupFileName());

    uiXTarget = 0;
    uiBandsRead = 0;
    uiStepSendCurrent = 0;
    uiCopyIndex = 0;
    csPrintStep = tags::kNone;
    SetToolBarButtons(1); // the engine starts stopped and paused
    fShiftStepMM = 0.5f;
    for (auto& m : uiMaskIndex) m = kMaskCount;
    uiCopies = 1;
    bIfYMove = 0;

    IMGSetTable8Lines();
    // The I/O card, in machine builds that use one: without it the machine must not look ready.
    if (bUseDIOCard == 1) {
        AUXOpenDIO();
        if (!CDIOCard::IsOpen()) SetToolBarButtons(0);
    }
    job.SetBase(csBaseDir, bJobRecord);
    // A Stop ends the waits of a network job's reads (not a header read outside a job).
    netFile.SetStopCheck([this] { return bPrintThreadRunning && bStop; });
}

CDrvPrint::~CDrvPrint() {
    // A running print thread is asked to stop and joined while every member it uses still exists.
    PRNWaitPrintThread(true);
}

void CDrvPrint::SetToolBarButtons(int flag) {
    uint32_t v = flag ? 1 : 0;
    bStop = v;
    bStopSeen = v;
    bPause = v;
    bPauseSeen = v;
}
