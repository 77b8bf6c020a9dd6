// Starting a print job: the thread, and the checks made before any motion.
#include "core/DrvPrint.h"

int CDrvPrint::PRNWaitPrintThread(bool stop) {
    std::lock_guard g(printThreadLock);
    if (!pPrintThread.joinable()) return 0;
    if (stop) bStop = 1;
    pPrintThread.join();
    return 1;
}
