// Console entries of the job records: the engine's CJob members and its database operations.
//   call DBRecordSave FILE [PASS SPEED COPIES MARGIN SIZE DPI COLORS PATH]
//   call DBRecordSelect "Where Date_T >='2024-05-01 00:00:00'"      (no argument: every record)
//   call DBRow N                                                    (the 13 texts of row N, "|"-separated)
#include "console/ConsoleTable.h"

namespace console {
namespace {

// One console answer is one line: multi-line error texts are shown with escapes.
std::string oneLine(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

JobRecord recordFrom(const Args& a, const std::string& name) {
    if (a.empty() || a.size() > 9)
        throw ConsoleError(name + " FILE [PASS SPEED COPIES MARGIN SIZE DPI COLORS PATH]");
    auto text = [&](size_t i, const char* def) { return i < a.size() ? a[i] : std::string(def); };
    auto number = [&](size_t i, long long def) {
        return static_cast<uint32_t>(i < a.size() ? parseInt(a[i]) : def);
    };
    JobRecord r;
    r.csFile = a[0];
    r.csPassText = text(1, "");
    r.csSpeedText = text(2, "");
    r.uiQty = number(3, 1);
    r.uiMarginMM = number(4, 0);
    r.csSize = text(5, "");
    r.csDPI = text(6, "");
    r.uiColors = number(7, 0);
    r.csPath = text(8, a[0].c_str());
    return r;
}

std::string joined(const Args& a) {
    std::string s;
    for (size_t i = 0; i < a.size(); ++i) s += (i ? " " : "") + a[i];
    return s;
}

void add(ConsoleTable& t) {
    t.field("job.m_csDateT", [](CDrvPrint& d) -> std::string& { return d.job.m_csDateT; });
    t.field("job.m_nRowId", [](CDrvPrint& d) -> int64_t& { return d.job.m_nRowId; });
    t.field("job.m_nRecordCount", [](CDrvPrint& d) -> int& { return d.job.m_nRecordCount; });
    t.field("job.m_nRows", [](CDrvPrint& d) -> const int& { return d.job.m_nRows; });
    t.field("job.m_bEnable", [](CDrvPrint& d) -> int& { return d.job.m_bEnable; });
    t.field("job.csBaseDir", [](CDrvPrint& d) -> std::string& { return d.job.csBaseDir; });
    t.value("job.path", ValueEntry{[](CDrvPrint& d) { return d.job.DBPath(); }, {}});
    t.value("job.lastError", ValueEntry{[](CDrvPrint& d) { return oneLine(d.job.DBLastError()); }, {}});

    t.method("AUXDBFuns", &CDrvPrint::AUXDBFuns);
    t.call("AUXDBRecordSave", [](CDrvPrint& d, const Args& a) {
        JobRecord r = recordFrom(a, "AUXDBRecordSave");
        return std::to_string(d.AUXDBRecordSave(&r));
    });
    t.call("DBInit", [](CDrvPrint& d, const Args& a) {
        if (!a.empty()) throw ConsoleError("DBInit takes no argument");
        return std::to_string(d.job.DBInit());
    });
    t.call("DBClose", [](CDrvPrint& d, const Args& a) {
        if (!a.empty()) throw ConsoleError("DBClose takes no argument");
        return std::to_string(d.job.DBClose());
    });
    t.call("DBRecordSave", [](CDrvPrint& d, const Args& a) {
        JobRecord r = recordFrom(a, "DBRecordSave");
        return std::to_string(d.job.DBRecordSave(&r));
    });
    t.call("DBRecordSetEnding", [](CDrvPrint& d, const Args& a) {
        if (a.size() != 1) throw ConsoleError("DBRecordSetEnding STATUS");
        return std::to_string(d.job.DBRecordSetEnding(a[0]));
    });
    t.call("DBRecordSelect", [](CDrvPrint& d, const Args& a) {
        return std::to_string(d.job.DBRecordSelect(joined(a)));
    });
    t.call("DBRow", [](CDrvPrint& d, const Args& a) {
        if (a.size() != 1) throw ConsoleError("DBRow INDEX");
        long long i = parseInt(a[0]);
        if (i < 0 || i >= d.job.m_nRows)
            throw ConsoleError("row " + a[0] + " not loaded (" + std::to_string(d.job.m_nRows) + " rows)");
        const JobRow& row = d.job.m_Rows[static_cast<size_t>(i)];
        std::string s;
        for (size_t k = 0; k < row.size(); ++k) s += (k ? " | " : "") + oneLine(row[k]);
        return s;
    });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
