#include "platform/IniFile.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string_view>

#include "platform/Files.h"

namespace {

constexpr std::string_view kBlanks = " \t\n\v\f\r";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

bool hasBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A line quoted in a warning: at most `max` bytes, anything but plain ASCII shown as \xNN so that
// a binary file cannot garble the terminal or the log.
std::string printable(std::string_view line, size_t max) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < line.size() && i < max; ++i) {
        const auto u = static_cast<unsigned char>(line[i]);
        if (u >= 0x20 && u < 0x7F && u != '"' && u != '\\') {
            out += static_cast<char>(u);
        } else {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    if (line.size() > max) out += "...";
    return out;
}

} // namespace

CIniFile::CIniFile() { clear(); }

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
    // A store in memory has no file behind it: its copy is all there is.
    if (inMemory_) return openResult_;
    std::string data;
    const std::string name = platform::fileNamePart(fileName_);
    switch (platform::readFileLimited(fileName_, data, kMaxFileBytes)) {
    case platform::ReadResult::Ok: break;
    case platform::ReadResult::Missing:
        warning_.clear();
        openResult_ = 0;
        return openResult_;
    case platform::ReadResult::Unreadable:
        warning_ = name + ": cannot be read";
        openResult_ = 0;
        return openResult_;
    case platform::ReadResult::TooLarge: return tooLarge();
    }
    return take(data);
}

int CIniFile::LoadBuffer(std::string_view data) {
    inMemory_ = true;
    return take(data);
}

int CIniFile::tooLarge() {
    warning_ = platform::fileNamePart(fileName_) + ": larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB, not read";
    openResult_ = 0;
    return openResult_;
}

int CIniFile::take(std::string_view data) {
    // Bytes over the limit are refused as a file of that size is, with the copy unchanged.
    if (data.size() > kMaxFileBytes) return tooLarge();
    openResult_ = 1;
    parse(data);
    return openResult_;
}

void CIniFile::clear() {
    sections_.assign(1, Section{});
    firstSection_.clear();
}

void CIniFile::parse(std::string_view rest) {
    clear();
    warning_.clear();

    size_t controls = 0;
    for (char c : rest) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0 || (u < 0x20 && !std::strchr("\t\n\v\f\r", c))) ++controls;
    }
    size_t badCount = 0;
    std::string badShown;
    size_t number = 0;
    while (!rest.empty()) {
        ++number;
        size_t nl = rest.find('\n');
        std::string_view line = nl == std::string_view::npos ? rest : rest.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // A byte-order mark from a Windows editor must not hide the first header. It stays in the
        // line, so that a save writes it back: dropped there, a second mark behind it would become
        // the first, and the next load would read a header the file never had.
        std::string_view meaning = line;
        if (number == 1 && meaning.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            meaning.remove_prefix(kByteOrderMark.size());
        std::string_view name;
        if (headerName(meaning, name)) {
            firstSection_.emplace(std::string(name), sections_.size());
            sections_.push_back(Section{std::string(line), {}, {}, false});
        } else {
            // Blank lines are fine; a key line before any header can never be read.
            const bool blank = trimLeft(meaning).empty();
            const bool keyLine = meaning.find('=') != std::string_view::npos;
            if (!blank && (!keyLine || sections_.size() == 1)) {
                if (++badCount <= 3) {
                    if (!badShown.empty()) badShown += ", ";
                    badShown += "line " + std::to_string(number) + " \"" + printable(meaning, 40) + "\"";
                }
            }
            sections_.back().lines.emplace_back(line);
        }
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }

    std::string what;
    if (controls > 0) what = "binary data (" + std::to_string(controls) + " control bytes)";
    if (badCount > 0) {
        if (!what.empty()) what += "; ";
        what += std::to_string(badCount) + (badCount == 1 ? " line" : " lines") + " not understood: " + badShown;
        if (badCount > 3) what += " and " + std::to_string(badCount - 3) + " more";
    }
    if (!what.empty()) warning_ = platform::fileNamePart(fileName_) + ": " + what;
}

std::vector<std::string> CIniFile::Lines() const {
    std::vector<std::string> all;
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (i > 0) all.push_back(sections_[i].header);
        all.insert(all.end(), sections_[i].lines.begin(), sections_[i].lines.end());
    }
    // Readers of the lines see what they say; only a save keeps the mark.
    if (!all.empty() && all.front().starts_with(kByteOrderMark)) all.front().erase(0, kByteOrderMark.size());
    return all;
}

std::string CIniFile::Text() const {
    std::string data;
    size_t total = 0;
    for (const auto& s : sections_) {
        total += s.header.size() + 2;
        for (const auto& l : s.lines) total += l.size() + 2;
    }
    data.reserve(total);
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (i > 0) data.append(sections_[i].header).append("\r\n");
        for (const auto& l : sections_[i].lines) data.append(l).append("\r\n");
    }
    return data;
}

int CIniFile::Save() {
    if (inMemory_) return 1;
    return platform::writeFileAtomic(fileName_, Text()) ? 1 : 0;
}

CIniFile::Section* CIniFile::findSection(const std::string& section) {
    auto it = firstSection_.find(section);
    return it == firstSection_.end() ? nullptr : &sections_[it->second];
}

long CIniFile::findKey(Section& s, const std::string& key) {
    if (!s.indexed) {
        s.keys.clear();
        for (size_t i = 0; i < s.lines.size(); ++i) {
            std::string_view t = trimLeft(s.lines[i]);
            size_t eq = t.find('=');
            if (eq == std::string_view::npos) continue; // no "=": an empty key, never matches
            s.keys.emplace(std::string(trimBoth(t.substr(0, eq))), i); // the first key line wins
        }
        s.indexed = true;
    }
    auto it = s.keys.find(key);
    return it == s.keys.end() ? -1 : static_cast<long>(it->second);
}

bool CIniFile::readableCopy() {
    // Inside a batch the copy holds edits not yet on disk; re-loading would lose them.
    if (batchDepth_ == 0) return Load() != 0;
    return !snapshotFailed_;
}

bool CIniFile::find(const std::string& section, const std::string& key, std::string& value) {
    if (!readableCopy()) return false;
    Section* s = findSection(section);
    if (!s) return false;
    long k = findKey(*s, key);
    if (k < 0) return false;
    std::string_view t = s->lines[static_cast<size_t>(k)];
    value = std::string(trimBoth(t.substr(t.find('=') + 1)));
    return true;
}

std::vector<std::string> CIniFile::Keys(const std::string& section) {
    std::vector<std::string> keys;
    if (!readableCopy()) return keys;
    Section* s = findSection(section);
    if (!s) return keys;
    findKey(*s, ""); // builds the index: a key's first line is the one that counts
    for (size_t i = 0; i < s->lines.size(); ++i) {
        std::string_view t = trimLeft(s->lines[i]);
        const size_t eq = t.find('=');
        if (eq == std::string_view::npos) continue;
        std::string key(trimBoth(t.substr(0, eq)));
        if (key.empty()) continue;
        const auto it = s->keys.find(key);
        if (it != s->keys.end() && it->second == i) keys.push_back(std::move(key));
    }
    return keys;
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
    // Copies only where a line break has to go: saves write hundreds of keys at a time.
    std::string secCopy, keyCopy;
    const std::string& sec = hasBreak(section) ? (secCopy = oneLine(section)) : section;
    const std::string& k = hasBreak(key) ? (keyCopy = oneLine(key)) : key;
    std::string line;
    line.reserve(k.size() + 1 + value.size());
    line.append(k).append(1, '=');
    if (hasBreak(value)) line.append(oneLine(value));
    else line.append(value);
    if (Section* s = findSection(sec)) {
        long at = findKey(*s, k);
        if (at >= 0) {
            s->lines[static_cast<size_t>(at)] = std::move(line);
        } else {
            // The last line of the section: directly before the next header, or the file's end.
            s->keys.emplace(k, s->lines.size());
            s->lines.push_back(std::move(line));
        }
    } else {
        firstSection_.emplace(sec, sections_.size());
        sections_.push_back(Section{"[" + sec + "]", {std::move(line)}, {}, false});
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
