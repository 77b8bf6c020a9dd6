#include "Database.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>

namespace {

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The data source of a connection text: "Data Source=PATH;..." or, failing that, the whole text.
std::string dataSource(const std::string& connection) {
    const std::string key = "DATA SOURCE=";
    std::string up = upper(connection);
    size_t pos = up.find(key);
    if (pos == std::string::npos) return trim(connection);
    size_t start = pos + key.size();
    size_t end = connection.find(';', start);
    return trim(connection.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

bool isDateType(const std::string& decl) {
    std::string u = upper(decl);
    return u.find("DATE") != std::string::npos || u.find("TIME") != std::string::npos;
}

bool isBoolType(const std::string& decl) {
    std::string u = upper(decl);
    return u.find("BOOL") != std::string::npos || u == "BIT" || u == "YESNO" || u == "LOGICAL";
}

bool bindAll(sqlite3_stmt* st, const SqlParams& params, int& rc) {
    for (size_t i = 0; i < params.size(); ++i) {
        int n = static_cast<int>(i + 1);
        const SqlValue& v = params[i];
        if (std::holds_alternative<std::monostate>(v)) rc = sqlite3_bind_null(st, n);
        else if (auto* iv = std::get_if<int64_t>(&v)) rc = sqlite3_bind_int64(st, n, *iv);
        else if (auto* dv = std::get_if<double>(&v)) rc = sqlite3_bind_double(st, n, *dv);
        else {
            const std::string& s = std::get<std::string>(v);
            rc = sqlite3_bind_text(st, n, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK) return false;
    }
    return true;
}

// Prepares exactly one statement; anything but blanks after it is refused, so a text can never
// smuggle in a second statement.
int prepareOne(sqlite3* db, const std::string& sql, sqlite3_stmt** st, std::string& why) {
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), st, &tail);
    if (rc != SQLITE_OK) {
        why = sqlite3_errmsg(db);
        return rc;
    }
    if (!*st) {
        why = "empty statement";
        return SQLITE_MISUSE;
    }
    for (const char* p = tail; p && *p; ++p) {
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') {
            sqlite3_finalize(*st);
            *st = nullptr;
            why = "more than one statement in one text";
            return SQLITE_MISUSE;
        }
    }
    return SQLITE_OK;
}

} // namespace

// ----------------------------------------------------------------------------- text conversions

namespace quillet {

std::string formatLocalTime(int64_t unixSeconds) {
    time_t t = static_cast<time_t>(unixSeconds);
    struct tm tmv {};
    if (static_cast<int64_t>(t) != unixSeconds || !localtime_r(&t, &tmv)) return std::to_string(unixSeconds);
    char buf[64];
    if (std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tmv) == 0) return std::to_string(unixSeconds);
    return buf;
}

std::string nowText() { return formatLocalTime(static_cast<int64_t>(std::time(nullptr))); }

std::string integerText(int64_t v, const std::string& declType) {
    if (isBoolType(declType)) return v ? "T" : "F";
    if (isDateType(declType)) return formatLocalTime(v); // seconds since 1970
    return std::to_string(v);
}

std::string realText(double v, const std::string& declType) {
    if (isBoolType(declType)) return v != 0.0 ? "T" : "F";
    if (isDateType(declType) && std::isfinite(v) && std::fabs(v) < 1e8) {
        // A real in a date column is a Julian day number.
        double secs = std::floor((v - 2440587.5) * 86400.0 + 0.5);
        return formatLocalTime(static_cast<int64_t>(secs));
    }
    char buf[64];
    if (!std::isfinite(v)) {
        std::snprintf(buf, sizeof buf, "%g", v);
        return buf;
    }
    // The fewest significant digits that read back as the same value (17 always do) ...
    int prec = 1;
    for (; prec < 17; ++prec) {
        std::snprintf(buf, sizeof buf, "%.*e", prec - 1, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    std::snprintf(buf, sizeof buf, "%.*e", prec - 1, v);
    std::string sci = buf;
    int exp = std::atoi(sci.c_str() + sci.find('e') + 1);
    // ... written in fixed or exponent notation, whichever is shorter.
    int decimals = std::max(0, prec - 1 - exp);
    if (decimals > 340 || exp > 340) return sci;
    std::string fixed(static_cast<size_t>(std::abs(exp)) + static_cast<size_t>(decimals) + 8, '\0');
    int n = std::snprintf(fixed.data(), fixed.size(), "%.*f", decimals, v);
    fixed.resize(static_cast<size_t>(std::max(n, 0)));
    return fixed.size() <= sci.size() ? fixed : sci;
}

namespace {

bool readNumber(const std::string& s, size_t& i, int digits, int& out) {
    if (i + static_cast<size_t>(digits) > s.size()) return false;
    int v = 0;
    for (int k = 0; k < digits; ++k) {
        char c = s[i + static_cast<size_t>(k)];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    i += static_cast<size_t>(digits);
    out = v;
    return true;
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD[ T]HH:MM:SS[.fff][Z]" -> "%Y-%m-%d %H:%M:%S".
bool normaliseDateText(const std::string& s, std::string& out) {
    size_t i = 0;
    int y, mo, d, h = 0, mi = 0, se = 0;
    if (!readNumber(s, i, 4, y) || i >= s.size() || s[i++] != '-' || !readNumber(s, i, 2, mo) ||
        i >= s.size() || s[i++] != '-' || !readNumber(s, i, 2, d))
        return false;
    if (i < s.size()) {
        if (s[i] != ' ' && s[i] != 'T') return false;
        ++i;
        if (!readNumber(s, i, 2, h) || i >= s.size() || s[i++] != ':' || !readNumber(s, i, 2, mi)) return false;
        if (i < s.size() && s[i] == ':') {
            ++i;
            if (!readNumber(s, i, 2, se)) return false;
            if (i < s.size() && s[i] == '.') {
                ++i;
                size_t start = i;
                while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
                if (i == start) return false;
            }
        }
        if (i < s.size() && s[i] == 'Z') ++i;
        if (i != s.size()) return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 60) return false;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, se);
    out = buf;
    return true;
}

} // namespace

std::string textValue(const std::string& v, const std::string& declType) {
    if (isDateType(declType)) {
        std::string out;
        if (normaliseDateText(v, out)) return out;
        return v;
    }
    if (isBoolType(declType)) {
        std::string u = upper(trim(v));
        if (u == "TRUE" || u == "YES" || u == "T" || u == "1") return "T";
        if (u == "FALSE" || u == "NO" || u == "F" || u == "0") return "F";
    }
    return v;
}

} // namespace quillet

// ----------------------------------------------------------------------------- CADODatabase

CADODatabase::CADODatabase() = default;

CADODatabase::~CADODatabase() { Close(); }

std::string CADODatabase::CodeMeaning(int code) {
    const char* s = code < 0 ? nullptr : sqlite3_errstr(code);
    if (!s || std::strcmp(s, "unknown error") == 0) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "Unknown error 0x%0lX", static_cast<unsigned long>(static_cast<unsigned>(code)));
        return buf;
    }
    return s;
}

std::string CADODatabase::FormatError(const char* title, int code, const std::string& source,
                                       const std::string& description) {
    char head[64];
    std::snprintf(head, sizeof head, "%s Error\n\tCode = %08lx\n", title,
                  static_cast<unsigned long>(static_cast<unsigned>(code)));
    return std::string(head) + "\tCode meaning = " + CodeMeaning(code) + "\n\tSource = " + source +
           "\n\tDescription = " + description + "\n";
}

void CADODatabase::SetError(int code, const std::string& description) {
    m_strLastError = FormatError("CADODataBase", code, "SQLite", description) + "Connection String = " + m_strConnection;
}

bool CADODatabase::Open(const std::string& connection, const std::string& /*user*/, const std::string& /*password*/) {
    std::lock_guard<std::recursive_mutex> g(m_lock);
    Close();
    m_strConnection = connection;
    m_strLastError.clear();
    std::string path = dataSource(connection);
    if (path.empty()) {
        SetError(SQLITE_CANTOPEN, "no data source in the connection text");
        return false;
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        SetError(rc, std::string(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + " (" + path + ")");
        sqlite3_close(db);
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // Reading the schema makes SQLite look at the file now: a file that is not a database (or that
    // cannot be read) is refused here and left as it is, never overwritten.
    char* msg = nullptr;
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        std::string why = msg ? msg : sqlite3_errmsg(db);
        sqlite3_free(msg);
        SetError(rc, why + " (" + path + ")");
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    return true;
}

bool CADODatabase::IsOpen() const {
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_db != nullptr;
}

void CADODatabase::Close() {
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (!m_db) return;
    // Statements of recordsets are finalised by their owners, which hold this lock while open.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool CADODatabase::Execute(const std::string& sql, const SqlParams& params, SqlResult* result) {
    std::lock_guard<std::recursive_mutex> g(m_lock);
    SqlResult r;
    auto fail = [&](int code, const std::string& why) {
        SetError(code, why);
        r.ok = false;
        r.error = m_strLastError;
        if (result) *result = r;
        return false;
    };
    if (!m_db) return fail(SQLITE_MISUSE, "the database is not open");
    sqlite3_stmt* st = nullptr;
    std::string why;
    int rc = prepareOne(m_db, sql, &st, why);
    if (rc != SQLITE_OK) return fail(rc, why + " [" + sql + "]");
    if (!bindAll(st, params, rc)) {
        why = sqlite3_errmsg(m_db);
        sqlite3_finalize(st);
        return fail(rc, why + " [" + sql + "]");
    }
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        why = sqlite3_errmsg(m_db);
        rc = sqlite3_extended_errcode(m_db);
        sqlite3_finalize(st);
        return fail(rc, why + " [" + sql + "]");
    }
    bool readOnly = sqlite3_stmt_readonly(st) != 0;
    sqlite3_finalize(st);
    r.ok = true;
    r.affected = readOnly ? 0 : static_cast<long>(sqlite3_changes(m_db));
    r.lastInsertId = sqlite3_last_insert_rowid(m_db);
    m_nRecordsAffected = r.affected;
    if (result) *result = r;
    return true;
}

long CADODatabase::GetRecordsAffected() const {
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_nRecordsAffected;
}

std::string CADODatabase::GetConnectionString() const {
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_strConnection;
}

std::string CADODatabase::GetLastErrorString() const {
    std::lock_guard<std::recursive_mutex> g(m_lock);
    return m_strLastError;
}

// ----------------------------------------------------------------------------- CADORecordset

CADORecordset::CADORecordset(CADODatabase* db) : m_pDb(db) {}

CADORecordset::~CADORecordset() { Close(); }

void CADORecordset::SetError(int code, const std::string& description) {
    m_strLastError = CADODatabase::FormatError("CADORecordset", code, "SQLite", description) + "Query = " + m_strQuery;
}

bool CADORecordset::Open(const std::string& query, const SqlParams& params) {
    Close();
    m_strQuery = query;
    m_strLastError.clear();
    m_bFailed = false;
    m_nRecordCount = 0;
    m_bEOF = true;
    if (!m_pDb) {
        SetError(SQLITE_MISUSE, "no database connection");
        return false;
    }
    m_hold = std::unique_lock<std::recursive_mutex>(m_pDb->Mutex());
    sqlite3* db = m_pDb->Handle();
    auto fail = [&](int code, const std::string& why) {
        SetError(code, why);
        if (m_stmt) sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        m_hold.unlock();
        return false;
    };
    if (!db) return fail(SQLITE_MISUSE, "the database is not open");
    std::string why;
    int rc = prepareOne(db, query, &m_stmt, why);
    if (rc != SQLITE_OK) return fail(rc, why);
    if (!sqlite3_stmt_readonly(m_stmt)) return fail(SQLITE_MISUSE, "a recordset only reads; the statement would change data");
    if (!bindAll(m_stmt, params, rc)) return fail(rc, sqlite3_errmsg(db));
    // Count first (the lock keeps the data still), then start again at the first record.
    long count = 0;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) ++count;
    if (rc != SQLITE_DONE) return fail(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
    sqlite3_reset(m_stmt);
    m_nRecordCount = count;
    Step();
    if (m_bFailed) {
        std::string err = m_strLastError;
        Close();
        m_strLastError = err;
        m_bFailed = true;
        return false;
    }
    return true;
}

void CADORecordset::Step() {
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        m_bEOF = false;
    } else {
        m_bEOF = true;
        if (rc != SQLITE_DONE) {
            m_bFailed = true;
            SetError(sqlite3_extended_errcode(m_pDb->Handle()), sqlite3_errmsg(m_pDb->Handle()));
        }
    }
}

void CADORecordset::MoveNext() {
    if (m_stmt && !m_bEOF) Step();
}

bool CADORecordset::GetFieldValue(int index, std::string& value) {
    if (!m_stmt || m_bEOF || index < 0 || index >= sqlite3_column_count(m_stmt)) return false;
    const char* d = sqlite3_column_decltype(m_stmt, index);
    std::string decl = d ? d : "";
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_NULL:
        value.clear();
        break;
    case SQLITE_INTEGER:
        value = quillet::integerText(sqlite3_column_int64(m_stmt, index), decl);
        break;
    case SQLITE_FLOAT:
        value = quillet::realText(sqlite3_column_double(m_stmt, index), decl);
        break;
    default: {
        const unsigned char* t = sqlite3_column_text(m_stmt, index);
        int n = sqlite3_column_bytes(m_stmt, index);
        std::string s = t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(n)) : std::string();
        value = quillet::textValue(s, decl);
        break;
    }
    }
    return true;
}

bool CADORecordset::GetFieldValue(const std::string& column, std::string& value) {
    if (!m_stmt) return false;
    int n = sqlite3_column_count(m_stmt);
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(m_stmt, i);
        if (name && strcasecmp(name, column.c_str()) == 0) return GetFieldValue(i, value);
    }
    return false;
}

void CADORecordset::Close() {
    if (m_stmt) sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_bEOF = true;
    if (m_hold.owns_lock()) m_hold.unlock();
}
