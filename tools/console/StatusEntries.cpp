// Console entries of the printing status and the resume record.
//   call AUXSavePrintingStatus MODE          (1 after a media advance, 0 at a printing move, 2 at the end)
//   call AUXLoadPrintingStatus MODE          (mode 1 fills the console's record: get list.*)
//   call PrintingStatus                      (the stored keys, or why there are none)
#include <mutex>

#include "console/ConsoleTable.h"

namespace console {
namespace {

// The record AUXLoadPrintingStatus(1) fills, as the print list would hold it.
struct ListHolder {
    std::mutex lock;
    JobList list;
};
ListHolder& holder() {
    static ListHolder h;
    return h;
}

template <class F> void listValue(ConsoleTable& t, const std::string& name, F get) {
    t.value("list." + name, ValueEntry{[get](CDrvPrint&) {
                                           std::lock_guard<std::mutex> g(holder().lock);
                                           return get(holder().list);
                                       },
                                       {}});
}

std::string statusLine(const PrintingStatusRecord& st) {
    return "bPrintStop=" + std::to_string(st.bPrintStop) + " uiPass=" + std::to_string(st.uiPass) +
           " uiMargin=" + std::to_string(st.uiMargin) + " csPrintingFile=" + st.csPrintingFile +
           " csPrintingFilePath=" + st.csPrintingFilePath + " uiFire=" + std::to_string(st.uiFire) +
           " uiStepSendCurrent=" + std::to_string(st.uiStepSendCurrent) +
           " uiStepSendCount=" + std::to_string(st.uiStepSendCount) + " bIfYMove=" + std::to_string(st.bIfYMove) +
           " bHorizontalMirror=" + std::to_string(st.bHorizontalMirror) +
           " uiFeatherSize=" + std::to_string(st.uiFeatherSize);
}

void add(ConsoleTable& t) {
    t.method("AUXSavePrintingStatus", &CDrvPrint::AUXSavePrintingStatus);
    t.call("AUXLoadPrintingStatus", [](CDrvPrint& d, const Args& a) {
        if (a.size() != 1) throw ConsoleError("AUXLoadPrintingStatus MODE");
        const unsigned mode = fromText<unsigned>(a[0]);
        JobList list;
        {
            std::lock_guard<std::mutex> g(holder().lock);
            list = holder().list;
        }
        const int r = d.AUXLoadPrintingStatus(mode, &list);
        std::lock_guard<std::mutex> g(holder().lock);
        holder().list = list;
        return std::to_string(r);
    });
    t.call("PrintingStatus", [](CDrvPrint& d, const Args& a) {
        if (!a.empty()) throw ConsoleError("PrintingStatus takes no argument");
        PrintingStatusRecord st;
        std::string why;
        const int r = d.AUXReadPrintingStatus(st, &why);
        return r == 1 ? statusLine(st) : (r == 0 ? "none" : "unusable: " + why);
    });
    t.value("status.path", ValueEntry{[](CDrvPrint& d) { return d.AUXPrintingStatusPath(); }, {}});

    listValue(t, "csFile", [](const JobList& l) { return l.csFile; });
    listValue(t, "csPassText", [](const JobList& l) { return l.csPassText; });
    listValue(t, "uiPass", [](const JobList& l) { return std::to_string(l.uiPass); });
    listValue(t, "uiQty", [](const JobList& l) { return std::to_string(l.uiQty); });
    listValue(t, "uiMarginMM", [](const JobList& l) { return std::to_string(static_cast<int32_t>(l.uiMarginMM)); });
    listValue(t, "csSize", [](const JobList& l) { return l.csSize; });
    listValue(t, "csDPI", [](const JobList& l) { return l.csDPI; });
    listValue(t, "csPath", [](const JobList& l) { return l.csPath; });
    listValue(t, "uiColorMaskAvg", [](const JobList& l) { return std::to_string(l.uiColorMaskAvg); });
    listValue(t, "uiColorMask", [](const JobList& l) {
        std::string s;
        for (size_t i = 0; i < std::size(l.uiColorMask); ++i) s += (i ? "," : "") + std::to_string(l.uiColorMask[i]);
        return s;
    });
    listValue(t, "uiColors", [](const JobList& l) { return std::to_string(l.uiColors); });
    listValue(t, "uiResumePass", [](const JobList& l) { return std::to_string(l.uiResumePass); });
    listValue(t, "bMirror", [](const JobList& l) { return std::to_string(l.bMirror); });
    listValue(t, "bMediaFed", [](const JobList& l) { return std::to_string(l.bMediaFed); });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
