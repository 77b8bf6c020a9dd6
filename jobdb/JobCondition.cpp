#include "JobCondition.h"

#include <cctype>
#include <cstdio>
#include <strings.h>

namespace quillet {

namespace {

bool digits(const std::string& s, size_t at, size_t n, int& v) {
    if (at + n > s.size()) return false;
    v = 0;
    for (size_t i = 0; i < n; ++i) {
        char c = s[at + i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    return true;
}

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
    return days[m - 1];
}

class Scanner {
public:
    explicit Scanner(const std::string& s) : s_(s) {}
    void blanks() {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    bool end() {
        blanks();
        return i_ == s_.size();
    }
    // A keyword in any case, followed by a blank or the end (so "Wherever" is not "Where").
    bool word(const char* w) {
        blanks();
        size_t n = std::char_traits<char>::length(w);
        if (i_ + n > s_.size() || strncasecmp(s_.c_str() + i_, w, n) != 0) return false;
        if (i_ + n < s_.size()) {
            char c = s_[i_ + n];
            if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') return false;
        }
        i_ += n;
        return true;
    }
    bool symbol(const char* w) {
        blanks();
        size_t n = std::char_traits<char>::length(w);
        if (s_.compare(i_, n, w) != 0) return false;
        i_ += n;
        return true;
    }
    // 'text' without any quote inside.
    bool quoted(std::string& out) {
        blanks();
        if (i_ >= s_.size() || s_[i_] != '\'') return false;
        size_t close = s_.find('\'', i_ + 1);
        if (close == std::string::npos) return false;
        out = s_.substr(i_ + 1, close - i_ - 1);
        i_ = close + 1;
        return true;
    }
    size_t pos() const { return i_; }

private:
    const std::string& s_;
    size_t i_ = 0;
};

} // namespace

bool parseDateTime(const std::string& text, const char* dayTime, std::string& out) {
    int y, mo, d, h = 0, mi = 0, se = 0;
    if (!digits(text, 0, 4, y) || text.size() < 10 || text[4] != '-' || !digits(text, 5, 2, mo) || text[7] != '-' ||
        !digits(text, 8, 2, d))
        return false;
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo)) return false;
    char buf[64];
    if (text.size() == 10) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %s", y, mo, d, dayTime);
        out = buf;
        return true;
    }
    if (text.size() != 19 || text[10] != ' ' || !digits(text, 11, 2, h) || text[13] != ':' ||
        !digits(text, 14, 2, mi) || text[16] != ':' || !digits(text, 17, 2, se))
        return false;
    if (h > 23 || mi > 59 || se > 59) return false;
    out = text;
    return true;
}

bool parseDateCondition(const std::string& condition, DateRange& range, std::string& error) {
    range = {};
    Scanner sc(condition);
    if (sc.end()) return true;
    auto refuse = [&](const std::string& why) {
        error = "refused condition \"" + condition + "\": " + why +
                " (accepted: empty, \"Where Date_T >='YYYY-MM-DD HH:MM:SS'\", "
                "\"Where Date_T <='...'\", or both joined by \"and\")";
        return false;
    };
    if (!sc.word("where")) return refuse("it must begin with Where");
    bool first = true;
    for (;;) {
        if (!first && !sc.word("and")) return refuse("expected \"and\" at position " + std::to_string(sc.pos()));
        first = false;
        if (!sc.word("Date_T")) return refuse("only Date_T can be compared");
        bool lower;
        if (sc.symbol(">=")) lower = true;
        else if (sc.symbol("<=")) lower = false;
        else return refuse("the comparison must be >= or <=");
        std::string text, value;
        if (!sc.quoted(text)) return refuse("the date must be quoted with apostrophes");
        if (!parseDateTime(text, lower ? "00:00:00" : "23:59:59", value))
            return refuse("\"" + text + "\" is not a date YYYY-MM-DD HH:MM:SS");
        std::string& slot = lower ? range.from : range.to;
        if (!slot.empty()) return refuse(std::string("two ") + (lower ? "start" : "end") + " dates");
        slot = value;
        if (sc.end()) break;
    }
    return true;
}

bool buildDateCondition(const std::string& fromDay, const std::string& toDay, std::string& condition,
                        std::string& error) {
    std::string start, end;
    if (!fromDay.empty()) {
        if (fromDay.size() != 10 || !parseDateTime(fromDay, "00:00:00", start)) {
            error = "not a date YYYY-MM-DD: " + fromDay;
            return false;
        }
    }
    if (!toDay.empty()) {
        if (toDay.size() != 10 || !parseDateTime(toDay, "23:59:59", end)) {
            error = "not a date YYYY-MM-DD: " + toDay;
            return false;
        }
    }
    condition.clear();
    if (!start.empty()) {
        condition = "Where Date_T >='" + start + "'";
        if (!end.empty()) condition += " and Date_T <='" + end + "'";
    } else if (!end.empty()) {
        condition = "Where Date_T <='" + end + "'";
    }
    return true;
}

} // namespace quillet
