#include "settings/IniFile.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <string_view>

#include "platform/Files.h"

namespace {

constexpr std::string_view kBlanks = " \t\n\v\f\r";

std::string_view trimLeft(std::string_view s) {
    size_t p = s.find_first_not_of(kBlanks);
    return p == std::string_view::npos ? std::string_view{} : s.substr(p);
}

std::string_view trimBoth(std::string_view s) {
    s = trimLeft(s);
    size_t p = s.find_last_not_of(kBlanks);
    return p == std::string_view::npos ? std::string_view{} : s.substr(0, p + 1);
}

// The section a header line names, when the line is a header.
bool headerName(std::string_view line, std::string_view& name) {
    std::string_view t = trimLeft(line);
    if (t.empty() || t.front() != '[') return false;
    size_t close = t.find(']');
    std::string_view inside = close == std::string_view::npos ? t : t.substr(0, close);
    name = trimBoth(inside.substr(inside.find('[') + 1));
    return true;
}

// A line break inside a name or value would split the line and corrupt the file's structure.
std::string oneLine(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c == '\n' || c == '\r') c = ' ';
    return r;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

CIniFile::CIniFile() = default;

void CIniFile::SetFileName(std::string name) { fileName_ = std::move(name); }

std::string CIniFile::Trim(const std::string& s) { return std::string(trimBoth(s)); }

int CIniFile::LeadingInt(const std::string& s) {
    std::string_view t = trimLeft(s);
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    long long v = 0;
    for (; i < t.size() && isDigit(t[i]); ++i) {
        v = v * 10 + (t[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1; // saturate
    }
    if (neg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<int>(v);
}

float CIniFile::LeadingFloat(const std::string& s) {
    std::string_view t = trimLeft(s);
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    const size_t start = i;
    size_t digits = 0;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0f;
    // An exponent counts only when digits follow it ("1.5e" reads as 1.5).
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        if (j < t.size() && isDigit(t[j])) {
            while (j < t.size() && isDigit(t[j])) ++j;
            i = j;
        }
    }
    double v = 0;
    auto res = std::from_chars(t.data() + start, t.data() + i, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: decide by the exponent's sign.
        std::string_view num = t.substr(start, i - start);
        size_t e = num.find_first_of("eE");
        bool tiny = e != std::string_view::npos && e + 1 < num.size() && num[e + 1] == '-';
        v = tiny ? 0.0 : HUGE_VAL;
    } else if (res.ec != std::errc()) {
        return 0.0f;
    }
    if (v > FLT_MAX) v = FLT_MAX;
    return static_cast<float>(neg ? -v : v);
}

int CIniFile::Load() {
    std::string data;
    if (!platform::fileExists(fileName_) || !platform::readFile(fileName_, data)) {
        openResult_ = 0;
        return openResult_;
    }
    openResult_ = 1;
    lines_.clear();
    std::string_view rest = data;
    // A byte-order mark from a Windows editor would hide the first header.
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    while (!rest.empty()) {
        size_t nl = rest.find('\n');
        std::string_view line = nl == std::string_view::npos ? rest : rest.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
    return openResult_;
}

int CIniFile::Save() {
    std::string data;
    size_t total = 0;
    for (const auto& l : lines_) total += l.size() + 2;
    data.reserve(total);
    for (const auto& l : lines_) {
        data += l;
        data += "\r\n";
    }
    return platform::writeFileAtomic(fileName_, data) ? 1 : 0;
}

long CIniFile::findSection(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (headerName(lines_[i], name) && name == section) return static_cast<long>(i);
    }
    return -1;
}

long CIniFile::findKey(long sec, const std::string& key, size_t& end) const {
    long found = -1;
    size_t i = static_cast<size_t>(sec) + 1;
    for (; i < lines_.size(); ++i) {
        std::string_view t = trimLeft(lines_[i]);
        if (!t.empty() && t.front() == '[') break;
        if (found >= 0) continue;
        size_t eq = t.find('=');
        if (eq == std::string_view::npos) continue; // no "=": an empty key, never matches
        if (trimBoth(t.substr(0, eq)) == key) found = static_cast<long>(i);
    }
    end = i;
    return found;
}

bool CIniFile::find(const std::string& section, const std::string& key, std::string& value) {
    // Inside a batch the copy holds edits not yet on disk; re-loading would lose them.
    if (batchDepth_ == 0 && !Load()) return false;
    if (lines_.empty()) return false;
    long sec = findSection(section);
    if (sec < 0) return false;
    size_t end = 0;
    long k = findKey(sec, key, end);
    if (k < 0) return false;
    std::string_view t = lines_[static_cast<size_t>(k)];
    value = std::string(trimBoth(t.substr(t.find('=') + 1)));
    return true;
}

std::string CIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) {
    std::string v;
    return find(section, key, v) ? v : def;
}

int CIniFile::ReadInt(const std::string& section, const std::string& key, int def) {
    std::string v;
    return find(section, key, v) ? LeadingInt(v) : def;
}

float CIniFile::ReadFloat(const std::string& section, const std::string& key, float def) {
    std::string v;
    return find(section, key, v) ? LeadingFloat(v) : def;
}

int CIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    const std::string sec = oneLine(section), k = oneLine(key);
    std::string line = k + "=" + oneLine(value);
    long s = findSection(sec);
    if (s < 0) {
        lines_.push_back("[" + sec + "]");
        lines_.push_back(std::move(line));
    } else {
        size_t end = 0;
        long at = findKey(s, k, end);
        if (at >= 0)
            lines_[static_cast<size_t>(at)] = std::move(line);
        else
            lines_.insert(lines_.begin() + static_cast<long>(end), std::move(line));
    }
    if (batchDepth_ > 0) {
        batchDirty_ = true;
        return 1;
    }
    return Save();
}

int CIniFile::WriteInt(const std::string& section, const std::string& key, int value) {
    return WriteString(section, key, std::to_string(value));
}

void CIniFile::BeginBatch() { ++batchDepth_; }

int CIniFile::EndBatch() {
    if (batchDepth_ == 0) return 1;
    if (--batchDepth_ > 0) return 1;
    if (!batchDirty_) return 1;
    batchDirty_ = false;
    return Save();
}
