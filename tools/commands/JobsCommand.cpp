// carvex jobs [--from DAY] [--to DAY] [--plain]: the job records, selected by start day like the
// operator's record browser, as a table or as "name = value" lines.
#include <algorithm>
#include <iostream>
#include <sstream>

#include "JobCondition.h"
#include "Session.h"

namespace cli {
namespace {

struct Options {
    std::string from, to;
    bool plain = false;
};

// Columns of a row as the table heads them.
const char* const kHeads[kJobRowFields] = {"ID",     "Start", "End", "File",   "Pass",   "Speed", "Copies",
                                           "Margin", "Size",  "DPI", "Colors", "Status", "Path"};
// Widest a cell may be in the table (0: no limit); --plain shows every text whole.
const size_t kMaxWidth[kJobRowFields] = {0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 16, 48};

// Decodes one UTF-8 code point at s[i]; malformed bytes count as one character each.
char32_t nextCodePoint(const std::string& s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + static_cast<size_t>(len) > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = len == 1 ? c : c & (0xFF >> (len + 1));
    for (int k = 1; k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if ((cc & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    i += static_cast<size_t>(len);
    return cp;
}

// Terminal columns of a code point: Chinese and other wide characters take two.
size_t cellWidth(char32_t cp) {
    if (cp >= 0x300 && cp <= 0x36F) return 0;
    if ((cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) || (cp >= 0xAC00 && cp <= 0xD7A3) ||
        (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
        (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD))
        return 2;
    return 1;
}

size_t displayWidth(const std::string& s) {
    size_t w = 0;
    for (size_t i = 0; i < s.size();) w += cellWidth(nextCodePoint(s, i));
    return w;
}

// Control characters would break a line-based listing; show them escaped.
std::string printable(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) out += '?';
        else out += c;
    }
    return out;
}

// Cuts a text to `max` columns, marking the cut with "~".
std::string fitWidth(const std::string& s, size_t max) {
    if (max == 0 || displayWidth(s) <= max) return s;
    std::string out;
    size_t w = 0;
    for (size_t i = 0; i < s.size();) {
        size_t start = i;
        size_t cw = cellWidth(nextCodePoint(s, i));
        if (w + cw > max - 1) break;
        out.append(s, start, i - start);
        w += cw;
    }
    return out + "~";
}

void printTable(const CJob& job, std::ostream& out) {
    const size_t n = static_cast<size_t>(job.m_nRows);
    std::vector<JobRow> cells(n);
    size_t width[kJobRowFields];
    for (size_t k = 0; k < kJobRowFields; ++k) width[k] = displayWidth(kHeads[k]);
    for (size_t i = 0; i < n; ++i)
        for (size_t k = 0; k < kJobRowFields; ++k) {
            cells[i][k] = fitWidth(printable(job.m_Rows[i][k]), kMaxWidth[k]);
            width[k] = std::max(width[k], displayWidth(cells[i][k]));
        }
    auto line = [&](auto cell) {
        std::string l;
        for (size_t k = 0; k < kJobRowFields; ++k) {
            std::string c = cell(k);
            l += c;
            if (k + 1 < kJobRowFields) l += std::string(width[k] - displayWidth(c) + 2, ' ');
        }
        while (!l.empty() && l.back() == ' ') l.pop_back();
        out << l << "\n";
    };
    line([&](size_t k) { return std::string(kHeads[k]); });
    line([&](size_t k) { return std::string(width[k], '-'); });
    for (size_t i = 0; i < n; ++i) line([&](size_t k) { return cells[i][k]; });
}

void printPlain(const CJob& job, std::ostream& out) {
    for (size_t i = 0; i < static_cast<size_t>(job.m_nRows); ++i) {
        if (i) out << "\n";
        for (size_t k = 0; k < kJobRowFields; ++k)
            out << CJob::kRowColumns[k] << " = " << printable(job.m_Rows[i][k]) << "\n";
    }
}

// The wrapper's error texts are several lines; the summary line takes the description from them.
std::string shortError(const std::string& text) {
    const std::string key = "\tDescription = ";
    size_t p = text.find(key);
    if (p == std::string::npos) return printable(text);
    size_t end = text.find('\n', p);
    std::string head = text.substr(0, text.find(':') == std::string::npos ? 0 : text.find(':'));
    std::string desc = text.substr(p + key.size(), end == std::string::npos ? std::string::npos : end - p - key.size());
    return head.empty() || head.find('\n') != std::string::npos ? desc : head + ": " + desc;
}

int run(Session& s, const Options& o) {
    std::string condition, why;
    if (!quillet::buildDateCondition(o.from, o.to, condition, why)) return reportError(why);
    if (!o.from.empty() && !o.to.empty() && o.from > o.to)
        return reportError("--from " + o.from + " is after --to " + o.to);
    CDrvPrint& drv = s.engine();
    CJob& job = drv.job;
    if (job.m_bEnable == 0) return reportError("job records are switched off");
    // The engine logs the full error text; the summary line gives its description.
    if (drv.AUXDBFuns(0) != 0) return reportError(shortError(job.DBLastError()));
    const int count = job.DBRecordSelect(condition);
    if (!job.DBLastSelectOk()) {
        std::string err = job.DBLastError();
        drv.AUXDBFuns(1);
        std::cerr << err << "\n";
        return reportError("selection failed: " + shortError(err));
    }
    if (o.plain) printPlain(job, std::cout);
    else if (job.m_nRows > 0) printTable(job, std::cout);
    drv.AUXDBFuns(1);

    std::ostringstream sum;
    if (job.m_nRows < count) sum << job.m_nRows << " of " << count << " job records shown (the first " << kJobRowsMax << ")";
    else sum << count << (count == 1 ? " job record" : " job records");
    if (!o.from.empty() && !o.to.empty()) sum << " started from " << o.from << " to " << o.to;
    else if (!o.from.empty()) sum << " started from " << o.from << " on";
    else if (!o.to.empty()) sum << " started up to " << o.to;
    sum << " in " << job.DBPath();
    return reportOk(sum.str());
}

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("jobs", "list the job records, optionally of a range of start days");
    static Options o;
    o = Options{}; // fresh for every run of the program's parser
    cmd->add_option("--from", o.from, "first start day, YYYY-MM-DD");
    cmd->add_option("--to", o.to, "last start day, YYYY-MM-DD");
    cmd->add_flag("--plain", o.plain, "\"name = value\" lines instead of a table");
    cmd->callback([&s] { s.exitCode = run(s, o); });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
