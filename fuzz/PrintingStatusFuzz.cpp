// libFuzzer target: arbitrary bytes as PrintingStatus.ini, read as at start-up and when the
// operator loads the last job (answered Yes). Never a crash; a status judged complete fills the
// print-list record with the values it holds.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "core/JobList.h"
#include "core/PrintingStatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CDrvPrint& d = fuzz::engine(true);
    fuzz::writeFile(d.AUXPrintingStatusPath(), data, size);
    PrintingStatusRecord status;
    std::string why;
    const int read = d.AUXReadPrintingStatus(status, &why);
    if (read < -1 || read > 1) __builtin_trap();
    if (read == -1 && why.empty()) __builtin_trap(); // a refusal always says why
    (void)d.AUXLoadPrintingStatus(0, nullptr);
    JobList list;
    const int loaded = d.AUXLoadPrintingStatus(1, &list);
    if (loaded == 1 && read != 1) __builtin_trap(); // only a complete status is offered for resuming
    (void)d.AUXLoadPrintingStatus(2, nullptr);
    return 0;
}
