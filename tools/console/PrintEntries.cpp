// Console entries of job start and the print loop: the job's progress, flags and operations.
#include "console/ConsoleTable.h"

namespace console {
namespace {

void add(ConsoleTable& t) {
    t.call("PRNPrintFile", [](CDrvPrint& d, const Args& a) -> std::string {
        if (a.size() != 1) throw ConsoleError("PRNPrintFile PATH");
        d.PRNPrintFile(a[0]);
        return d.csRefusal.empty() ? "started" : d.csRefusal;
    });
    t.call("PRNWaitPrintThread", [](CDrvPrint& d, const Args&) {
        d.PRNWaitPrintThread();
        return std::to_string(d.iPrintResult.load());
    });
    t.call("csPrintStep", [](CDrvPrint& d, const Args&) { return d.csPrintStep.str(); });
    t.call("csRefusal", [](CDrvPrint& d, const Args&) { return d.csRefusal; });
    t.method("PRNCheckParams", &CDrvPrint::PRNCheckParams);
    t.method("PRNResetDPI", &CDrvPrint::PRNResetDPI);
    t.method("PRNDPIRateBifference", &CDrvPrint::PRNDPIRateBifference);
    t.method("PRNSetImageRange", &CDrvPrint::PRNSetImageRange);
    t.method("PRNCheckJobLimits", &CDrvPrint::PRNCheckJobLimits);
    t.method("PRNPausePrinting", &CDrvPrint::PRNPausePrinting);
    t.method("PRNStopPrinting", &CDrvPrint::PRNStopPrinting);
    t.method("PRNCheckPause", &CDrvPrint::PRNCheckPause);
    t.method("PRNCheckStop", &CDrvPrint::PRNCheckStop);
    t.method("PRNCheckFiring", &CDrvPrint::PRNCheckFiring);
    t.method("PRNCheckStartPrint", &CDrvPrint::PRNCheckStartPrint);
    t.method("PRNWaitUntilPrintOver", &CDrvPrint::PRNWaitUntilPrintOver);
    t.method("PRNGetFirePosition", &CDrvPrint::PRNGetFirePosition);
    t.method("PRNReadData", &CDrvPrint::PRNReadData);
    t.method("PRNReadEnd", &CDrvPrint::PRNReadEnd);
    t.method("PRNReadToSend", &CDrvPrint::PRNReadToSend);
    t.member("bPassFired", &CDrvPrint::bPassFired);
    t.member("bPrintThreadRunning", &CDrvPrint::bPrintThreadRunning);
    t.member("iPrintResult", &CDrvPrint::iPrintResult);
    t.member("uiLastYStep", &CDrvPrint::uiLastYStep);
    t.member("uiNextSubLineStep", &CDrvPrint::uiNextSubLineStep);
    t.member("iFeedCorrection", &CDrvPrint::iFeedCorrection);
    t.member("uiSubLine", &CDrvPrint::uiSubLine);
    t.member("bLinePairSwitch", &CDrvPrint::bLinePairSwitch);
    t.member("bSpaceSelect", &CDrvPrint::bSpaceSelect);
    t.member("uiCleanCounter", &CDrvPrint::uiCleanCounter);
    t.member("uiFiringTimeoutMs", &CDrvPrint::uiFiringTimeoutMs);
    t.member("uiStartPrintTimeoutMs", &CDrvPrint::uiStartPrintTimeoutMs);
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
