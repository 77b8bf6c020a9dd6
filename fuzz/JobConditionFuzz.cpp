// libFuzzer target: arbitrary text as the record browser's date condition. A condition that is
// accepted names real times only, and building it again from those days gives an accepted one.
#include <cstdint>
#include <string>

#include "JobCondition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    quillet::DateRange range;
    std::string error;
    const bool ok = quillet::parseDateCondition(text, range, error);
    if (!ok) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    for (const std::string* t : {&range.from, &range.to}) {
        if (t->empty()) continue;
        std::string again;
        if (t->size() != 19 || !quillet::parseDateTime(*t, "00:00:00", again) || again != *t) __builtin_trap();
    }
    std::string rebuilt;
    const std::string from = range.from.substr(0, 10), to = range.to.substr(0, 10);
    if (!from.empty() || !to.empty()) {
        if (!quillet::buildDateCondition(from, to, rebuilt, error)) __builtin_trap();
        quillet::DateRange r2;
        if (!quillet::parseDateCondition(rebuilt, r2, error)) __builtin_trap();
    }
    std::string t;
    (void)quillet::parseDateTime(text, "23:59:59", t);
    return 0;
}
