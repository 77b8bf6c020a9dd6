// libFuzzer target: arbitrary bytes as PrintingStatus.ini, read from a store of those bytes (no
// file). Never a crash; a status judged complete is consistent, a refused one says why and keeps
// the values it was given. One input in a few hundred also goes through the file, read as at
// start-up and when the operator loads the last job (answered Yes): the engine must judge it as
// the store did, and offer only a complete status for resuming.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "core/JobList.h"
#include "core/PrintingStatus.h"
#include "core/PrintingStatusRead.h"

namespace {

bool same(const PrintingStatusRecord& a, const PrintingStatusRecord& b) {
    return a.bPrintStop == b.bPrintStop && a.uiPass == b.uiPass && a.uiMargin == b.uiMargin &&
           a.csPrintingFile == b.csPrintingFile && a.csPrintingFilePath == b.csPrintingFilePath && a.uiFire == b.uiFire &&
           a.uiStepSendCurrent == b.uiStepSendCurrent && a.uiStepSendCount == b.uiStepSendCount &&
           a.bIfYMove == b.bIfYMove && a.bHorizontalMirror == b.bHorizontalMirror &&
           a.uiFeatherSize == b.uiFeatherSize && a.uiPassCount == b.uiPassCount && a.uiXSpeed == b.uiXSpeed &&
           a.uiPrintQty == b.uiPrintQty && a.uiCopyIndex == b.uiCopyIndex && a.uiJobRecord == b.uiJobRecord;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIniFile ini = fuzz::store(kPrintingStatusFile, data, size);
    PrintingStatusRecord given;
    given.csPrintingFilePath = "given";
    PrintingStatusRecord status = given;
    std::string why;
    const int read = ReadPrintingStatus(ini, status, &why);
    if (read == -1) {
        if (why.empty() || !same(status, given)) __builtin_trap(); // a refusal says why, changes nothing
    } else if (read == 1) {
        if (!why.empty() || status.csPrintingFilePath.empty() || status.uiStepSendCurrent > status.uiStepSendCount)
            __builtin_trap();
    } else {
        __builtin_trap();
    }

    if (fuzz::rare(256)) {
        CDrvPrint& d = fuzz::engine(true);
        fuzz::writeFile(d.AUXPrintingStatusPath(), data, size);
        PrintingStatusRecord viaFile;
        std::string whyFile;
        if (d.AUXReadPrintingStatus(viaFile, &whyFile) != read || whyFile != why) __builtin_trap();
        // The engine starts from its own values; what a complete status holds it takes whole.
        if (read == 1) {
            PrintingStatusRecord fromNothing;
            CIniFile again = fuzz::store(kPrintingStatusFile, data, size);
            if (ReadPrintingStatus(again, fromNothing, nullptr) != 1 || !same(fromNothing, viaFile)) __builtin_trap();
        }
        (void)d.AUXLoadPrintingStatus(0, nullptr);
        JobList list;
        const int loaded = d.AUXLoadPrintingStatus(1, &list);
        if (loaded == 1 && read != 1) __builtin_trap(); // only a complete status is offered for resuming
        (void)d.AUXLoadPrintingStatus(2, nullptr);
    }
    return 0;
}
